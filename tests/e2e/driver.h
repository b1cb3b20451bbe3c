// Drives a running mailwick.exe from another Windows process as a user would: starts it
// in a folder of its own, finds its windows, sends it commands and tray clicks, reads
// what it left in the registry and in its folder.
#pragma once

#include <windows.h>

#include <chrono>
#include <string>
#include <vector>

#include "fixtures/pump.h"
#include "fixtures/registry_value.h"
#include "fixtures/sheet_driver.h"

namespace mwtest {

// A folder of its own under the test's temporary directory, emptied first.
std::string MakeScratchDir(const std::string& name);
std::string ReadFileBytes(const std::string& path);
bool WriteFileBytes(const std::string& path, const std::string& data);
// A Linux path (from the test's environment) as Wine sees it.
std::string WinePath(const std::string& unixPath);
std::string EnvOr(const char* name, const std::string& fallback);

// Mail for the private Dovecot: written into its Maildir (a Windows path), shown at the
// next session.
bool DeliverMessage(const std::string& maildir, const std::string& message);
void EmptyMaildir(const std::string& maildir);
// A message with the given sender (none when empty) and subject.
std::string MakeMessage(const std::string& from, const std::string& subject);

// The checker's settings key of the current user.
inline constexpr char kSettingsKey[] = "Software\\Quenby Systems\\Mailwick\\Version 1.0";
void ClearSettingsKey();
void SetRegString(const char* name, const std::string& value);
void SetRegBinary32(const char* name, DWORD value);
void SetRegDword(const char* name, DWORD value);
bool GetRegString(const char* name, std::string* value);
bool GetRegBinary32(const char* name, DWORD* value);
// Writes the three account texts in their stored (shifted) form.
void SetAccount(const std::string& user, const std::string& password, const std::string& server);

// Visible top-level windows of a process, optionally only those with the given title.
std::vector<HWND> TopLevelWindows(DWORD pid, const std::wstring& title = L"");
// The first of them once one shows; null when none did in time.
HWND WaitForWindow(DWORD pid, const std::wstring& title, std::chrono::milliseconds timeout = 20s);
std::wstring WindowTextOf(HWND hwnd);
// Texts of the child windows of a dialog (static texts and buttons).
std::vector<std::wstring> ChildTexts(HWND dialog);
std::vector<std::wstring> ListBoxLines(HWND listBox);

class CheckerProcess {
public:
    CheckerProcess() = default;
    ~CheckerProcess();
    CheckerProcess(const CheckerProcess&) = delete;
    CheckerProcess& operator=(const CheckerProcess&) = delete;

    // Starts exe with workDir as its current directory.
    bool start(const std::string& exe, const std::string& workDir, const std::string& args = "");
    // The main window "Mailwick_Main" of this process, once it exists.
    HWND waitForMainWindow(std::chrono::milliseconds timeout = 20s);
    HWND mainWindow() const { return main_; }
    DWORD pid() const { return pi_.dwProcessId; }
    bool running() const;
    // Waits for the process to end; its exit code, or -1 when it did not end in time.
    long waitExit(std::chrono::milliseconds timeout);
    void kill();

    void command(WORD id) const;
    void postCommand(WORD id) const;
    void trayClick(UINT mouseMessage) const;

private:
    PROCESS_INFORMATION pi_{};
    HWND main_ = nullptr;
};

// The checker as built, beside the test programs' build folder.
std::string CheckerExePath();

}  // namespace mwtest

namespace mwtest {

// A visible message box ("#32770" dialog) of the process with this caption, or null.
HWND FindMessageBox(DWORD pid, const std::wstring& caption);
// Waits for one; null when none showed in time.
HWND WaitForMessageBox(DWORD pid, const std::wstring& caption, std::chrono::milliseconds timeout = 20s);
// The box's message (its static text).
std::wstring MessageBoxText(HWND box);
// Presses the box's button `id` (IDOK, IDYES, IDNO) and waits for the box to close.
bool AnswerMessageBox(HWND box, int id);

}  // namespace mwtest
