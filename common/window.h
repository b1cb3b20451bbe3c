// The one way the three programs write a window: an object derived from Window, attached
// to its handle when the window is created, with one small handler per message.
#pragma once

#include <windows.h>
#include <commctrl.h>

namespace mailwick {

// Registers a class whose windows run Window::Procedure. `background` null means white.
bool RegisterWindowClass(HINSTANCE instance, const char* name, HICON icon, const char* menu = nullptr,
                         HBRUSH background = nullptr);

// The object behind one window. It is attached at WM_NCCREATE from the creation parameter
// and detached after WM_NCDESTROY. No exception leaves the procedure: a handler that throws
// counts as handled with result 0 (and a throwing OnCreate fails the creation).
class Window {
public:
    Window() = default;
    virtual ~Window() = default;
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;

    HWND Handle() const { return hwnd_; }

    // CreateWindowExA on a class registered with RegisterWindowClass, this object attached.
    // Null when creation fails or the object carries a window already.
    HWND Create(HINSTANCE instance, const char* className, const char* title, DWORD style, DWORD exStyle = 0,
                HWND parent = nullptr, int x = CW_USEDEFAULT, int y = CW_USEDEFAULT, int width = CW_USEDEFAULT,
                int height = CW_USEDEFAULT);

    static LRESULT CALLBACK Procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

protected:
    // false fails the creation (CreateWindowExA then returns null).
    virtual bool OnCreate(const CREATESTRUCTA&) { return true; }
    // Each returns true when it handled the message.
    virtual bool OnCommand(WORD /*id*/, WORD /*code*/, HWND /*control*/) { return false; }
    virtual bool OnNotify(const NMHDR& /*header*/, LRESULT& /*result*/) { return false; }
    virtual bool OnTimer(UINT_PTR /*id*/) { return false; }
    virtual bool OnSize(UINT /*kind*/, int /*width*/, int /*height*/) { return false; }
    virtual bool OnInitMenu(HMENU) { return false; }
    // false lets the default procedure destroy the window.
    virtual bool OnClose() { return false; }
    virtual void OnDestroy() {}
    // Every other message.
    virtual bool OnMessage(UINT /*message*/, WPARAM, LPARAM, LRESULT& /*result*/) { return false; }
    // After WM_NCDESTROY: the handle is gone and the object detached.
    virtual void OnDetached() {}

    LRESULT Default(UINT message, WPARAM wParam, LPARAM lParam) const;

private:
    LRESULT Dispatch(UINT message, WPARAM wParam, LPARAM lParam);

    HWND hwnd_ = nullptr;
};

}  // namespace mailwick
