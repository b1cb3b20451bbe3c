#include "checker/autoconfig/mail_clients.h"

#include "checker/autoconfig/foreign_registry.h"
#include "common/registry.h"

namespace mailwick {

namespace {

constexpr char kClientsKey[] = "SOFTWARE\\Clients\\Mail";
constexpr char kNavigatorKey[] = "Software\\Netscape\\Netscape Navigator";
constexpr char kNetscapeAppPath[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\Netscape.exe";

bool NavigatorFourInstalled() {
    const auto version = ReadForeignText(HKEY_LOCAL_MACHINE, kNavigatorKey, "CurrentVersion", 100);
    return version && !version->empty() && version->front() == '4';
}

}  // namespace

std::vector<std::string> MailClientNames() {
    std::vector<std::string> names;
    if (const RegKey clients = OpenForeignKey(HKEY_LOCAL_MACHINE, kClientsKey)) {
        char name[kMailClientNameWidth + 1];
        for (DWORD index = 0; names.size() < kMaxMailClients; ++index) {
            DWORD length = sizeof name;
            if (RegEnumKeyExA(clients.Get(), index, name, &length, nullptr, nullptr, nullptr, nullptr) !=
                ERROR_SUCCESS)
                break;
            names.emplace_back(name, length);
        }
    }
    if (NavigatorFourInstalled())
        names.emplace_back(kNetscapeMessenger);
    else if (OpenForeignKey(HKEY_LOCAL_MACHINE, kNetscapeAppPath))
        names.emplace_back(kNetscapeMail);
    return names;
}

void FillMailClientList(HWND combo) {
    SendMessageA(combo, CB_RESETCONTENT, 0, 0);
    for (const auto& name : MailClientNames())
        SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name.c_str()));
}

std::string DefaultMailClient() {
    return ReadForeignTextCut(HKEY_LOCAL_MACHINE, kClientsKey, nullptr, kDefaultMailClientWidth);
}

std::string MailClientLaunchCommand(std::string_view name) {
    if (name == kNetscapeMessenger || name == kNetscapeMail) {
        std::string program =
            ReadForeignTextCut(HKEY_LOCAL_MACHINE, kNetscapeAppPath, nullptr, kLaunchCommandWidth);
        if (program.empty()) return {};
        return (program + " -mail").substr(0, kLaunchCommandWidth);
    }
    if (name.empty()) return {};
    const std::string key = std::string(kClientsKey) + "\\" + std::string(name) + "\\shell\\open\\command";
    return ReadForeignTextCut(HKEY_LOCAL_MACHINE, key.c_str(), nullptr, kLaunchCommandWidth);
}

}  // namespace mailwick
