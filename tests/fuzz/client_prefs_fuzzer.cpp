// Arbitrary bytes as Netscape and Thunderbird prefs.js and as profiles.ini: the parsers
// must neither crash nor hand back text that no line of the input could have held.
#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>

#include "checker/logic/client_prefs.h"

namespace {

void checkNetscapeValue(const std::optional<std::string>& v) {
    if (v && (v->size() >= mailwick::kNetscapeLineLimit || v->find_first_of("\"\n") != std::string::npos ||
              v->find('\0') != std::string::npos))
        std::abort();
}

void checkAccountText(const std::string& s) {
    if (s.empty() || s.size() >= mailwick::kThunderbirdLineLimit || s.find('\n') != std::string::npos)
        std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);

    std::istringstream netscape(text);
    const auto prefs = mailwick::ReadNetscapePrefs(netscape);
    checkNetscapeValue(prefs.server);
    checkNetscapeValue(prefs.user);

    std::istringstream thunderbird(text);
    if (const auto account = mailwick::FindThunderbirdPopAccount(thunderbird)) {
        checkAccountText(account->server);
        checkAccountText(account->user);
        // An unknown socketType gives no security at all: the page keeps what it had.
        if ((account->security && (*account->security < 0 || *account->security > 2)) || account->port > 65535)
            std::abort();
    }

    std::istringstream ini(text);
    if (const auto profile = mailwick::FindDefaultProfile(ini)) {
        checkAccountText(profile->path);
        const std::string folder = mailwick::ProfileFolder("C:\\base", *profile);
        if (folder.find('/') != std::string::npos) std::abort();
    }

    if (const auto split = mailwick::SplitPopAccount(text)) {
        if (split->user.empty() || split->server.empty() || split->user.find('@') != std::string::npos)
            std::abort();
    }
    return 0;
}
