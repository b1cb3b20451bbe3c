#include "e2e/driver.h"

#include <cstdio>
#include <cstring>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "common/registry.h"

namespace mwtest {

std::string EnvOr(const char* name, const std::string& fallback) {
    const char* v = std::getenv(name);
    return v && *v ? v : fallback;
}

std::string WinePath(const std::string& unixPath) {
    if (unixPath.empty() || unixPath[0] != '/') return unixPath;
    std::string p = "Z:" + unixPath;
    for (char& c : p) {
        if (c == '/') c = '\\';
    }
    return p;
}

std::string MakeScratchDir(const std::string& name) {
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    std::string dir = std::string(temp) + "mailwick-" + name;
    std::error_code ec;
    std::filesystem::remove_all(dir, ec);
    CreateDirectoryA(dir.c_str(), nullptr);
    return dir;
}

std::string ReadFileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

bool WriteFileBytes(const std::string& path, const std::string& data) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(data.data(), static_cast<std::streamsize>(data.size()));
    return static_cast<bool>(out);
}

bool DeliverMessage(const std::string& maildir, const std::string& message) {
    static int serial = 0;
    char name[96];
    std::snprintf(name, sizeof name, "%lu.M%dP%lu.mailwick", static_cast<unsigned long>(GetTickCount()), ++serial,
                  static_cast<unsigned long>(GetCurrentProcessId()));
    const std::string tmp = maildir + "\\tmp\\" + name;
    if (!WriteFileBytes(tmp, message)) return false;
    return MoveFileA(tmp.c_str(), (maildir + "\\new\\" + name).c_str()) != 0;
}

void EmptyMaildir(const std::string& maildir) {
    for (const char* sub : {"new", "cur", "tmp"}) {
        const std::string dir = maildir + "\\" + sub;
        WIN32_FIND_DATAA fd;
        HANDLE h = FindFirstFileA((dir + "\\*").c_str(), &fd);
        if (h == INVALID_HANDLE_VALUE) continue;
        do {
            if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) DeleteFileA((dir + "\\" + fd.cFileName).c_str());
        } while (FindNextFileA(h, &fd));
        FindClose(h);
    }
}

std::string MakeMessage(const std::string& from, const std::string& subject) {
    std::string m;
    m += "Received: from relay.example.org by mx.example.org; Sun, 7 Dec 1997 09:01:00 +0000\r\n";
    if (!from.empty()) m += "From: " + from + "\r\n";
    m += "To: mailwick@example.org\r\n";
    m += "Subject: " + subject + "\r\n";
    m += "Date: Sun, 7 Dec 1997 09:00:00 +0000\r\n";
    m += "Message-ID: <" + std::to_string(GetTickCount()) + "." + subject.substr(0, 8) + "@example.org>\r\n";
    m += "\r\nHello.\r\n";
    return m;
}

void ClearSettingsKey() {
    mailwick::RegDeleteKeyTree(HKEY_CURRENT_USER, kSettingsKey);
}

static void SetValue(const char* name, DWORD type, const void* data, DWORD size) {
    HKEY key;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, kSettingsKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                        nullptr) != ERROR_SUCCESS) {
        return;
    }
    RegSetValueExA(key, name, 0, type, static_cast<const BYTE*>(data), size);
    RegCloseKey(key);
}

void SetRegString(const char* name, const std::string& value) {
    SetValue(name, REG_SZ, value.c_str(), static_cast<DWORD>(value.size() + 1));
}

void SetRegBinary32(const char* name, DWORD value) {
    SetValue(name, REG_BINARY, &value, 4);
}

void SetRegDword(const char* name, DWORD value) {
    SetValue(name, REG_DWORD, &value, 4);
}

static bool GetValue(const char* name, std::string* data) {
    RegValue v = ReadRegValue(HKEY_CURRENT_USER, kSettingsKey, name);
    *data = std::move(v.bytes);
    return v.type != REG_NONE;
}

bool GetRegString(const char* name, std::string* value) {
    if (!GetValue(name, value)) return false;
    while (!value->empty() && value->back() == '\0') value->pop_back();
    return true;
}

bool GetRegBinary32(const char* name, DWORD* value) {
    std::string data;
    if (!GetValue(name, &data) || data.size() != 4) return false;
    std::memcpy(value, data.data(), 4);
    return true;
}

static std::string Shifted(const std::string& text) {
    std::string s = text;
    for (char& c : s) c = static_cast<char>(static_cast<unsigned char>(c) + 1);
    return s;
}

void SetAccount(const std::string& user, const std::string& password, const std::string& server) {
    SetRegString("Username", Shifted(user));
    SetRegString("Password", Shifted(password));
    SetRegString("Server", Shifted(server));
}

namespace {
struct EnumState {
    DWORD pid;
    std::wstring title;
    std::vector<HWND> found;
};

BOOL CALLBACK CollectWindow(HWND hwnd, LPARAM lp) {
    auto* s = reinterpret_cast<EnumState*>(lp);
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    if (pid != s->pid || !IsWindowVisible(hwnd)) return TRUE;
    if (!s->title.empty() && WindowTextOf(hwnd) != s->title) return TRUE;
    s->found.push_back(hwnd);
    return TRUE;
}

BOOL CALLBACK CollectChildText(HWND hwnd, LPARAM lp) {
    reinterpret_cast<std::vector<std::wstring>*>(lp)->push_back(WindowTextOf(hwnd));
    return TRUE;
}
}  // namespace

std::vector<HWND> TopLevelWindows(DWORD pid, const std::wstring& title) {
    EnumState s{pid, title, {}};
    EnumWindows(CollectWindow, reinterpret_cast<LPARAM>(&s));
    return s.found;
}

HWND WaitForWindow(DWORD pid, const std::wstring& title, std::chrono::milliseconds timeout) {
    std::vector<HWND> found;
    WaitUntil([&] { return !(found = TopLevelWindows(pid, title)).empty(); }, timeout);
    return found.empty() ? nullptr : found.front();
}

std::wstring WindowTextOf(HWND hwnd) {
    // The wide form, since the ANSI one does not cross processes under Wine.
    wchar_t buffer[1024] = {};
    SendMessageW(hwnd, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(buffer));
    return buffer;
}

std::vector<std::wstring> ChildTexts(HWND dialog) {
    std::vector<std::wstring> texts;
    EnumChildWindows(dialog, CollectChildText, reinterpret_cast<LPARAM>(&texts));
    return texts;
}

std::vector<std::wstring> ListBoxLines(HWND listBox) {
    std::vector<std::wstring> lines;
    const LRESULT count = SendMessageW(listBox, LB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        wchar_t buffer[512] = {};
        SendMessageW(listBox, LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(buffer));
        lines.emplace_back(buffer);
    }
    return lines;
}

CheckerProcess::~CheckerProcess() {
    kill();
}

bool CheckerProcess::start(const std::string& exe, const std::string& workDir, const std::string& args) {
    STARTUPINFOA si{};
    si.cb = sizeof si;
    std::string cmd = "\"" + exe + "\"" + (args.empty() ? "" : " " + args);
    if (!CreateProcessA(exe.c_str(), cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, workDir.c_str(), &si,
                        &pi_)) {
        return false;
    }
    return true;
}

HWND CheckerProcess::waitForMainWindow(std::chrono::milliseconds timeout) {
    WaitUntil(
        [&] {
            HWND h = nullptr;
            while ((h = FindWindowExA(nullptr, h, "AppWClass", "Mailwick_Main")) != nullptr) {
                DWORD pid = 0;
                GetWindowThreadProcessId(h, &pid);
                if (pid == pi_.dwProcessId) {
                    main_ = h;
                    return true;
                }
            }
            return false;
        },
        timeout);
    return main_;
}

bool CheckerProcess::running() const {
    return pi_.hProcess && WaitForSingleObject(pi_.hProcess, 0) == WAIT_TIMEOUT;
}

long CheckerProcess::waitExit(std::chrono::milliseconds timeout) {
    if (!pi_.hProcess) return -1;
    if (!WaitUntil([&] { return !running(); }, timeout)) return -1;
    DWORD code = 0;
    GetExitCodeProcess(pi_.hProcess, &code);
    return static_cast<long>(code);
}

void CheckerProcess::kill() {
    if (!pi_.hProcess) return;
    if (running()) {
        TerminateProcess(pi_.hProcess, 99);
        WaitForSingleObject(pi_.hProcess, 5000);
    }
    CloseHandle(pi_.hProcess);
    CloseHandle(pi_.hThread);
    pi_ = {};
    main_ = nullptr;
}

void CheckerProcess::command(WORD id) const {
    SendMessageA(main_, WM_COMMAND, id, 0);
}

void CheckerProcess::postCommand(WORD id) const {
    PostMessageA(main_, WM_COMMAND, id, 0);
}

void CheckerProcess::trayClick(UINT mouseMessage) const {
    PostMessageA(main_, WM_USER + 101, 32517, mouseMessage);
}

std::string CheckerExePath() {
    return WinePath(EnvOr("MAILWICK_BINARY_DIR", "")) + "\\bin\\mailwick.exe";
}

}  // namespace mwtest

namespace mwtest {

static std::wstring ClassOf(HWND hwnd) {
    wchar_t name[64] = {};
    GetClassNameW(hwnd, name, 64);
    return name;
}

HWND FindMessageBox(DWORD pid, const std::wstring& caption) {
    for (HWND w : TopLevelWindows(pid, caption)) {
        if (ClassOf(w) == L"#32770" && !MessageBoxText(w).empty()) return w;
    }
    return nullptr;
}

HWND WaitForMessageBox(DWORD pid, const std::wstring& caption, std::chrono::milliseconds timeout) {
    HWND box = nullptr;
    WaitUntil([&] { return (box = FindMessageBox(pid, caption)) != nullptr; }, timeout);
    return box;
}

namespace {
BOOL CALLBACK FindStaticText(HWND hwnd, LPARAM lp) {
    auto* text = reinterpret_cast<std::wstring*>(lp);
    if (ClassOf(hwnd) == L"Static") {
        std::wstring t = WindowTextOf(hwnd);
        if (!t.empty()) {
            *text = t;
            return FALSE;
        }
    }
    return TRUE;
}
}  // namespace

std::wstring MessageBoxText(HWND box) {
    std::wstring text;
    EnumChildWindows(box, FindStaticText, reinterpret_cast<LPARAM>(&text));
    return text;
}

bool AnswerMessageBox(HWND box, int id) {
    PostMessageW(box, WM_COMMAND, static_cast<WPARAM>(id), 0);
    return WaitUntil([&] { return !IsWindow(box) || !IsWindowVisible(box); }, 10s);
}

}  // namespace mwtest
