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
#include <tlhelp32.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "checker/resource.h"
#include "e2e/driver.h"

namespace {

using Clock = std::chrono::steady_clock;
using mwtest::CheckerProcess;


[[noreturn]] void Fail(const char* what) {
    std::printf("error %s\n", what);
    std::fflush(stdout);
    std::exit(1);
}

int ThreadCount(DWORD pid) {
    HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    if (snap == INVALID_HANDLE_VALUE) return -1;
    THREADENTRY32 t{};
    t.dwSize = sizeof t;
    int count = 0;
    for (BOOL more = Thread32First(snap, &t); more; more = Thread32Next(snap, &t)) {
        if (t.th32OwnerProcessID == pid) ++count;
    }
    CloseHandle(snap);
    return count;
}

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
    double idle;   // to the end of the check's worker thread
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

// One Check Now. "LastStatus" is removed first so that its return marks the saved scan.
Times CheckNow(const CheckerProcess& p) {
    StatusWatch watch;
    const int threadsBefore = ThreadCount(p.pid());
    std::string status;
    const auto start = Clock::now();
    p.postCommand(IDM_CHECK_NOW);
    if (!watch.wait(&status, std::chrono::seconds(1800))) Fail("no LastStatus after Check Now");
    const auto saved = Clock::now();
    // The worker thread starts after the command and ends with the check.
    if (!PollUntil([&] { return ThreadCount(p.pid()) <= threadsBefore; }, std::chrono::seconds(600)))
        Fail("the check did not end");
    const auto idle = Clock::now();
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
    DWORD_PTR result = 0;
    SendMessageTimeoutW(p.mainWindow(), WM_NULL, 0, 0, SMTO_NORMAL, 30000, &result);
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

    CheckerProcess p;
    // A loaded machine may take long to start the prefix's first program.
    if (!p.start(exe, dir) || !p.waitForMainWindow(std::chrono::seconds(120))) Fail("the checker did not start");

    std::vector<double> firstSaved, firstIdle, steadySaved, steadyIdle;
    for (int i = 0; i < firstRuns; ++i) {
        CloseNewMailDialog(p);
        DeleteFileA(uidl.c_str());
        Times t = CheckNow(p);
        firstSaved.push_back(t.saved);
        firstIdle.push_back(t.idle);
    }
    for (int i = 0; i < steadyRuns; ++i) {
        Times t = CheckNow(p);
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
