// Autoconfig as the Account page runs it: the failure message, and the AUTOCONFIG dialog
// driven from a second thread while the test's thread sits in its modal loop.
#include <gtest/gtest.h>

#include <windows.h>

#include <functional>
#include <string>

#include "checker/autoconfig/autoconfig.h"
#include "checker/autoconfig/autoconfig_res.h"
#include "checker/autoconfig/autoconfig_texts.h"
#include "common/app_identity.h"
#include "common/controls.h"
#include "common/fill_text.h"
#include "common/registry.h"
#include "fixtures/message_recorder.h"
#include "fixtures/modal_driver.h"
#include "fixtures/registry_sandbox.h"

namespace mailwick {
namespace {

using mwtest::MessageRecorder;
using mwtest::RegistrySandbox;

constexpr int kServerField = 1500;
constexpr int kUserField = 1501;
constexpr int kPasswordField = 1502;

// Stands in for the Account page: a window with the three edits.
class Page {
public:
    Page() {
        hwnd_ = CreateWindowA("STATIC", "page", WS_OVERLAPPEDWINDOW, 0, 0, 300, 200, nullptr, nullptr,
                              nullptr, nullptr);
        for (int id : {kServerField, kUserField, kPasswordField})
            CreateWindowA("EDIT", "old", WS_CHILD, 0, 0, 100, 20, hwnd_,
                          reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), nullptr, nullptr);
    }
    ~Page() { DestroyWindow(hwnd_); }
    HWND Get() const { return hwnd_; }
    std::string Field(int id) const { return WindowText(GetDlgItem(hwnd_, id)); }

private:
    HWND hwnd_;
};

class Autoconfig : public ::testing::Test {
protected:
    Autoconfig() {
        RegKey::Create(HKEY_CURRENT_USER, "Software\\Netscape\\Netscape Navigator\\Mail")
            .WriteText("POP Name", "pat&co");
        RegKey::Create(HKEY_CURRENT_USER, "Software\\Netscape\\Netscape Navigator\\Services")
            .WriteText("POP_Server", "pop.isp.example");
    }

    // Runs Autoconfig for `client` while `drive` handles the dialog from another thread.
    int32_t Run(const char* client, const std::function<void(HWND)>& drive) {
        int32_t result = 0;
        const mwtest::ModalRun run = mwtest::RunModalWithDriver(
            [&] { result = AutoConfigure(page_.Get(), kServerField, kUserField, kPasswordField, client); },
            [] {
                HWND d = FindWindowA("#32770", "Mailwick ");
                return d && IsWindowVisible(d) ? d : nullptr;
            },
            drive);
        dialogSeen_ = run.window != nullptr;
        EXPECT_FALSE(run.leftOpen) << "the dialog stayed open";
        return result;
    }

    static void Type(HWND dialog, const char* text, WPARAM key) {
        HWND edit = GetDlgItem(dialog, IDC_AUTOCONFIG_PASSWORD);
        for (const char* c = text; *c; ++c) PostMessageA(edit, WM_CHAR, static_cast<unsigned char>(*c), 0);
        PostMessageA(edit, WM_KEYDOWN, key, 0);
    }

    RegistrySandbox registry_;
    MessageRecorder messages_;
    Page page_;
    bool dialogSeen_ = false;
};

TEST_F(Autoconfig, DialogShowsWhatWasFoundCentredAndOwnedByThePage) {
    std::string text, client, server, user;
    RECT rect{};
    HWND owner = nullptr;
    const int32_t result = Run("Netscape Mail", [&](HWND d) {
        text = WindowText(GetDlgItem(d, IDC_AUTOCONFIG_TEXT));
        client = WindowText(GetDlgItem(d, IDC_AUTOCONFIG_CLIENT));
        server = WindowText(GetDlgItem(d, IDC_AUTOCONFIG_SERVER));
        user = WindowText(GetDlgItem(d, IDC_AUTOCONFIG_USER));
        GetWindowRect(d, &rect);
        owner = GetWindow(d, GW_OWNER);
        SetWindowTextA(GetDlgItem(d, IDC_AUTOCONFIG_PASSWORD), "secret");
        PostMessageA(d, WM_COMMAND, IDOK, 0);
    });
    ASSERT_TRUE(dialogSeen_);
    EXPECT_EQ(result, 1);
    EXPECT_EQ(text, "Autoconfiguration was successful.  Check the details below and enter the correct "
                    "password for this mail account.");
    EXPECT_EQ(client, "Netscape Mail");
    EXPECT_EQ(server, "pop.isp.example");
    EXPECT_EQ(user, "pat&co");
    EXPECT_EQ(owner, page_.Get());
    EXPECT_EQ(rect.left, (GetSystemMetrics(SM_CXSCREEN) - (rect.right - rect.left)) / 2);
    EXPECT_EQ(rect.top, (GetSystemMetrics(SM_CYSCREEN) - (rect.bottom - rect.top)) / 2);
    EXPECT_EQ(page_.Field(kServerField), "pop.isp.example");
    EXPECT_EQ(page_.Field(kUserField), "pat&co");
    EXPECT_EQ(page_.Field(kPasswordField), "secret");
    EXPECT_TRUE(messages_.Messages().empty());
}

TEST_F(Autoconfig, TypedPasswordAndEnterFillThePage) {
    // The password box has the focus and takes no more than the 59 characters kept.
    const std::string typed(70, 'p');
    EXPECT_EQ(Run("Netscape Messenger", [&](HWND d) { Type(d, typed.c_str(), VK_RETURN); }), 1);
    EXPECT_EQ(page_.Field(kPasswordField), std::string(59, 'p'));
    EXPECT_EQ(page_.Field(kServerField), "pop.isp.example");
}

TEST_F(Autoconfig, EmptyPasswordEscapeAndCancelLeaveThePage) {
    EXPECT_EQ(Run("Netscape Mail", [](HWND d) { PostMessageA(d, WM_COMMAND, IDOK, 0); }), 1);
    EXPECT_EQ(Run("Netscape Mail", [](HWND d) { Type(d, "typed", VK_ESCAPE); }), 1);
    EXPECT_EQ(Run("Netscape Mail", [](HWND d) {
                  SetWindowTextA(GetDlgItem(d, IDC_AUTOCONFIG_PASSWORD), "secret");
                  PostMessageA(d, WM_COMMAND, IDCANCEL, 0);
              }),
              1);
    for (int id : {kServerField, kUserField, kPasswordField}) EXPECT_EQ(page_.Field(id), "old");
    EXPECT_TRUE(messages_.Messages().empty());
}

TEST_F(Autoconfig, NothingFoundShowsTheMessageOwnedByThePage) {
    EXPECT_EQ(Run("Eudora 5%s", [](HWND d) { PostMessageA(d, WM_COMMAND, IDCANCEL, 0); }), 0);
    EXPECT_EQ(Run("", [](HWND d) { PostMessageA(d, WM_COMMAND, IDCANCEL, 0); }), 0);
    EXPECT_FALSE(dialogSeen_);
    // The remembered client name is at most 199 characters.
    EXPECT_EQ(Run(std::string(300, 'c').c_str(), [](HWND d) { PostMessageA(d, WM_COMMAND, IDCANCEL, 0); }), 0);
    const auto shown = messages_.Messages();
    ASSERT_EQ(shown.size(), 3u);
    EXPECT_EQ(shown[0].text, FillText(kAutoconfigUnableFormat, {"Eudora 5%s"}));
    EXPECT_EQ(shown[0].caption, kProductName);
    EXPECT_EQ(shown[0].owner, page_.Get());
    EXPECT_EQ(shown[0].type, static_cast<UINT>(MB_OK));
    EXPECT_EQ(shown[1].text, FillText(kAutoconfigUnableFormat, {""}));
    EXPECT_EQ(shown[2].text, FillText(kAutoconfigUnableFormat, {std::string(199, 'c')}));
    for (int id : {kServerField, kUserField, kPasswordField}) EXPECT_EQ(page_.Field(id), "old");
}

}  // namespace
}  // namespace mailwick
