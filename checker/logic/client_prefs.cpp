#include "checker/logic/client_prefs.h"

#include <map>
#include <utility>
#include <vector>

namespace mailwick {

namespace {

constexpr std::string_view kPopServerPref = "network.hosts.pop_server";
constexpr std::string_view kPopNamePref = "mail.pop_name";

std::string_view Trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    return s;
}

void SkipBlanks(std::string_view s, std::size_t& pos) {
    while (pos < s.size() && (s[pos] == ' ' || s[pos] == '\t')) ++pos;
}

// A prefs.js string literal starting at `pos` (its opening quote); backslash escapes the
// next character. Nothing when it does not close on this line.
std::optional<std::string> QuotedLiteral(std::string_view s, std::size_t& pos) {
    if (pos >= s.size() || s[pos] != '"') return std::nullopt;
    std::string text;
    for (std::size_t i = pos + 1; i < s.size(); ++i) {
        if (s[i] == '"') {
            pos = i + 1;
            return text;
        }
        if (s[i] == '\\' && i + 1 < s.size()) ++i;
        text += s[i];
    }
    return std::nullopt;
}

struct UserPrefLine {
    std::string name;
    std::string value;
    bool text = false;  // a quoted string rather than a number or a word
};

// user_pref("name", "value"); or user_pref("name", 3); else nothing.
std::optional<UserPrefLine> UserPref(std::string_view line) {
    constexpr std::string_view kCall = "user_pref(";
    line = Trim(line);
    if (line.substr(0, kCall.size()) != kCall) return std::nullopt;
    std::size_t pos = kCall.size();
    SkipBlanks(line, pos);
    auto name = QuotedLiteral(line, pos);
    if (!name) return std::nullopt;
    SkipBlanks(line, pos);
    if (pos >= line.size() || line[pos] != ',') return std::nullopt;
    ++pos;
    SkipBlanks(line, pos);
    UserPrefLine pref{std::move(*name), {}, pos < line.size() && line[pos] == '"'};
    if (pref.text) {
        auto value = QuotedLiteral(line, pos);
        if (!value) return std::nullopt;
        pref.value = std::move(*value);
    } else {
        const std::size_t end = line.find_first_of(" \t)", pos);
        if (end == pos || end == std::string_view::npos) return std::nullopt;
        pref.value = std::string(line.substr(pos, end - pos));
        pos = end;
    }
    SkipBlanks(line, pos);
    if (pos >= line.size() || line[pos] != ')') return std::nullopt;
    return pref;
}

// A plain decimal number of at most five digits.
std::optional<uint32_t> SmallNumber(std::string_view text) {
    if (text.empty() || text.size() > 5 || text.find_first_not_of("0123456789") != std::string_view::npos)
        return std::nullopt;
    uint32_t n = 0;
    for (char c : text) n = n * 10 + static_cast<uint32_t>(c - '0');
    return n;
}

// Thunderbird's socketType as our "Security". 1 is the old "STARTTLS if offered", which
// Thunderbird itself later turned into 2: STLS is asked for, never plaintext assumed.
std::optional<int32_t> SecurityOf(std::string_view socketType) {
    const auto n = SmallNumber(socketType);
    if (!n) return std::nullopt;
    switch (*n) {
        case 0: return 0;
        case 1:
        case 2: return 1;
        case 3: return 2;
        default: return std::nullopt;
    }
}

void TakeNetscapeValue(std::string_view line, std::string_view pref, std::optional<std::string>& out) {
    const std::size_t at = line.find(pref);
    if (at == std::string_view::npos) return;
    const std::size_t comma = line.find(',', at + pref.size());
    if (comma == std::string_view::npos) return;
    const std::size_t open = line.find('"', comma + 1);
    if (open == std::string_view::npos) return;
    const std::size_t close = line.find('"', open + 1);
    if (close == std::string_view::npos) return;
    out = std::string(line.substr(open + 1, close - open - 1));
}

bool LooksAbsolute(std::string_view path) {
    return (path.size() >= 2 && path[1] == ':') || (!path.empty() && (path[0] == '\\' || path[0] == '/'));
}

// Account numbers compare as numbers of any length: shorter digit strings are smaller.
struct NumericOrder {
    bool operator()(const std::string& a, const std::string& b) const {
        return a.size() != b.size() ? a.size() < b.size() : a < b;
    }
};

}  // namespace

bool BoundedLineReader::Next(std::string& line, bool* cut) {
    line.clear();
    bool longer = false, zero = false, any = false;
    std::streambuf* buf = in_.rdbuf();
    if (!buf) return false;
    for (;;) {
        const auto c = buf->sbumpc();
        if (c == std::char_traits<char>::eof()) break;
        any = true;
        if (c == '\n') break;
        if (c == '\0') zero = true;
        if (zero) continue;
        if (line.size() < limit_)
            line += static_cast<char>(c);
        else
            longer = true;
    }
    // A CR kept at the limit is not the line end's CR: only drop it when the line fitted.
    if (!longer && !line.empty() && line.back() == '\r') line.pop_back();
    if (cut) *cut = longer;
    return any;
}

NetscapePrefs ReadNetscapePrefs(std::istream& prefs) {
    NetscapePrefs found;
    BoundedLineReader reader(prefs, kNetscapeLineLimit);
    std::string line;
    while (reader.Next(line)) {
        TakeNetscapeValue(line, kPopServerPref, found.server);
        TakeNetscapeValue(line, kPopNamePref, found.user);
    }
    return found;
}

std::optional<MailAccount> SplitPopAccount(std::string_view popAccount) {
    const std::size_t at = popAccount.find('@');
    if (at == std::string_view::npos || at == 0 || at + 1 == popAccount.size()) return std::nullopt;
    return MailAccount{std::string(popAccount.substr(at + 1)), std::string(popAccount.substr(0, at)),
                       std::nullopt, 0};
}

std::optional<ProfileRef> FindDefaultProfile(std::istream& ini) {
    struct Profile {
        std::string path;
        std::optional<bool> relative;
        bool isDefault = false;
    };
    enum class Section { Other, Install, Profile } section = Section::Other;
    std::optional<std::string> installDefault;
    std::vector<Profile> profiles;

    BoundedLineReader reader(ini, kThunderbirdLineLimit);
    std::string text;
    bool cut = false;
    while (reader.Next(text, &cut)) {
        if (cut) continue;
        const std::string_view line = Trim(text);
        if (!line.empty() && line.front() == '[') {
            const std::string_view name = line.substr(1);
            if (name.substr(0, 7) == "Install") {
                section = Section::Install;
            } else if (name.substr(0, 7) == "Profile") {
                section = Section::Profile;
                profiles.emplace_back();
            } else {
                section = Section::Other;
            }
            continue;
        }
        const std::size_t eq = line.find('=');
        if (eq == std::string_view::npos) continue;
        const std::string_view key = Trim(line.substr(0, eq));
        const std::string_view value = Trim(line.substr(eq + 1));
        if (section == Section::Install && key == "Default" && !value.empty() && !installDefault) {
            installDefault = std::string(value);
        } else if (section == Section::Profile) {
            Profile& p = profiles.back();
            if (key == "Path") p.path = std::string(value);
            else if (key == "IsRelative") p.relative = value == "1";
            else if (key == "Default") p.isDefault = value == "1";
        }
    }

    const auto relativeOf = [](const Profile& p) { return p.relative.value_or(!LooksAbsolute(p.path)); };
    if (installDefault) {
        for (const auto& p : profiles)
            if (p.path == *installDefault) return ProfileRef{p.path, relativeOf(p)};
        return ProfileRef{*installDefault, !LooksAbsolute(*installDefault)};
    }
    for (const auto& p : profiles)
        if (p.isDefault && !p.path.empty()) return ProfileRef{p.path, relativeOf(p)};
    return std::nullopt;
}

std::string ProfileFolder(std::string_view baseDir, const ProfileRef& profile) {
    std::string path;
    if (profile.relative) {
        path = baseDir;
        if (!path.empty() && path.back() != '\\' && path.back() != '/') path += '\\';
    }
    path += profile.path;
    for (char& c : path)
        if (c == '/') c = '\\';
    return path;
}

namespace {

// The number N of the default account's "serverN", if the prefs name one.
std::optional<std::string> DefaultServerNumber(const std::optional<std::string>& defaultAccount,
                                               const std::map<std::string, std::string>& accountServers) {
    constexpr std::string_view kServerId = "server";
    if (!defaultAccount) return std::nullopt;
    const auto it = accountServers.find(*defaultAccount);
    if (it == accountServers.end()) return std::nullopt;
    const std::string_view id = it->second;
    if (id.size() <= kServerId.size() || id.compare(0, kServerId.size(), kServerId) != 0) return std::nullopt;
    const std::string_view number = id.substr(kServerId.size());
    if (number.find_first_not_of("0123456789") != std::string_view::npos) return std::nullopt;
    return std::string(number);
}

}  // namespace

std::optional<MailAccount> FindThunderbirdPopAccount(std::istream& prefs) {
    constexpr std::string_view kServer = "mail.server.server";
    struct Account {
        std::optional<std::string> type, host, user, socketType, port;
    };
    std::map<std::string, Account, NumericOrder> accounts;
    // mail.accountmanager.defaultaccount names an account, mail.account.ID.server its server.
    constexpr std::string_view kDefaultAccount = "mail.accountmanager.defaultaccount";
    constexpr std::string_view kAccount = "mail.account.";
    constexpr std::string_view kServerSuffix = ".server";
    std::optional<std::string> defaultAccount;
    std::map<std::string, std::string> accountServers;

    BoundedLineReader reader(prefs, kThunderbirdLineLimit);
    std::string line;
    bool cut = false;
    while (reader.Next(line, &cut)) {
        if (cut) continue;
        auto pref = UserPref(line);
        if (!pref) continue;
        if (pref->text && pref->name == kDefaultAccount) {
            defaultAccount = std::move(pref->value);
            continue;
        }
        const std::string_view name = pref->name;
        if (pref->text && name.size() > kAccount.size() + kServerSuffix.size() && name.starts_with(kAccount) &&
            name.ends_with(kServerSuffix)) {
            const std::string_view id = name.substr(kAccount.size(), name.size() - kAccount.size() - kServerSuffix.size());
            accountServers[std::string(id)] = std::move(pref->value);
            continue;
        }
        if (pref->name.compare(0, kServer.size(), kServer) != 0) continue;
        const std::string_view rest = std::string_view(pref->name).substr(kServer.size());
        const std::size_t dot = rest.find('.');
        if (dot == 0 || dot == std::string_view::npos ||
            rest.substr(0, dot).find_first_not_of("0123456789") != std::string_view::npos)
            continue;
        const std::string_view field = rest.substr(dot + 1);
        // Names are strings and numbers are numbers; anything else is not Thunderbird's.
        std::optional<std::string> Account::*member =
            pref->text ? (field == "type"       ? &Account::type
                          : field == "hostname" ? &Account::host
                          : field == "userName" ? &Account::user
                                                : nullptr)
                       : (field == "socketType" ? &Account::socketType
                          : field == "port"     ? &Account::port
                                                : nullptr);
        if (member) accounts[std::string(rest.substr(0, dot))].*member = std::move(pref->value);
    }
    const auto take = [](const Account& account) -> std::optional<MailAccount> {
        if (!account.host || account.host->empty() || !account.user || account.user->empty())
            return std::nullopt;
        // An account without socketType is plaintext, as in Thunderbird; one this reader
        // does not know leaves the security as it was rather than guess it down to none.
        MailAccount found{*account.host, *account.user, 0, 0};
        if (account.socketType) found.security = SecurityOf(*account.socketType);
        const auto port = account.port ? SmallNumber(*account.port) : std::nullopt;
        if (found.security && port && *port <= 65535) found.port = *port;
        return found;
    };
    if (const auto server = DefaultServerNumber(defaultAccount, accountServers)) {
        const auto it = accounts.find(*server);
        if (it != accounts.end() && it->second.type == "pop3") return take(it->second);
    }
    for (const auto& [number, account] : accounts) {
        if (account.type == "pop3") return take(account);
    }
    return std::nullopt;
}

}  // namespace mailwick
