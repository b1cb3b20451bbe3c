#include "checker/app.h"

#include <winsock2.h>

#include <atomic>
#include <string>

#include "checker/check_cycle.h"
#include "checker/checker_files.h"
#include "checker/checker_state.h"
#include "checker/debug_log.h"
#include "checker/dialup.h"
#include "checker/help.h"
#include "checker/mail_list/mail_rows.h"
#include "checker/main_window.h"
#include "checker/resource.h"
#include "checker/settings.h"
#include "checker/tray.h"
#include "common/app_identity.h"
#include "common/message_box.h"
#include "common/message_loop.h"
#include "common/registry.h"
#include "checker/texts.h"
#include "pop3/stored_list.h"

namespace mailwick {

namespace {

constexpr DWORD kLastStatusBuffer = 100;
// An idle worker ends at once; this only bounds a stuck one.
constexpr DWORD kWorkerStopMs = 2000;

// Windows Sockets 1.1 exactly; anything else ends the program.
bool StartSockets() {
    WSADATA data;
    if (WSAStartup(MAKEWORD(1, 1), &data) != 0) return false;
    if (LOBYTE(data.wVersion) != 1 || HIBYTE(data.wVersion) != 1) {
        WSACleanup();
        return false;
    }
    return true;
}

std::atomic<StartSocketsFunction> g_startSockets{&StartSockets};

void ShowLastStatus() {
    std::string status;
    if (RegReadText(HKEY_CURRENT_USER, kSettingsKeyPath, "LastStatus", kLastStatusBuffer, &status)) {
        SetStatusText(status.c_str());
    }
}

void LoadSettings(HWND mainWindow) {
    Settings settings;
    ReadSettings(settings);
    if (g_process.state.RasAvailable() == 0) settings.SetUseRAS(0);
    const int valid = ValidateAccount(settings);
    CommitSettings(settings);
    if (!valid) SendMessageA(mainWindow, WM_COMMAND, IDM_OPTIONS, 0);
    if (settings.GetCheckAutoStart() == 1) SendMessageA(mainWindow, WM_COMMAND, IDM_START_CHECKING, 0);
}

void Shutdown(bool rasLoaded) {
    const Settings settings = SettingsSnapshot();
    if (g_process.state.CheckIdle() == 0 && settings.GetUseRAS() == 1 && settings.GetRASDisconnect() == 1) {
        HangUpRasEntry(settings.GetRASEntry());
    }
    WSACleanup();
    if (rasLoaded) FreeRasLibrary();
    WriteSettings(settings);
}

}  // namespace

StartSocketsFunction SetStartSocketsFunction(StartSocketsFunction function) {
    return g_startSockets.exchange(function ? function : &StartSockets);
}

int RunChecker(HINSTANCE instance) {
    // Before anything can change the current directory.
    FixCheckerFiles();
    InitDebugLog(kSettingsKeyPath);
    g_process.instance = instance;
    if (FindRunningChecker()) {
        ShowMessageBox(nullptr, kAlreadyRunningText, kMessageCaption, MB_OK);
        return 0;
    }
    g_process.mailListWindow.store(nullptr);
    g_process.newMailDialog.store(nullptr);
    if (!RegisterCheckerClasses(instance)) return 0;

    HWND mainWindow = CreateMainWindow(instance);
    if (!mainWindow) return 0;
    ShowWindow(mainWindow, SW_HIDE);

    const bool rasLoaded = LoadRasLibrary() == 1;
    g_process.state.SetRasAvailable(rasLoaded ? 1 : 0);
    if (!g_startSockets.load()()) {
        // The window added the tray icon; it must not outlive the program.
        TrayIconAction(mainWindow, TrayDelete);
        DestroyWindow(mainWindow);
        if (rasLoaded) FreeRasLibrary();
        return 0;
    }

    LoadTrayResources();
    SelectHelpViewer();
    g_process.state.SetFlashPhase(0);
    ShowLastStatus();
    LoadSettings(mainWindow);

    // Modeless dialogs (NEWMAIL, about) get Tab, Enter and Esc through this loop.
    const int code = RunMessageLoop();
    // The kept check worker ends before the sockets it used go; one still in a check after
    // the close wait is left to the process's end below.
    if (g_process.state.CheckIdle() == 1) StopCheckWorker(kWorkerStopMs);
    CloseHelp();
    Shutdown(rasLoaded);
    // A check still running after the close wait uses the status text, the row table and
    // their locks: end the process now, before the runtime destroys them under it, but
    // not in the middle of writing "UIDL".
    if (g_process.state.CheckIdle() == 0) {
        pop3::listSaveLock().lock();
        ExitProcess(static_cast<UINT>(code));
    }
    return code;
}

}  // namespace mailwick
