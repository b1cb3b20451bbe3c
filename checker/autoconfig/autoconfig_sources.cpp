#include "checker/autoconfig/autoconfig_sources.h"

#include <windows.h>

#include <filesystem>
#include <fstream>
#include <optional>

#include "checker/autoconfig/foreign_registry.h"
#include "checker/logic/client_prefs.h"

namespace mailwick {

namespace {

constexpr DWORD kValueBuffer = 255;

constexpr char kAccountManagerKey[] = "Software\\Microsoft\\Internet Account Manager";
constexpr char kInternetMailKey[] = "Software\\Microsoft\\Internet Mail and News\\Mail";
constexpr char kEudoraAppPath[] = "Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\Eudora.exe";
constexpr char kNavigatorUsersKey[] = "Software\\Netscape\\Netscape Navigator\\Users";
constexpr char kNavigatorMailKey[] = "Software\\Netscape\\Netscape Navigator\\Mail";
constexpr char kNavigatorServicesKey[] = "Software\\Netscape\\Netscape Navigator\\Services";

std::optional<std::string> Read(HKEY root, const std::string& subkey, const char* name,
                                DWORD buffer = kValueBuffer) {
    return ReadForeignText(root, subkey.c_str(), name, buffer);
}

std::optional<MailAccount> Both(const std::optional<std::string>& server,
                                const std::optional<std::string>& user) {
    if (!server || !user) return std::nullopt;
    return MailAccount{*server, *user, std::nullopt, 0};
}

std::optional<MailAccount> OutlookExpress() {
    const auto account = Read(HKEY_CURRENT_USER, kAccountManagerKey, "Default Mail Account");
    if (!account) return std::nullopt;
    const std::string key = std::string(kAccountManagerKey) + "\\Accounts\\" + *account;
    const auto server = Read(HKEY_CURRENT_USER, key, "POP3 Server");
    if (!server) return std::nullopt;
    return Both(server, Read(HKEY_CURRENT_USER, key, "POP3 User Name"));
}

std::optional<MailAccount> InternetMail() {
    const auto server = Read(HKEY_CURRENT_USER, kInternetMailKey, "Default POP3 Server");
    if (!server) return std::nullopt;
    const std::string key = std::string(kInternetMailKey) + "\\POP3\\" + *server;
    return Both(server, Read(HKEY_CURRENT_USER, key, "Account"));
}

std::optional<MailAccount> Eudora() {
    const auto dir = Read(HKEY_LOCAL_MACHINE, kEudoraAppPath, "Path", 1023);
    if (!dir) return std::nullopt;
    const std::string ini = *dir + "\\Eudora.ini";
    char value[256] = "";
    GetPrivateProfileStringA("Settings", "POPAccount", "", value, sizeof value, ini.c_str());
    return SplitPopAccount(value);
}

NetscapePrefs NetscapeMessenger() {
    const auto user = Read(HKEY_LOCAL_MACHINE, kNavigatorUsersKey, "CurrentUser");
    if (!user) return {};
    const auto dir = Read(HKEY_LOCAL_MACHINE, std::string(kNavigatorUsersKey) + "\\" + *user, "DirRoot", 260);
    if (!dir) return {};
    // Binary: a text-mode read would end at a stray Ctrl-Z.
    std::ifstream prefs(*dir + "\\prefs.js", std::ios::binary);
    if (!prefs) return {};
    return ReadNetscapePrefs(prefs);
}

std::optional<MailAccount> NetscapeMail() {
    const auto user = Read(HKEY_CURRENT_USER, kNavigatorMailKey, "POP Name");
    if (!user) return std::nullopt;
    return Both(Read(HKEY_CURRENT_USER, kNavigatorServicesKey, "POP_Server"), user);
}

std::wstring Widen(const std::string& text, UINT codePage) {
    const int n = MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(n, L'\0');
    if (n > 0) MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), wide.data(), n);
    return wide;
}

std::string Narrow(const std::wstring& text, UINT codePage) {
    const int n = WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                      nullptr, nullptr);
    std::string narrow(n, '\0');
    if (n > 0)
        WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()), narrow.data(), n,
                            nullptr, nullptr);
    return narrow;
}

// Thunderbird keeps its files in UTF-8 and under %APPDATA%\Thunderbird; the paths are opened
// in UTF-16 so that a profile folder outside the ANSI code page still opens.
std::optional<MailAccount> Thunderbird() {
    wchar_t appData[MAX_PATH];
    const DWORD n = GetEnvironmentVariableW(L"APPDATA", appData, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return std::nullopt;
    const std::wstring base = std::wstring(appData, n) + L"\\Thunderbird";
    std::ifstream ini(std::filesystem::path(base + L"\\profiles.ini"), std::ios::binary);
    if (!ini) return std::nullopt;
    const auto profile = FindDefaultProfile(ini);
    if (!profile) return std::nullopt;
    const std::string folder = ProfileFolder(Narrow(base, CP_UTF8), *profile);
    std::ifstream prefs(std::filesystem::path(Widen(folder, CP_UTF8) + L"\\prefs.js"), std::ios::binary);
    if (!prefs) return std::nullopt;
    auto account = FindThunderbirdPopAccount(prefs);
    if (!account) return std::nullopt;
    account->server = Narrow(Widen(account->server, CP_UTF8), CP_ACP);
    account->user = Narrow(Widen(account->user, CP_UTF8), CP_ACP);
    return account;
}

bool BeginsWith(std::string_view name, std::string_view prefix) {
    return name.substr(0, prefix.size()) == prefix;
}

}  // namespace

MailAccount FindMailAccount(std::string_view clientName) {
    MailAccount found;
    const auto take = [&found](const std::optional<MailAccount>& account) {
        if (!account) return;
        found.server = account->server.substr(0, kAutoconfigServerWidth);
        found.user = account->user.substr(0, kAutoconfigUserWidth);
        found.security = account->security;
        found.port = account->port;
    };
    if (BeginsWith(clientName, "Outlook Express")) take(OutlookExpress());
    if (BeginsWith(clientName, "Internet Mail")) take(InternetMail());
    if (BeginsWith(clientName, "Eudora")) take(Eudora());
    if (BeginsWith(clientName, "Netscape")) {
        // Navigator 4's profile sets each value it has on its own.
        const NetscapePrefs prefs = NetscapeMessenger();
        if (prefs.server) found.server = prefs.server->substr(0, kAutoconfigServerWidth);
        if (prefs.user) found.user = prefs.user->substr(0, kAutoconfigUserWidth);
        take(NetscapeMail());
    }
    if (BeginsWith(clientName, "Mozilla Thunderbird")) take(Thunderbird());
    return found;
}

}  // namespace mailwick
