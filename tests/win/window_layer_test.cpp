// The window layer: objects attached at creation, handlers reached, exceptions kept
// inside, and modeless dialogs driven from the keyboard through the message loop.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "common/controls.h"
#include "common/dialog.h"
#include "common/message_loop.h"
#include "common/window.h"
#include "fixtures/pump.h"
#include "window_layer_res.h"

namespace mailwick {
namespace {

constexpr char kClass[] = "MailwickLayerTest";
constexpr UINT kProbe = WM_APP + 1;
constexpr UINT kThrow = WM_APP + 2;
constexpr UINT kFinish = WM_APP + 3;

HINSTANCE Instance() { return GetModuleHandleA(nullptr); }

class TestWindow : public Window {
public:
    bool failCreate = false;
    bool throwInCreate = false;
    HWND handleAtCreate = nullptr;
    std::vector<std::string> calls;

protected:
    bool OnCreate(const CREATESTRUCTA& create) override {
        handleAtCreate = Handle();
        calls.push_back(std::string("create ") + create.lpszName);
        if (throwInCreate) throw std::runtime_error("create");
        return !failCreate;
    }
    bool OnCommand(WORD id, WORD code, HWND) override {
        calls.push_back("command " + std::to_string(id) + "/" + std::to_string(code));
        if (id == 99) throw std::runtime_error("command");
        return id == 1;
    }
    bool OnTimer(UINT_PTR id) override {
        calls.push_back("timer " + std::to_string(id));
        return true;
    }
    bool OnMessage(UINT message, WPARAM wParam, LPARAM, LRESULT& result) override {
        if (message == kThrow) throw 42;  // not even a std::exception
        if (message != kProbe) return false;
        result = static_cast<LRESULT>(wParam) * 2;
        return true;
    }
    void OnDestroy() override { calls.push_back("destroy"); }
    void OnDetached() override { calls.push_back("detached"); }
};

class LayerTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { ASSERT_TRUE(RegisterWindowClass(Instance(), kClass, nullptr)); }
    HWND Make(TestWindow& w, const char* title = "w") {
        return w.Create(Instance(), kClass, title, WS_OVERLAPPEDWINDOW);
    }
};

TEST_F(LayerTest, WindowIsAttachedAtCreationAndGetsItsHandlers) {
    TestWindow w;
    HWND hwnd = Make(w, "first");
    ASSERT_NE(hwnd, nullptr);
    EXPECT_EQ(w.handleAtCreate, hwnd) << "attached before WM_CREATE";
    EXPECT_EQ(w.Handle(), hwnd);
    EXPECT_EQ(SendMessageA(hwnd, kProbe, 21, 0), 42);
    SendMessageA(hwnd, WM_COMMAND, MAKEWPARAM(1, 7), 0);
    SendMessageA(hwnd, WM_TIMER, 5, 0);
    EXPECT_EQ(Make(w), nullptr) << "one object, one window";
    DestroyWindow(hwnd);
    EXPECT_EQ(w.Handle(), nullptr);
    EXPECT_EQ(w.calls, (std::vector<std::string>{"create first", "command 1/7", "timer 5", "destroy", "detached"}));

    // Detached, the object can carry a new window.
    HWND again = Make(w);
    ASSERT_NE(again, nullptr);
    DestroyWindow(again);
}

TEST_F(LayerTest, ExceptionsInWindowHandlersStayInside) {
    TestWindow w;
    HWND hwnd = Make(w);
    ASSERT_NE(hwnd, nullptr);
    EXPECT_EQ(SendMessageA(hwnd, WM_COMMAND, 99, 0), 0);
    EXPECT_EQ(SendMessageA(hwnd, kThrow, 0, 0), 0);
    EXPECT_EQ(SendMessageA(hwnd, kProbe, 4, 0), 8) << "still attached and working";
    DestroyWindow(hwnd);

    TestWindow throwing;
    throwing.throwInCreate = true;
    EXPECT_EQ(Make(throwing), nullptr) << "a throwing OnCreate fails the creation";
    EXPECT_EQ(throwing.Handle(), nullptr);
    EXPECT_EQ(throwing.calls.back(), "detached");

    TestWindow refusing;
    refusing.failCreate = true;
    EXPECT_EQ(Make(refusing), nullptr);
    EXPECT_EQ(refusing.Handle(), nullptr);
}

class TestDialog : public Dialog {
public:
    bool throwInInit = false;
    int oks = 0;
    int cancels = 0;
    int throws = 0;
    HWND handleAtInit = nullptr;
    std::vector<int> focusSeen;

protected:
    BOOL OnInit() override {
        handleAtInit = Handle();
        if (throwInInit) throw std::runtime_error("init");
        SetItemText(IDC_LAYER_FIRST, "typed");
        if (IsModal()) PostMessageA(Handle(), kFinish, 0, 0);
        return TRUE;
    }
    bool OnCommand(WORD id, WORD code, HWND control) override {
        if (id == IDC_LAYER_SECOND && code == 99) {
            ++throws;
            throw std::runtime_error("command");
        }
        return Dialog::OnCommand(id, code, control);
    }
    void OnOK() override {
        ++oks;
        End(IDOK);
    }
    void OnCancel() override { ++cancels; }  // stays open, so the keys after Esc still reach it
    bool OnMessage(UINT message, WPARAM, LPARAM, INT_PTR& result) override {
        if (message == kProbe) {
            focusSeen.push_back(GetDlgCtrlID(GetFocus()));
            result = TRUE;
            return true;
        }
        if (message == kFinish) {
            SendMessageA(Handle(), WM_COMMAND, MAKEWPARAM(IDC_LAYER_SECOND, 99), 0);  // throws inside
            End(ItemText(IDC_LAYER_FIRST) == "typed" ? 42 : 1);
            return true;
        }
        return false;
    }
};

TEST_F(LayerTest, ModalDialogRunsWithItsObjectAndEndsWithItsResult) {
    TestDialog d;
    EXPECT_EQ(d.RunModal(Instance(), IDD_LAYER_DIALOG, nullptr), 42);
    EXPECT_NE(d.handleAtInit, nullptr);
    EXPECT_EQ(d.Handle(), nullptr) << "detached after the end";
    EXPECT_EQ(d.throws, 1) << "the throwing command was handled and the dialog went on";

    TestDialog failing;
    failing.throwInInit = true;
    EXPECT_EQ(failing.RunModal(Instance(), IDD_LAYER_DIALOG, nullptr), -1)
        << "a dialog whose set-up failed does not stay open half made";
}

// Pumps what is queued for this thread, through the modeless dialogs' routing.
void Pump() { mwtest::PumpMessages(nullptr, &RouteToModelessDialog); }

TEST_F(LayerTest, ModelessDialogIsAttachedAndLeavesTheLoopWhenItEnds) {
    TestDialog d;
    HWND hwnd = d.CreateModeless(Instance(), IDD_LAYER_DIALOG, nullptr);
    ASSERT_NE(hwnd, nullptr);
    EXPECT_EQ(d.handleAtInit, hwnd);
    EXPECT_EQ(WindowText(GetDlgItem(hwnd, IDC_LAYER_FIRST)), "typed");
    EXPECT_EQ(SendMessageA(hwnd, WM_COMMAND, MAKEWPARAM(IDC_LAYER_SECOND, 99), 0), FALSE);
    SendMessageA(hwnd, WM_COMMAND, IDOK, 0);
    EXPECT_EQ(d.oks, 1);
    EXPECT_FALSE(IsWindow(hwnd)) << "End destroys a modeless dialog";
    EXPECT_EQ(d.Handle(), nullptr);

    TestDialog failing;
    failing.throwInInit = true;
    EXPECT_EQ(failing.CreateModeless(Instance(), IDD_LAYER_DIALOG, nullptr), nullptr);
    EXPECT_EQ(failing.Handle(), nullptr);
    Pump();
}

TEST_F(LayerTest, KeysInAModelessDialogMoveTheFocusAndReachOkAndCancel) {
    TestDialog d;
    HWND hwnd = d.CreateModeless(Instance(), IDD_LAYER_DIALOG, nullptr);
    ASSERT_NE(hwnd, nullptr);
    TestWindow other;
    HWND plain = Make(other);
    ASSERT_NE(plain, nullptr);
    SetForegroundWindow(hwnd);
    SetFocus(GetDlgItem(hwnd, IDC_LAYER_FIRST));
    Pump();

    auto key = [&](UINT vk) {
        HWND focus = GetFocus();
        PostMessageA(focus ? focus : hwnd, WM_KEYDOWN, vk, 1);
        PostMessageA(hwnd, kProbe, 0, 0);
    };
    key(VK_TAB);
    PostMessageA(plain, WM_TIMER, 3, 0);  // not for a dialog: dispatched as usual
    PostMessageA(GetDlgItem(hwnd, IDC_LAYER_SECOND), WM_KEYDOWN, VK_ESCAPE, 1);
    PostMessageA(GetDlgItem(hwnd, IDC_LAYER_SECOND), WM_KEYDOWN, VK_RETURN, 1);
    PostQuitMessage(7);
    EXPECT_EQ(RunMessageLoop(), 7);

    ASSERT_EQ(d.focusSeen.size(), 1u);
    EXPECT_EQ(d.focusSeen[0], IDC_LAYER_SECOND) << "Tab moves to the next field";
    EXPECT_EQ(d.cancels, 1) << "Esc is Cancel";
    EXPECT_EQ(d.oks, 1) << "Enter is the default button";
    EXPECT_FALSE(IsWindow(hwnd));
    EXPECT_EQ(other.calls.back(), "timer 3");
    DestroyWindow(plain);
}

class TestPage : public PropertyPage {
public:
    int refuseApplies = 0;
    int applies = 0;
    int activations = 0;
    bool pressOkOnInit = false;
    std::string name;

protected:
    BOOL OnInit() override {
        SetItemText(IDC_LAYER_NAME, "page");
        if (pressOkOnInit) PostMessageA(Handle(), kFinish, 0, 0);
        return TRUE;
    }
    LRESULT OnSetActive() override {
        ++activations;
        return 0;
    }
    bool OnApply() override {
        ++applies;
        name = ItemText(IDC_LAYER_NAME);
        if (refuseApplies > 0) {
            --refuseApplies;
            PostMessageA(Handle(), kFinish, 0, 0);
            return false;
        }
        return true;
    }
    bool OnMessage(UINT message, WPARAM, LPARAM, INT_PTR&) override {
        if (message != kFinish) return false;
        PropSheet_PressButton(Sheet(), PSBTN_OK);
        return true;
    }
    bool OnKillActive() override {
        if (name == "throw") throw std::runtime_error("kill");
        return true;
    }
};

TEST_F(LayerTest, PropertyPagesAreBuiltFromTheTableAndGetTheSheetsNotifications) {
    TestPage first, skipped, last;
    first.pressOkOnInit = true;
    first.refuseApplies = 1;
    first.name = "throw";  // its kill-active handler throws: the sheet goes on
    const PageEntry pages[] = {
        {&first, IDD_LAYER_PAGE},
        {&skipped, IDD_LAYER_PAGE, false},
        {&last, IDD_LAYER_PAGE},
    };
    SheetOptions options;
    options.instance = Instance();
    options.caption = "Layer sheet";
    options.flags = PSH_NOAPPLYNOW;
    EXPECT_GT(RunPropertySheet(options, pages), 0);
    EXPECT_EQ(first.activations, 1);
    EXPECT_EQ(first.applies, 2) << "a refused apply keeps the sheet open";
    EXPECT_EQ(first.name, "page");
    EXPECT_EQ(skipped.activations, 0);
    EXPECT_EQ(skipped.Handle(), nullptr);
    EXPECT_EQ(last.applies, 0) << "a page never shown is never made";
    EXPECT_EQ(first.Handle(), nullptr) << "detached when the sheet ends";

    TestPage none;
    const PageEntry nothing[] = {{&none, IDD_LAYER_PAGE, false}};
    EXPECT_EQ(RunPropertySheet(options, nothing), -1);
}

// A stored name picks its own entry, not an earlier one that begins with it.
TEST(ComboSelectNamed, TheExactNameWinsOverAnEarlierPrefixMatch) {
    HWND combo = CreateWindowExA(0, "COMBOBOX", "", WS_POPUP | CBS_DROPDOWNLIST, 0, 0, 200, 200, nullptr, nullptr,
                                 GetModuleHandleA(nullptr), nullptr);
    ComboFill(combo, {"Work VPN", "Work", "Home office"});
    EXPECT_TRUE(ComboSelectNamed(combo, "Work"));
    EXPECT_EQ(ComboSelectedText(combo), "Work");
    EXPECT_TRUE(ComboSelectNamed(combo, "home"));  // no exact name: the first it begins
    EXPECT_EQ(ComboSelectedText(combo), "Home office");
    EXPECT_FALSE(ComboSelectNamed(combo, "Office"));
    DestroyWindow(combo);
}

}  // namespace
}  // namespace mailwick
