#include "checker/check_cycle.h"

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <ctime>
#include <memory>
#include <mutex>
#include <new>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "checker/checker_files.h"
#include "checker/checker_state.h"
#include "checker/dialup.h"
#include "checker/logic/check_logic.h"
#include "checker/mail_list/mail_rows.h"
#include "checker/notification.h"
#include "common/registry.h"
#include "checker/texts.h"
#include "pop3/mailbox_scan.h"
#include "pop3/stored_list.h"

namespace mailwick {

namespace {

std::tm LocalNow() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_s(&local, &now);
    return local;
}

void RecordFinishedScan(const std::string& status) {
    RegKey key = RegKey::Create(HKEY_CURRENT_USER, kSettingsKeyPath);
    if (!key) return;
    key.WriteBinary32("LastCheck", static_cast<DWORD>(std::time(nullptr)));
    key.WriteText("LastStatus", status);
}

// The list the last check left, for the next one. Never destroyed: a check may still be
// running while the process ends.
pop3::KeptStoredList& KeptList() {
    static auto* kept = new pop3::KeptStoredList;
    return *kept;
}

// Adds the sender of every new message to the NEWMAIL dialog, if one is open.
void ListNewSenders(const pop3::POP3Session& session) {
    if (!g_process.newMailDialog.load()) return;
    std::vector<std::string> senders;
    for (int i = 0; i < session.getCount(); ++i) {
        const pop3::HeaderList* header = session.getHeader(i);
        if (!header) continue;
        const std::optional<std::string_view> from = header->findValue(pop3::HeaderFrom);
        senders.push_back(from ? std::string(*from) : kUnknownSender);
    }
    AddNewMailSenders(std::move(senders));
}

// The scan stage; returns the final status text and the number of new messages.
std::string Scan(const Settings& settings, int wasConnected, int* newCount) {
    SetStatusText(kCheckingStatus);

    std::optional<MailRowTable> rows;
    PrepareDataFolder();
    const pop3::ScanResult scan = pop3::scanMailbox(
        StoredListPath(), settings.GetUsername(), settings.GetPassword(), settings.GetServer(),
        settings.GetSecurity(), ServerPort(settings.GetSecurity(), settings.GetServerPort()),
        [wasConnected](const pop3::POP3Session& session, int newCount) {
            g_process.dialupWasUp.store(wasConnected);
            PrepareNewMailBalloon(session, newCount);
            SendMessageA(g_process.mainWindow.load(), NewMailMessage, 0, 0);
            ListNewSenders(session);
        },
        // Rows only for an open mail list, made from the list in hand rather than from a
        // reread of the file. A list opened later reads the file, which holds this list by now.
        [&rows](const pop3::StoredMessageList& list) {
            if (g_process.listView.load()) rows = BuildMailRows(list);
        },
        &KeptList());
    *newCount = scan.newCount;
    if (!scan.opened) {
        g_process.state.SetCheckFailed(1);
        if (scan.securityFailure != pop3::TlsFailure::None) {
            return SecureFailedStatusText(scan.securityFailure, LocalNow());
        }
        return ConnectFailedStatusText(LocalNow());
    }

    // A header that could not be fetched (a server without TOP, a reply past its bounds,
    // the session's time run out) fails the check; the new messages fetched before it are
    // still announced and stored, the known ones stay known. A list that could not be
    // saved fails it too. Either way "LastCheck" stays as it was.
    std::string status;
    if (scan.fetchedAll && scan.saved) {
        status = ScanStatusText(scan.newCount, static_cast<int>(scan.listLength), LocalNow());
        SetStatusText(status.c_str());
        RecordFinishedScan(status);
    } else {
        g_process.state.SetCheckFailed(1);
        status = scan.fetchedAll ? SaveFailedStatusText(LocalNow()) : ConnectFailedStatusText(LocalNow());
        SetStatusText(status.c_str());
    }
    if (rows) {
        ReplaceMailRows(std::move(*rows));
        FillMailList();
    } else if (g_process.listView.load() && !scan.unchanged) {  // else the rows on show still hold
        RebuildMailRows();
        FillMailList();
    }
    return status;
}

}  // namespace

int CheckCycle(const Settings& settings) {
    CheckerState& state = g_process.state;
    const char* entry = settings.GetRASEntry();
    int wasConnected = 0;
    int newCount = 0;

    if (settings.GetUseRAS() == 1) {
        wasConnected = IsRasEntryConnected(entry);
        if (settings.GetCheckRAS() == 1 && wasConnected == 0) {
            state.SetCheckIdle(1);
            return 0;
        }
        if (settings.GetRASEstab() == 1) {
            SetStatusText(kDialingStatus);
            if (wasConnected == 0 && !DialRasEntry(entry)) {
                SetStatusText(kDialFailedStatus);
                state.SetCheckIdle(1);
                state.SetCheckFailed(1);
                return 1;
            }
        }
    }

    const std::string finalStatus = Scan(settings, wasConnected, &newCount);

    HangUpInputs hangUp;
    hangUp.useRas = settings.GetUseRAS();
    hangUp.rasDisconnect = settings.GetRASDisconnect();
    hangUp.rasDisconExceptExist = settings.GetRASDisconExceptExist();
    hangUp.rasDisconExceptNewMail = settings.GetRASDisconExceptNewMail();
    hangUp.wasConnected = wasConnected;
    hangUp.newCount = newCount;
    if (ShouldHangUpAfterCheck(hangUp)) {
        SetStatusText(kHangingUpStatus);
        HangUpRasEntry(entry);
    }

    SetStatusText(finalStatus.c_str());
    state.SetCheckIdle(1);
    return 0;
}

namespace {

std::atomic<CreateThreadFunction> g_createThread{&CreateThread};

// One worker thread runs every check: made with the first check and then woken for each
// one, since starting a thread costs more than the rest of a quiet check under Wine.
struct KeptWorker {
    std::mutex lock;
    HANDLE thread = nullptr;  // while it exists or has not been closed after its end
    bool running = false;     // the thread waits for checks; false once it decided to end
    bool stop = false;        // asks the thread to end once no check is handed over
    std::unique_ptr<Settings> next;  // the check handed over, not yet taken
    HANDLE wake = nullptr;           // auto-reset: a check or the stop is waiting
    std::atomic<HANDLE> idle{nullptr};  // manual-reset: set while no check is handed over or running
};

// Never destroyed: the worker may still run while the process ends.
KeptWorker& Worker() {
    static auto* worker = new KeptWorker;
    return *worker;
}

void RunCheck(const Settings& settings) {
    try {
        CheckCycle(settings);
    } catch (...) {
        // A check must never leave the checker believing it is still running.
        g_process.state.SetCheckFailed(1);
        g_process.state.SetCheckIdle(1);
    }
}

DWORD WINAPI CheckWorker(LPVOID) {
    KeptWorker& w = Worker();
    for (;;) {
        WaitForSingleObject(w.wake, INFINITE);
        std::unique_ptr<Settings> settings;
        {
            std::lock_guard<std::mutex> hold(w.lock);
            if (w.stop && !w.next) {
                w.running = false;
                return 0;
            }
            settings = std::move(w.next);
        }
        if (settings) RunCheck(*settings);
        settings.reset();
        std::lock_guard<std::mutex> hold(w.lock);
        if (!w.next) SetEvent(w.idle.load());
    }
}

}  // namespace

bool StartCheckWorker(const Settings& settings) {
    std::unique_ptr<Settings> copy(new (std::nothrow) Settings(settings));
    if (!copy) return false;
    KeptWorker& w = Worker();
    {
        std::lock_guard<std::mutex> hold(w.lock);
        if (!w.wake) w.wake = CreateEventA(nullptr, FALSE, FALSE, nullptr);
        if (!w.idle.load()) w.idle.store(CreateEventA(nullptr, TRUE, TRUE, nullptr));
        if (!w.wake || !w.idle.load()) return false;
        if (!w.running) {
            // A worker that ended (or never was): the next one starts with this check.
            if (w.thread) CloseHandle(w.thread);
            w.thread = g_createThread.load()(nullptr, 0, CheckWorker, nullptr, 0, nullptr);
            if (!w.thread) return false;
            w.running = true;
        }
        w.stop = false;
        w.next = std::move(copy);
        ResetEvent(w.idle.load());
    }
    SetEvent(w.wake);
    return true;
}

bool StopCheckWorker(DWORD timeoutMs) {
    KeptWorker& w = Worker();
    HANDLE thread = nullptr;
    {
        std::lock_guard<std::mutex> hold(w.lock);
        if (!w.thread) return true;
        w.stop = true;
        thread = w.thread;
    }
    SetEvent(w.wake);
    if (WaitForSingleObject(thread, timeoutMs) != WAIT_OBJECT_0) return false;
    std::lock_guard<std::mutex> hold(w.lock);
    if (w.thread == thread && !w.running) {
        CloseHandle(thread);
        w.thread = nullptr;
    }
    return true;
}

bool WaitForCheckEnd(DWORD timeoutMs) {
    const DWORD started = GetTickCount();
    for (;;) {
        HANDLE idle = Worker().idle.load();
        const bool running = g_process.state.CheckIdle() == 0 ||
                             (idle && WaitForSingleObject(idle, 0) == WAIT_TIMEOUT);
        if (!running) return true;
        const DWORD elapsed = GetTickCount() - started;  // unsigned: right across the wrap
        if (elapsed >= timeoutMs) return false;
        // Woken by the check's end or by a message sent to this thread; CheckIdle is
        // looked at again at least this often where there is no check on the worker.
        const DWORD wait = std::min<DWORD>(timeoutMs - elapsed, idle ? timeoutMs - elapsed : 50);
        const DWORD woke = MsgWaitForMultipleObjectsEx(idle ? 1 : 0, idle ? &idle : nullptr, wait,
                                                        QS_SENDMESSAGE, MWMO_INPUTAVAILABLE);
        if (woke == WAIT_OBJECT_0 + (idle ? 1 : 0)) {
            MSG message;
            PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
        } else if (woke == WAIT_FAILED) {
            Sleep(std::min<DWORD>(wait, 50));
        }
    }
}

CreateThreadFunction SetCreateThreadFunction(CreateThreadFunction function) {
    return g_createThread.exchange(function ? function : &CreateThread);
}

}  // namespace mailwick
