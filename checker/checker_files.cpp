#include "checker/checker_files.h"

#include <windows.h>
#include <shlobj.h>

#include <mutex>
#include <string>

#include "checker/debug_log.h"
#include "pop3/stored_list.h"

namespace mailwick {

namespace {

std::mutex g_lock;
bool g_fixed = false;
FilePlaces g_places;

std::string CurrentDirectory() {
    const DWORD needed = GetCurrentDirectoryA(0, nullptr);
    if (needed == 0) return {};
    std::string dir(needed, '\0');
    const DWORD length = GetCurrentDirectoryA(needed, dir.data());
    dir.resize(length < needed ? length : 0);
    return dir;
}

// Creating and deleting a scratch file is the only sure test: a folder's attributes and
// access lists do not say what this process may do there. (GetTempFileNameA is no test:
// under Wine it gives a name even when the file could not be made.)
bool CanWriteIn(const std::string& dir) {
    const std::string scratch =
        PathIn(dir, "~mw" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(GetTickCount()) + ".tmp");
    HANDLE file = CreateFileA(scratch.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                              FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    CloseHandle(file);
    return true;
}

// Looked up at run time: shells before Windows 2000 lack it, and their program folder
// can be written anyway.
std::string LocalAppDataFolder() {
    using GetFolderPath = HRESULT(WINAPI*)(HWND, int, HANDLE, DWORD, LPSTR);
    HMODULE shell = GetModuleHandleA("shell32.dll");
    if (!shell) return {};
    const auto get = reinterpret_cast<GetFolderPath>(
        reinterpret_cast<void (*)()>(GetProcAddress(shell, "SHGetFolderPathA")));
    char dir[MAX_PATH] = {};
    if (!get || get(nullptr, CSIDL_LOCAL_APPDATA, nullptr, 0, dir) != S_OK || dir[0] == '\0') return {};
    return PathIn(dir, kDataFolderName);
}

bool FileExists(const std::string& path) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

void MakeFolder(const std::string& dir) { CreateDirectoryA(dir.c_str(), nullptr); }

}  // namespace

void FixCheckerFiles(const FilePlaceProbe& probe) {
    const auto writable = probe.writable ? probe.writable : &CanWriteIn;
    const std::string userDir = probe.userDataDir ? probe.userDataDir() : LocalAppDataFolder();
    const FilePlaces places = ChooseFilePlaces(CurrentDirectory(), userDir, writable);
    if (TakesOverOldList(places, pop3::kStoredListFile, &FileExists)) {
        MakeFolder(places.dataDir);
        // Copied, not moved: the old folder cannot be written, and an older copy of the
        // program may still be started from it.
        CopyFileA(PathIn(places.startDir, pop3::kStoredListFile).c_str(),
                  PathIn(places.dataDir, pop3::kStoredListFile).c_str(), TRUE);
    }
    std::lock_guard<std::mutex> lock(g_lock);
    g_places = places;
    g_fixed = true;
}

void UnfixCheckerFiles() {
    std::lock_guard<std::mutex> lock(g_lock);
    g_places = {};
    g_fixed = false;
}

FilePlaces CheckerFilePlaces() {
    {
        std::lock_guard<std::mutex> lock(g_lock);
        if (g_fixed) return g_places;
    }
    const std::string dir = CurrentDirectory();
    return {dir, dir};
}

std::string StoredListPath() { return PathIn(CheckerFilePlaces().dataDir, pop3::kStoredListFile); }

std::string DebugLogPath() { return PathIn(CheckerFilePlaces().dataDir, kDebugLogFile); }

std::string ShippedFilePath(const char* name) { return PathIn(CheckerFilePlaces().startDir, name); }

std::string StartupDirectory() { return CheckerFilePlaces().startDir; }

void PrepareDataFolder() {
    const FilePlaces places = CheckerFilePlaces();
    if (places.dataDir != places.startDir && !places.dataDir.empty()) MakeFolder(places.dataDir);
}

}  // namespace mailwick
