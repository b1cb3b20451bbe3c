// Parsers for other mail programs' settings files: Netscape Navigator 4 and Thunderbird
// prefs.js, Thunderbird's profiles.ini and Eudora's "POPAccount". The files belong to
// other programs and may hold anything; every parser bounds its lines and never fails
// on content, it only finds nothing.
#pragma once

#include <cstddef>
#include <cstdint>
#include <istream>
#include <optional>
#include <string>
#include <string_view>

namespace mailwick {

// Netscape lines are read with a 1024-byte buffer.
inline constexpr std::size_t kNetscapeLineLimit = 1023;
// Thunderbird's files: longer lines are skipped whole rather than misread in pieces.
inline constexpr std::size_t kThunderbirdLineLimit = 4095;

// Splits a stream into lines at LF, dropping one CR before it. A line is cut at its first
// zero byte and after `limit` characters; the rest of a longer line is dropped, not
// returned as a line of its own.
class BoundedLineReader {
public:
    BoundedLineReader(std::istream& in, std::size_t limit) : in_(in), limit_(limit) {}
    // False at the end of the stream. `cut` tells whether the line was longer than allowed.
    bool Next(std::string& line, bool* cut = nullptr);

private:
    std::istream& in_;
    std::size_t limit_;
};

struct MailAccount {
    std::string server;
    std::string user;
    // Only a source that names its connection sets these: the "Security" value (0 none,
    // 1 STLS, 2 TLS) and a port, 0 for the usual port of that security.
    std::optional<int32_t> security;
    uint32_t port = 0;
};

// Each value found on its own; the last matching line wins.
struct NetscapePrefs {
    std::optional<std::string> server;  // "network.hosts.pop_server"
    std::optional<std::string> user;    // "mail.pop_name"
};

// A line naming the pref gives the text between the first double quote after the first
// comma that follows the name and the next double quote; a line without them is skipped.
NetscapePrefs ReadNetscapePrefs(std::istream& prefs);

// "user@host": the user name before the first "@", the server after it. Nothing when
// there is no "@" or either side is empty.
std::optional<MailAccount> SplitPopAccount(std::string_view popAccount);

struct ProfileRef {
    std::string path;  // as written, '/' or '\' separated
    bool relative = false;
};

// The default profile of profiles.ini: the Default= of the first [Install...] section
// that has one, else the [Profile...] section with Default=1.
std::optional<ProfileRef> FindDefaultProfile(std::istream& ini);

// The profile's folder: a relative path is taken under `baseDir`; '/' becomes '\'.
std::string ProfileFolder(std::string_view baseDir, const ProfileRef& profile);

// The default account's server (mail.accountmanager.defaultaccount, its
// mail.account.ID.server) when it is a POP3 one, else the lowest-numbered
// mail.server.serverN whose type is "pop3", gives its hostname and userName, and its
// socketType (0 none, 2 STARTTLS, 3 SSL/TLS; 0 when absent, none when unknown, so the
// security is left as it was) and port as security and port; nothing when that account
// lacks a hostname or user name or there is no POP3 account.
std::optional<MailAccount> FindThunderbirdPopAccount(std::istream& prefs);

}  // namespace mailwick
