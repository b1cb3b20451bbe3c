#include "common/window.h"

namespace mailwick {

bool RegisterWindowClass(HINSTANCE instance, const char* name, HICON icon, const char* menu, HBRUSH background) {
    WNDCLASSA wc{};
    wc.lpfnWndProc = Window::Procedure;
    wc.hInstance = instance;
    wc.hIcon = icon;
    wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    wc.hbrBackground = background ? background : static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    wc.lpszMenuName = menu;
    wc.lpszClassName = name;
    return RegisterClassA(&wc) != 0;
}

HWND Window::Create(HINSTANCE instance, const char* className, const char* title, DWORD style, DWORD exStyle,
                    HWND parent, int x, int y, int width, int height) {
    if (hwnd_) return nullptr;  // one window per object
    return CreateWindowExA(exStyle, className, title, style, x, y, width, height, parent, nullptr, instance, this);
}

LRESULT Window::Default(UINT message, WPARAM wParam, LPARAM lParam) const {
    return DefWindowProcA(hwnd_, message, wParam, lParam);
}

LRESULT Window::Dispatch(UINT message, WPARAM wParam, LPARAM lParam) {
    LRESULT result = 0;
    switch (message) {
        case WM_CREATE:
            return OnCreate(*reinterpret_cast<const CREATESTRUCTA*>(lParam)) ? 0 : -1;
        case WM_COMMAND:
            if (OnCommand(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam))) return 0;
            break;
        case WM_NOTIFY:
            if (OnNotify(*reinterpret_cast<const NMHDR*>(lParam), result)) return result;
            break;
        case WM_TIMER:
            if (OnTimer(wParam)) return 0;
            break;
        case WM_SIZE:
            if (OnSize(static_cast<UINT>(wParam), LOWORD(lParam), HIWORD(lParam))) return 0;
            break;
        case WM_INITMENU:
            if (OnInitMenu(reinterpret_cast<HMENU>(wParam))) return 0;
            break;
        case WM_CLOSE:
            if (OnClose()) return 0;
            break;
        case WM_DESTROY:
            OnDestroy();
            return 0;
        default:
            if (OnMessage(message, wParam, lParam, result)) return result;
            break;
    }
    return Default(message, wParam, lParam);
}

LRESULT CALLBACK Window::Procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* self = reinterpret_cast<Window*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    if (message == WM_NCCREATE) {
        self = static_cast<Window*>(reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams);
        if (self) {
            self->hwnd_ = hwnd;
            SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
        }
    }
    if (!self) return DefWindowProcA(hwnd, message, wParam, lParam);
    LRESULT result = 0;
    try {
        result = self->Dispatch(message, wParam, lParam);
    } catch (...) {
        result = message == WM_CREATE ? -1 : 0;
    }
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
        self->hwnd_ = nullptr;
        try {
            self->OnDetached();
        } catch (...) {
        }
    }
    return result;
}

}  // namespace mailwick
