// The checker's main window in this process, against a private Dovecot: a fixture for
// tests that drive checks as the tray menu would and read the state directly.
#pragma once

#include <gtest/gtest.h>
#include <winsock2.h>

#include <atomic>
#include <chrono>
#include <ctime>
#include <string>
#include <vector>

#include "checker/checker_state.h"
#include "checker/mail_list/mail_rows.h"
#include "checker/main_window.h"
#include "checker/notification.h"
#include "checker/resource.h"
#include "checker/settings.h"
#include "checker/tray.h"
#include "e2e/driver.h"
#include "fixtures/silent_server.h"
#include "fixtures/registry_sandbox.h"
#include "fixtures/scoped_env.h"
#include "fixtures/shell_notify.h"
#include "fixtures/temp_dir.h"
#include "fixtures/test_address.h"
#include "pop3/line_connection.h"
#include "pop3/stored_list.h"

namespace mailwick {

using namespace std::chrono_literals;
using mwtest::RecordShellCall;  // the tray's stand-in, which this fixture puts in
using mwtest::WaitUntil;

class CheckerFlow : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        WSADATA data;
        WSAStartup(MAKEWORD(1, 1), &data);
        g_process.instance = GetModuleHandleA(nullptr);
        SetShellNotifyFunction(mwtest::RecordShellCall);
        static const bool registered = RegisterCheckerClasses(g_process.instance);
        ASSERT_TRUE(registered);
        LoadTrayResources();
    }

    // Each test has its own main window, settings key and current folder.
    void SetUp() override {
        main_ = CreateMainWindow(g_process.instance);
        ASSERT_NE(main_, nullptr);
        maildir_ = mwtest::WinePath(mwtest::EnvOr("MAILWICK_DOVECOT_MAILDIR", ""));
        ASSERT_FALSE(maildir_.empty());
        mwtest::EmptyMaildir(maildir_);
        dir_ = scratch_.str();
        ASSERT_TRUE(cwd_.entered());
        pop3::setIoTimeout(60s);

        Settings s;
        s.SetUsername("mailwick");
        s.SetPassword("secret");
        s.SetServer(mwtest::EnvOr("MAILWICK_DOVECOT_IP", ""));
        s.SetNotifPlayWav(0);
        s.SetNotifPlayAlarm(0);
        s.SetNotifShowDialog(0);
        CommitSettings(s);

        SetStatusText("");
        g_process.state.SetCheckFailed(0);
        StopCheckingMode(main_);
        AcknowledgeNewMail(main_);
    }

    void TearDown() override {
        WaitIdle(90s);
        AcknowledgeNewMail(main_);
        StopCheckingMode(main_);
        if (IsWindow(main_)) DestroyWindow(main_);
        main_ = nullptr;
        MSG quit;
        PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE);  // posted by the window's end
    }

    void SetServer(const std::string& server, const std::string& password = "secret") {
        UpdateSettings([&](Settings& s) {
            s.SetServer(server);
            s.SetPassword(password);
        });
    }
    void CheckNow() { SendMessageA(main_, WM_COMMAND, IDM_CHECK_NOW, 0); }
    static bool WaitIdle(std::chrono::milliseconds timeout) {
        return WaitUntil([] { return g_process.state.CheckIdle() == 1; }, timeout);
    }
    void Deliver(const std::string& from, const std::string& subject) {
        ASSERT_TRUE(mwtest::DeliverMessage(maildir_, mwtest::MakeMessage(from, subject)));
    }
    void LoadUidl(pop3::StoredMessageList& list) const { list.loadFile(dir_ + "\\UIDL"); }

    static HWND main_;
    mwtest::RegistrySandbox registry_;
    mwtest::TempDir scratch_;
    mwtest::ScopedCurrentDir cwd_{scratch_.str()};
    std::string maildir_;
    std::string dir_;
};
inline HWND CheckerFlow::main_ = nullptr;

}  // namespace mailwick
