// Times the real mailwick.exe from outside, as a user's Check Now would start it: the
// first check (no "UIDL" file, every message new) and the steady check (nothing new).
// Run under Wine by checker_wine.py, which starts the server and measures the floor.
//
// usage: checker_driver MAILWICK_EXE WORK_DIR SERVER_IP FIRST_RUNS STEADY_RUNS
// Prints one line per figure: "first_saved S", "first_idle S", "steady_saved S",
// "steady_idle S", "peak_memory_kib K", "idle_memory_kib K",
// "closed_memory_kib K"; "error TEXT" and exit code 1
// when a check fails.
#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>
#include <vector>

#include "checker/checker_state.h"
#include "checker/resource.h"
#include "checker/tray.h"
#include "e2e/driver.h"

namespace {

using Clock = std::chrono::steady_clock;
using mwtest::CheckerProcess;


[[noreturn]] void Fail(const char* what) {
    std::printf("error %s\n", what);
    std::fflush(stdout);
    std::exit(1);
}

// Stands in for the shell's tray, so the driver sees the checker's tray calls: a check's
// last act is the call that takes the picture back from "checking", which marks its end
// (the worker thread is kept between checks, so its end marks nothing). Made before the
// checker starts, its window is the newest of the tray's class and the one the calls find.
class TrayStandIn {
public:
    struct Call {
        Clock::time_point at;
        std::string picture;  // what the call carries past its window, id and flags
    };

    bool start() {
        thread_ = CreateThread(nullptr, 0, &TrayStandIn::run, this, 0, nullptr);
        // A new prefix's first window may take long on a loaded machine.
        return thread_ && WaitForSingleObject(ready_, 120000) == WAIT_OBJECT_0 && window_;
    }
    size_t count() const {
        std::lock_guard<std::mutex> hold(lock_);
        return calls_.size();
    }
    std::vector<Call> calls() const {
        std::lock_guard<std::mutex> hold(lock_);
        return calls_;
    }

private:
    static DWORD WINAPI run(LPVOID arg) {
        auto* self = static_cast<TrayStandIn*>(arg);
        WNDCLASSA wc{};
        wc.lpfnWndProc = &TrayStandIn::proc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "Shell_TrayWnd";
        RegisterClassA(&wc);
        self->window_ = CreateWindowExA(0, wc.lpszClassName, "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                                        wc.hInstance, nullptr);
        SetWindowLongPtrA(self->window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
        SetEvent(self->ready_);
        MSG m;
        while (GetMessageA(&m, nullptr, 0, 0) > 0) DispatchMessageA(&m);
        return 0;
    }
    static LRESULT CALLBACK proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
        auto* self = reinterpret_cast<TrayStandIn*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
        if (message != WM_COPYDATA || !self) return DefWindowProcA(hwnd, message, wParam, lParam);
        const auto* data = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
        constexpr size_t kHead = 3 * sizeof(UINT);  // window, id, flags: NIM_ADD and NIM_MODIFY differ there
        Call call{Clock::now(), {}};
        if (data && data->lpData && data->cbData > kHead)
            call.picture.assign(static_cast<const char*>(data->lpData) + kHead, data->cbData - kHead);
        std::lock_guard<std::mutex> hold(self->lock_);
        self->calls_.push_back(std::move(call));
        return TRUE;
    }

    HANDLE thread_ = nullptr;
    HANDLE ready_ = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    HWND window_ = nullptr;
    mutable std::mutex lock_;
    std::vector<Call> calls_;
};

// Polls often: the figures are fractions of a second.
template <class Pred>
bool PollUntil(Pred pred, std::chrono::seconds timeout) {
    const auto end = Clock::now() + timeout;
    while (!pred()) {
        if (Clock::now() > end) return false;
        Sleep(1);
    }
    return true;
}

struct Times {
    double saved;  // from the command to "LastStatus", written right after "UIDL"
    double idle;   // to the tray call that shows the check is over
};

// The working set; 0 when it cannot be read.
unsigned long long WorkingSetKib(DWORD pid, bool peak = false) {
    PROCESS_MEMORY_COUNTERS memory{};
    memory.cb = sizeof memory;
    HANDLE h = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, pid);
    const bool read = h && GetProcessMemoryInfo(h, &memory, sizeof memory);
    if (h) CloseHandle(h);
    if (!read) return 0;
    return (peak ? memory.PeakWorkingSetSize : memory.WorkingSetSize) / 1024;
}

// Waits for "LastStatus" to be written. A change notice on the key wakes the wait, so the
// driver does not poll the registry while the check runs (each poll is a request to the
// same Wine server the checker's own calls go through); a slow poll stays as a fallback.
class StatusWatch {
public:
    StatusWatch() {
        RegOpenKeyExA(HKEY_CURRENT_USER, mwtest::kSettingsKey, 0, KEY_ALL_ACCESS, &key_);
        changed_ = CreateEventA(nullptr, FALSE, FALSE, nullptr);
        if (key_) RegDeleteValueA(key_, "LastStatus");
        arm();
    }
    ~StatusWatch() {
        if (key_) RegCloseKey(key_);
        if (changed_) CloseHandle(changed_);
    }
    bool wait(std::string* status, std::chrono::seconds timeout) {
        const auto end = Clock::now() + timeout;
        for (;;) {
            if (mwtest::GetRegString("LastStatus", status)) return true;
            if (Clock::now() > end) return false;
            WaitForSingleObject(changed_, 50);
            arm();
        }
    }

private:
    void arm() {
        if (key_ && changed_) RegNotifyChangeKeyValue(key_, FALSE, REG_NOTIFY_CHANGE_LAST_SET, changed_, TRUE);
    }
    HKEY key_ = nullptr;
    HANDLE changed_ = nullptr;
};

// Waits until the checker's main thread has carried out what was posted to it.
void Settle(const CheckerProcess& p) {
    DWORD_PTR result = 0;
    SendMessageTimeoutW(p.mainWindow(), WM_NULL, 0, 0, SMTO_NORMAL, 30000, &result);
}

// One Check Now. "LastStatus" is removed first so that its return marks the saved scan.
Times CheckNow(const CheckerProcess& p, const TrayStandIn& tray) {
    // New mail seen, so no flashing changes the picture while the check runs; the picture
    // then shown is the one the check's end comes back to.
    // Sent, not posted: a posted click could come after the look at the calls below, which
    // could then take a flashing step's picture for the resting one.
    DWORD_PTR result = 0;
    SendMessageTimeoutW(p.mainWindow(), mailwick::TrayNotifyMessage, mailwick::TrayIconId, WM_LBUTTONDOWN,
                        SMTO_NORMAL, 30000, &result);
    const std::vector<TrayStandIn::Call> before = tray.calls();
    if (before.empty()) Fail("the checker's tray calls do not reach the driver");
    const std::string resting = before.back().picture;

    StatusWatch watch;
    std::string status;
    const auto start = Clock::now();
    p.postCommand(IDM_CHECK_NOW);
    if (!watch.wait(&status, std::chrono::seconds(1800))) Fail("no LastStatus after Check Now");
    const auto saved = Clock::now();
    // The first call after the command that shows the resting picture again ends the check.
    Clock::time_point idle{};
    auto ended = [&] {
        const std::vector<TrayStandIn::Call> calls = tray.calls();
        for (size_t i = before.size(); i < calls.size(); ++i) {
            if (calls[i].picture == resting) {
                idle = calls[i].at;
                return true;
            }
        }
        return false;
    };
    if (!PollUntil(ended, std::chrono::seconds(600))) Fail("the check did not end");
    if (status.find("new item") == std::string::npos) Fail(("unexpected status: " + status).c_str());
    const Times t{std::chrono::duration<double>(saved - start).count(),
                  std::chrono::duration<double>(idle - start).count()};
    std::fprintf(stderr, "  %.3f s saved, %.3f s idle, %.1f MiB after: %s\n", t.saved, t.idle,
                 WorkingSetKib(p.pid()) / 1024.0, status.c_str());
    return t;
}

// Later on the NEWMAIL dialog, so the next first check starts with an empty list.
void CloseNewMailDialog(const CheckerProcess& p) {
    for (HWND dialog : mwtest::TopLevelWindows(p.pid(), L"Mailwick - New Mail!"))
        PostMessageW(dialog, WM_COMMAND, IDOK, 0);
    PollUntil([&] { return mwtest::TopLevelWindows(p.pid(), L"Mailwick - New Mail!").empty(); },
              std::chrono::seconds(30));
    // The dialog leaves the window list before the main thread is done closing it (under
    // Wine on a display without a window manager that takes 2 s), and the next check's
    // new-mail notification would wait for that thread: a user who reads later does not
    // check again at once, so the next check starts once the main window answers.
    Settle(p);
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 6) {
        std::fprintf(stderr, "usage: checker_driver MAILWICK_EXE WORK_DIR SERVER_IP FIRST_RUNS STEADY_RUNS\n");
        return 2;
    }
    const std::string exe = argv[1], dir = argv[2], ip = argv[3];
    const int firstRuns = std::max(1, std::atoi(argv[4]));
    const int steadyRuns = std::max(1, std::atoi(argv[5]));

    mwtest::ClearSettingsKey();
    mwtest::SetAccount("mailwick", "secret", ip);
    mwtest::SetRegDword("CheckAutoStart", 0);
    mwtest::SetRegBinary32("NotifPlayWav", 0);
    mwtest::SetRegBinary32("NotifPlayAlarm", 0);
    const std::string uidl = dir + "\\UIDL";
    DeleteFileA(uidl.c_str());

    mwtest::SetRegBinary32("NotifBalloon", 0);  // a balloon is a tray call of its own
    TrayStandIn tray;
    if (!tray.start()) Fail("no tray stand-in");
    CheckerProcess p;
    // A loaded machine may take long to start the prefix's first program.
    if (!p.start(exe, dir) || !p.waitForMainWindow(std::chrono::seconds(120))) Fail("the checker did not start");

    std::vector<double> firstSaved, firstIdle, steadySaved, steadyIdle;
    for (int i = 0; i < firstRuns; ++i) {
        CloseNewMailDialog(p);
        DeleteFileA(uidl.c_str());
        Times t = CheckNow(p, tray);
        firstSaved.push_back(t.saved);
        firstIdle.push_back(t.idle);
    }
    for (int i = 0; i < steadyRuns; ++i) {
        Times t = CheckNow(p, tray);
        steadySaved.push_back(t.saved);
        steadyIdle.push_back(t.idle);
    }

    std::printf("peak_memory_kib %llu\n", WorkingSetKib(p.pid(), true));
    // What the checker holds while it waits for the next check, with the new-mail dialog
    // of the first checks still open, and once the user has closed it.
    std::printf("idle_memory_kib %llu\n", WorkingSetKib(p.pid()));
    CloseNewMailDialog(p);
    std::printf("closed_memory_kib %llu\n", WorkingSetKib(p.pid()));
    std::printf("first_saved %.4f\nfirst_idle %.4f\nsteady_saved %.4f\nsteady_idle %.4f\n", Median(firstSaved),
                Median(firstIdle), Median(steadySaved), Median(steadyIdle));
    std::fflush(stdout);
    p.postCommand(IDM_EXIT);
    if (p.waitExit(std::chrono::seconds(60)) < 0) p.kill();
    return 0;
}
