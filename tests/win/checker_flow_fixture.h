// The checker's main window in this process, against a private Dovecot: a fixture for
// tests that drive checks as the tray menu would and read the state directly.
#pragma once

#include <gtest/gtest.h>
#include <winsock2.h>

#include <atomic>
#include <chrono>
#include <ctime>
#include <string>
#include <thread>
#include <vector>

#include "checker/checker_state.h"
#include "checker/mail_list/mail_rows.h"
#include "checker/main_window.h"
#include "checker/notification.h"
#include "checker/resource.h"
#include "checker/settings.h"
#include "checker/tray.h"
#include "e2e/driver.h"
#include "fixtures/listen_socket.h"
#include "fixtures/registry_sandbox.h"
#include "fixtures/temp_dir.h"
#include "fixtures/test_address.h"
#include "pop3/line_connection.h"
#include "pop3/stored_list.h"

namespace mailwick {

using namespace std::chrono_literals;
using mwtest::WaitUntil;

inline HICON g_lastIcon = nullptr;
inline std::atomic<DWORD> g_lastShellMessage{0};
inline BOOL WINAPI RecordShellCall(DWORD message, PNOTIFYICONDATAA data) {
    g_lastIcon = data->hIcon;
    g_lastShellMessage = message;
    return TRUE;
}

// A server that answers each connection from a script, one reply per client line after
// the greeting, and then says nothing more: with no script it never says a word.
class SilentServer {
public:
    explicit SilentServer(const std::string& ip, std::vector<std::string> replies = {}) : replies_(std::move(replies)) {
        listener_ = mwtest::ListenOn(ip, 110, 8);
        bound_ = listener_ != INVALID_SOCKET;
        acceptor_ = std::thread([this] {
            for (;;) {
                SOCKET s = accept(listener_, nullptr, nullptr);
                if (s == INVALID_SOCKET) return;
                ++accepted;
                held_.push_back(s);
                sessions_.emplace_back([this, s] { Serve(s); });
            }
        });
    }
    ~SilentServer() {
        closesocket(listener_);
        acceptor_.join();
        for (SOCKET s : held_) closesocket(s);
        for (std::thread& t : sessions_) t.join();
    }
    bool bound() const { return bound_; }
    std::atomic<int> accepted{0};

private:
    void Serve(SOCKET s) {
        std::size_t next = 0;
        if (next < replies_.size()) Send(s, replies_[next++]);
        std::string pending;
        char buffer[512];
        while (next < replies_.size()) {
            const int n = recv(s, buffer, sizeof buffer, 0);
            if (n <= 0) return;
            pending.append(buffer, static_cast<std::size_t>(n));
            for (std::size_t lf; (lf = pending.find('\n')) != std::string::npos && next < replies_.size();) {
                pending.erase(0, lf + 1);
                Send(s, replies_[next++]);
            }
        }
    }
    static void Send(SOCKET s, const std::string& text) { send(s, text.data(), static_cast<int>(text.size()), 0); }

    std::vector<std::string> replies_;
    SOCKET listener_;
    bool bound_ = false;
    std::vector<SOCKET> held_;
    std::vector<std::thread> sessions_;
    std::thread acceptor_;
};

class CheckerFlow : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        WSADATA data;
        WSAStartup(MAKEWORD(1, 1), &data);
        g_process.instance = GetModuleHandleA(nullptr);
        SetShellNotifyFunction(RecordShellCall);
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
        SetCurrentDirectoryA(dir_.c_str());
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
        // The scratch folder cannot go while it is the current one.
        SetCurrentDirectoryA(scratch_.path().parent_path().string().c_str());
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
    std::string maildir_;
    std::string dir_;
};
inline HWND CheckerFlow::main_ = nullptr;

}  // namespace mailwick
