// A stand-in for the Remote Access Service library ("rasapi32.dll") for tests: the phone
// book and the connections come from the state file named by MAILWICK_FAKERAS_STATE, and
// every call is appended as one line to the file named by MAILWICK_FAKERAS_LOG.
// Like the real service it refuses records whose size field is not one it knows; it knows
// only the Windows 95 / NT 4.0 layouts, whose sizes are spelled out here on purpose rather
// than taken from the checker's declarations.
#include <windows.h>
#include <raserror.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <mutex>
#include <sstream>
#include <string>

#include "checker/logic/ras_names.h"
#include "checker/ras_records.h"
#include "fakeras/fakeras_state.h"

namespace {

#ifdef _WIN64
constexpr DWORD kConnSize = 424;
#else
constexpr DWORD kConnSize = 412;
#endif
constexpr DWORD kConnStatusSize = 160;
constexpr DWORD kDialParamsSize = 1052;
constexpr DWORD kEntryNameSize = 264;

std::mutex g_lock;

std::string EnvPath(const char* name) {
    char path[MAX_PATH] = {};
    const DWORD n = GetEnvironmentVariableA(name, path, sizeof(path));
    return (n > 0 && n < sizeof(path)) ? std::string(path, n) : std::string();
}

fakeras::State LoadState() {
    std::ifstream in(EnvPath("MAILWICK_FAKERAS_STATE"), std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return fakeras::State::parse(text.str());
}

void SaveState(const fakeras::State& state) {
    const std::string path = EnvPath("MAILWICK_FAKERAS_STATE");
    if (path.empty())
        return;
    std::ofstream(path, std::ios::binary | std::ios::trunc) << state.text();
}

void Log(const std::string& line) {
    const std::string path = EnvPath("MAILWICK_FAKERAS_LOG");
    if (!path.empty())
        std::ofstream(path, std::ios::binary | std::ios::app) << line << '\n';
}

std::uint32_t HandleValue(HRASCONN h) {
    return static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(h));
}

HRASCONN MakeHandle(std::uint32_t value) {
    return reinterpret_cast<HRASCONN>(static_cast<std::uintptr_t>(value));
}

const char* BookText(LPCSTR book) {
    return book ? book : "default";
}

template <std::size_t N>
void CopyField(CHAR (&field)[N], const std::string& text) {
    std::memset(field, 0, N);
    std::memcpy(field, text.data(), std::min(text.size(), N - 1));
}

template <std::size_t N>
std::string FieldText(const CHAR (&field)[N]) {
    return std::string(field, strnlen(field, N));
}

fakeras::Connection* FindConnection(fakeras::State& state, HRASCONN h) {
    for (fakeras::Connection& c : state.connections)
        if (c.handle == HandleValue(h))
            return &c;
    return nullptr;
}

}  // namespace

// Named apart from the declarations in <ras.h>; the .def exports them under the real names.
extern "C" {

DWORD WINAPI StandInRasEnumConnectionsA(ras::ConnA* connections, LPDWORD bytes, LPDWORD count) {
    std::lock_guard<std::mutex> lock(g_lock);
    std::ostringstream line;
    line << "RasEnumConnectionsA";
    if (!connections || !bytes || !count) {
        Log(line.str() + " -> " + std::to_string(ERROR_INVALID_PARAMETER));
        return ERROR_INVALID_PARAMETER;
    }
    line << " size=" << connections->dwSize << " bytes=" << *bytes;
    DWORD result = ERROR_SUCCESS;
    const fakeras::State state = LoadState();
    DWORD listed = 0;
    for (const fakeras::Connection& c : state.connections)
        listed += c.hungUp ? 0 : 1;
    const DWORD needed = listed * kConnSize;
    if (connections->dwSize != kConnSize || *bytes < kConnSize) {
        result = ERROR_INVALID_SIZE;
    } else if (*bytes < needed) {
        *bytes = needed;
        *count = listed;
        result = ERROR_BUFFER_TOO_SMALL;
    } else {
        DWORD i = 0;
        for (const fakeras::Connection& c : state.connections) {
            if (c.hungUp)
                continue;
            ras::ConnA& out = connections[i++];
            out.dwSize = kConnSize;
            out.hrasconn = MakeHandle(c.handle);
            CopyField(out.szEntryName, c.name);
            CopyField(out.szDeviceType, "modem");
            CopyField(out.szDeviceName, "Stand-in Modem");
        }
        *bytes = needed;
        *count = listed;
    }
    line << " -> " << result << " count=" << (result == ERROR_INVALID_SIZE ? 0 : listed);
    Log(line.str());
    return result;
}

DWORD WINAPI StandInRasGetConnectStatusA(HRASCONN h, ras::ConnStatusA* status) {
    std::lock_guard<std::mutex> lock(g_lock);
    std::ostringstream line;
    line << "RasGetConnectStatusA handle=" << HandleValue(h);
    if (!status) {
        Log(line.str() + " -> " + std::to_string(ERROR_INVALID_PARAMETER));
        return ERROR_INVALID_PARAMETER;
    }
    line << " size=" << status->dwSize;
    fakeras::State state = LoadState();
    fakeras::Connection* c = FindConnection(state, h);
    DWORD result = ERROR_SUCCESS;
    int reported = 0;
    if (status->dwSize != kConnStatusSize) {
        result = ERROR_INVALID_SIZE;
    } else if (!c) {
        result = ERROR_INVALID_HANDLE;
    } else if (c->hungUp) {
        if (c->queriesLeft == 0) {
            state.connections.erase(state.connections.begin() + (c - state.connections.data()));
            result = ERROR_INVALID_HANDLE;
        } else {
            if (c->queriesLeft > 0)
                --c->queriesLeft;
            reported = fakeras::kDisconnected;
        }
        SaveState(state);
    } else if (c->statusError != 0) {
        result = c->statusError;
    } else {
        reported = c->state;
    }
    if (result == ERROR_SUCCESS) {
        status->rasconnstate = static_cast<RASCONNSTATE>(reported);
        status->dwError = 0;
        CopyField(status->szDeviceType, "modem");
        CopyField(status->szDeviceName, "Stand-in Modem");
        line << " -> 0 state=" << reported;
    } else {
        line << " -> " << result;
    }
    Log(line.str());
    return result;
}

DWORD WINAPI StandInRasEnumEntriesA(LPCSTR reserved, LPCSTR book, ras::EntryNameA* entries,
                             LPDWORD bytes, LPDWORD count) {
    std::lock_guard<std::mutex> lock(g_lock);
    std::ostringstream line;
    line << "RasEnumEntriesA reserved=" << (reserved ? "set" : "null") << " book=" << BookText(book);
    if (!entries || !bytes || !count) {
        Log(line.str() + " -> " + std::to_string(ERROR_INVALID_PARAMETER));
        return ERROR_INVALID_PARAMETER;
    }
    line << " size=" << entries->dwSize << " bytes=" << *bytes;
    const fakeras::State state = LoadState();
    const DWORD n = static_cast<DWORD>(state.entries.size());
    const DWORD needed = n * kEntryNameSize;
    DWORD result = ERROR_SUCCESS;
    if (entries->dwSize != kEntryNameSize || *bytes < kEntryNameSize) {
        result = ERROR_INVALID_SIZE;
    } else if (*bytes < needed) {
        *bytes = needed;
        *count = n;
        result = ERROR_BUFFER_TOO_SMALL;
    } else {
        for (DWORD i = 0; i < n; ++i) {
            entries[i].dwSize = kEntryNameSize;
            CopyField(entries[i].szEntryName, state.entries[i].name);
        }
        *bytes = needed;
        *count = n;
    }
    line << " -> " << result << " count=" << (result == ERROR_INVALID_SIZE ? 0 : n);
    Log(line.str());
    return result;
}

DWORD WINAPI StandInRasGetEntryDialParamsA(LPCSTR book, ras::DialParamsA* params, LPBOOL passwordSaved) {
    std::lock_guard<std::mutex> lock(g_lock);
    std::ostringstream line;
    line << "RasGetEntryDialParamsA book=" << BookText(book);
    if (!params || !passwordSaved) {
        Log(line.str() + " -> " + std::to_string(ERROR_INVALID_PARAMETER));
        return ERROR_INVALID_PARAMETER;
    }
    line << " size=" << params->dwSize << " entry=" << FieldText(params->szEntryName)
         << " domain=" << FieldText(params->szDomain);
    const fakeras::State state = LoadState();
    DWORD result = ERROR_CANNOT_FIND_PHONEBOOK_ENTRY;
    if (params->dwSize != kDialParamsSize) {
        result = ERROR_INVALID_SIZE;
    } else {
        for (const fakeras::Entry& e : state.entries) {
            if (!RasEntryNamesEqual(e.name, FieldText(params->szEntryName)))
                continue;
            CopyField(params->szUserName, "user");
            CopyField(params->szPassword, e.passwordSaved ? "secret" : "");
            *passwordSaved = e.passwordSaved ? TRUE : FALSE;
            result = ERROR_SUCCESS;
            line << " -> 0 saved=" << (e.passwordSaved ? 1 : 0);
            break;
        }
    }
    if (result != ERROR_SUCCESS)
        line << " -> " << result;
    Log(line.str());
    return result;
}

DWORD WINAPI StandInRasDialA(LPRASDIALEXTENSIONS extensions, LPCSTR book, ras::DialParamsA* params,
                      DWORD notifierType, LPVOID notifier, LPHRASCONN handle) {
    std::lock_guard<std::mutex> lock(g_lock);
    std::ostringstream line;
    line << "RasDialA extensions=" << (extensions ? "set" : "null") << " book=" << BookText(book)
         << " notifier=" << (notifier ? "set" : "null");
    if (!params || !handle) {
        Log(line.str() + " -> " + std::to_string(ERROR_INVALID_PARAMETER));
        return ERROR_INVALID_PARAMETER;
    }
    (void)notifierType;  // ignored without a notifier, as by the service
    line << " size=" << params->dwSize << " entry=" << FieldText(params->szEntryName)
         << " user=" << FieldText(params->szUserName) << " password=" << FieldText(params->szPassword)
         << " domain=" << FieldText(params->szDomain);
    if (params->dwSize != kDialParamsSize) {
        Log(line.str() + " -> " + std::to_string(ERROR_INVALID_SIZE));
        return ERROR_INVALID_SIZE;
    }
    fakeras::State state = LoadState();
    const DWORD result = state.dialResult;
    if (result == ERROR_SUCCESS || state.handleOnFailedDial) {
        fakeras::Connection c;
        c.handle = state.nextHandle++;
        c.name = FieldText(params->szEntryName);
        c.state = result == ERROR_SUCCESS ? fakeras::kConnected : fakeras::kDisconnected;
        state.connections.push_back(c);
        SaveState(state);
        *handle = MakeHandle(c.handle);
        line << " -> " << result << " handle=" << c.handle;
    } else {
        line << " -> " << result;
    }
    Log(line.str());
    return result;
}

DWORD WINAPI StandInRasHangUpA(HRASCONN h) {
    std::lock_guard<std::mutex> lock(g_lock);
    std::ostringstream line;
    line << "RasHangUpA handle=" << HandleValue(h);
    fakeras::State state = LoadState();
    fakeras::Connection* c = FindConnection(state, h);
    DWORD result = ERROR_SUCCESS;
    if (!c) {
        result = ERROR_INVALID_HANDLE;
    } else if (state.hangUpResult != ERROR_SUCCESS) {
        result = state.hangUpResult;
    } else if (!c->hungUp) {
        c->hungUp = true;
        c->queriesLeft = state.queriesSurvivedAfterHangUp;
        SaveState(state);
    }
    line << " -> " << result;
    Log(line.str());
    return result;
}

}  // extern "C"
