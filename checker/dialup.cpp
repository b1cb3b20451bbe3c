#include "checker/dialup.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "checker/logic/ras_names.h"
#include "checker/ras_records.h"
#include "common/message_box.h"
#include "checker/texts.h"

namespace {

constexpr char kRasLibraryName[] = "RASAPI32.DLL";
constexpr DWORD kConnectionBlock = 32;  // records enumerated at once
constexpr DWORD kEntryBlock = 64;

std::mutex g_libraryLock;
HMODULE g_library = nullptr;

std::atomic<DWORD> g_gonePollMs{100};
std::atomic<DWORD> g_goneMaxPolls{300};

// One operation's reference on the library. Taken under the lock, so FreeRasLibrary at
// program end cannot unmap the library under a worker that is still inside a RAS call.
class RasLibraryRef {
public:
    RasLibraryRef() {
        std::lock_guard<std::mutex> lock(g_libraryLock);
        if (g_library)
            module_ = LoadLibraryA(kRasLibraryName);
    }
    ~RasLibraryRef() {
        if (module_)
            FreeLibrary(module_);
    }
    RasLibraryRef(const RasLibraryRef&) = delete;
    RasLibraryRef& operator=(const RasLibraryRef&) = delete;

    template <typename Fn>
    Fn find(const char* name) const {
        if (!module_)
            return nullptr;
        return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module_, name)));
    }

private:
    HMODULE module_ = nullptr;
};

std::string_view FieldText(const CHAR* field, std::size_t width) {
    return std::string_view(field, strnlen(field, width));
}

template <std::size_t N>
std::string_view FieldText(const CHAR (&field)[N]) {
    return FieldText(field, N);
}

// The active connections, or nothing when they cannot be enumerated (more than a block's
// worth of them included).
std::optional<std::vector<ras::ConnA>> EnumerateConnections(const RasLibraryRef& lib) {
    auto enumConnections = lib.find<ras::EnumConnectionsFn>("RasEnumConnectionsA");
    if (!enumConnections)
        return std::nullopt;
    std::vector<ras::ConnA> block(kConnectionBlock);
    block[0].dwSize = sizeof(ras::ConnA);
    DWORD bytes = static_cast<DWORD>(block.size() * sizeof(ras::ConnA));
    DWORD count = 0;
    if (enumConnections(block.data(), &bytes, &count) != ERROR_SUCCESS)
        return std::nullopt;
    block.resize(std::min(count, kConnectionBlock));
    return block;
}

bool QueryStatus(ras::GetConnectStatusFn getStatus, HRASCONN handle, ras::ConnStatusA& status) {
    status = ras::ConnStatusA{};
    status.dwSize = sizeof(ras::ConnStatusA);
    return getStatus(handle, &status) == ERROR_SUCCESS;
}

// Polls until the service reports the handle invalid, within the bound.
bool WaitUntilGone(const RasLibraryRef& lib, HRASCONN handle) {
    auto getStatus = lib.find<ras::GetConnectStatusFn>("RasGetConnectStatusA");
    if (!getStatus)
        return false;
    const DWORD pollMs = g_gonePollMs.load();
    const DWORD maxPolls = g_goneMaxPolls.load();
    for (DWORD poll = 0; poll < maxPolls; ++poll) {
        ras::ConnStatusA status{};
        status.dwSize = sizeof(ras::ConnStatusA);
        if (getStatus(handle, &status) == ERROR_INVALID_HANDLE)
            return true;
        Sleep(pollMs);
    }
    return false;
}

}  // namespace

int LoadRasLibrary() {
    std::lock_guard<std::mutex> lock(g_libraryLock);
    if (!g_library)
        g_library = LoadLibraryA(kRasLibraryName);
    return g_library ? 1 : 0;
}

void FreeRasLibrary() {
    std::lock_guard<std::mutex> lock(g_libraryLock);
    if (g_library)
        FreeLibrary(g_library);
    g_library = nullptr;
}

RasGoneWait GetRasGoneWait() {
    return RasGoneWait{g_gonePollMs.load(), g_goneMaxPolls.load()};
}

void SetRasGoneWait(RasGoneWait wait) {
    g_gonePollMs = wait.pollMs;
    g_goneMaxPolls = wait.maxPolls;
}

int IsRasEntryConnected(const char* entryName) {
    RasLibraryRef lib;
    auto connections = EnumerateConnections(lib);
    auto getStatus = lib.find<ras::GetConnectStatusFn>("RasGetConnectStatusA");
    if (!connections || !getStatus)
        return 0;
    int connected = 0;
    for (const ras::ConnA& connection : *connections) {
        ras::ConnStatusA status;
        if (!QueryStatus(getStatus, connection.hrasconn, status))
            continue;
        // A dial still in progress counts: the entry is in use.
        if (RasEntryNamesEqual(FieldText(connection.szEntryName), entryName) &&
            status.rasconnstate != RASCS_Disconnected)
            connected = 1;
    }
    return connected;
}

int DialRasEntry(const char* entryName) {
    if (IsRasEntryConnected(entryName))
        return 0;
    RasLibraryRef lib;
    auto getDialParams = lib.find<ras::GetEntryDialParamsFn>("RasGetEntryDialParamsA");
    auto dial = lib.find<ras::DialFn>("RasDialA");
    if (!getDialParams || !dial)
        return 0;

    ras::DialParamsA params{};
    params.dwSize = sizeof(ras::DialParamsA);
    std::strncpy(params.szEntryName, entryName, RAS_MaxEntryName);
    std::strcpy(params.szDomain, "*");
    BOOL passwordSaved = FALSE;
    if (getDialParams(nullptr, &params, &passwordSaved) != ERROR_SUCCESS)
        return 0;
    // Dialling without the password would only fail at the server, or prompt nobody.
    if (!passwordSaved) {
        SecureZeroMemory(&params, sizeof(params));
        return 0;
    }

    HRASCONN handle = nullptr;
    const DWORD result = dial(nullptr, nullptr, &params, 0, nullptr, &handle);
    SecureZeroMemory(&params, sizeof(params));
    if (result == ERROR_SUCCESS && handle)
        return 1;

    // A failed dial may still hold the port; release it so nothing is left half open.
    if (handle) {
        auto hangUp = lib.find<ras::HangUpFn>("RasHangUpA");
        if (hangUp && hangUp(handle) == ERROR_SUCCESS)
            WaitUntilGone(lib, handle);
    }
    return 0;
}

int HangUpRasEntry(const char* entryName) {
    RasLibraryRef lib;
    auto connections = EnumerateConnections(lib);
    auto getStatus = lib.find<ras::GetConnectStatusFn>("RasGetConnectStatusA");
    if (!connections || !getStatus)
        return 0;
    HRASCONN match = nullptr;
    for (const ras::ConnA& connection : *connections) {
        ras::ConnStatusA status;
        // A connection still dialling is left alone; only an established one is ours to end.
        if (QueryStatus(getStatus, connection.hrasconn, status) &&
            status.rasconnstate == RASCS_Connected &&
            RasEntryNamesEqual(FieldText(connection.szEntryName), entryName))
            match = connection.hrasconn;
    }
    connections.reset();
    if (!match)
        return 1;

    auto hangUp = lib.find<ras::HangUpFn>("RasHangUpA");
    if (!hangUp || hangUp(match) != ERROR_SUCCESS)
        return 0;
    return WaitUntilGone(lib, match) ? 1 : 0;
}

void FillRasEntryList(HWND comboBox) {
    RasLibraryRef lib;
    auto enumEntries = lib.find<ras::EnumEntriesFn>("RasEnumEntriesA");
    if (!enumEntries) {
        mailwick::ShowMessageBox(nullptr, mailwick::kNoRasEnumEntriesText, mailwick::kMessageCaption, MB_OK);
        return;
    }
    std::vector<ras::EntryNameA> block(kEntryBlock);
    block[0].dwSize = sizeof(ras::EntryNameA);
    DWORD bytes = static_cast<DWORD>(block.size() * sizeof(ras::EntryNameA));
    DWORD count = 0;
    if (enumEntries(nullptr, nullptr, block.data(), &bytes, &count) != ERROR_SUCCESS)
        return;
    SendMessageA(comboBox, CB_RESETCONTENT, 0, 0);
    for (DWORD i = 0; i < std::min(count, kEntryBlock); ++i) {
        const std::string name(FieldText(block[i].szEntryName));
        SendMessageA(comboBox, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name.c_str()));
    }
}
