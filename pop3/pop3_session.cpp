#include "pop3/pop3_session.h"

#include <algorithm>
#include <climits>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string_view>

namespace pop3 {

const Pop3Command pop3Commands[10] = {
    {CmdUSER, "USER", "USER %s", "", 1},
    {CmdPASS, "PASS", "PASS %s", "", 1},
    {CmdAPOP, "APOP", "APOP %s %s", "", 1},
    {CmdSTAT, "STAT", "STAT", "%d %d", 2},
    {CmdLIST, "LIST", "LIST", "", 2},
    {CmdTOP, "TOP", "TOP %d %d", "", 2},
    {CmdUIDL, "UIDL", "UIDL", "", 2},
    {CmdRETR, "RETR", "RETR %d", "", 2},
    {CmdDELE, "DELE", "DELE %d", "", 2},
    {CmdQUIT, "QUIT", "QUIT", "", 7},
};

namespace {

constexpr std::size_t kCommandBuffer = 1024;
// Entries are added as listing lines arrive, so a large STAT count costs memory only when
// the server really sends that many lines.
constexpr std::size_t kInitialEntries = 16384;

// The decimal number at the start of text, held to the range of int.
int leadingNumber(const char* text) {
    long long value = std::strtoll(text, nullptr, 10);
    return static_cast<int>(std::clamp<long long>(value, INT32_MIN, INT32_MAX));
}

// Scans a +OK line's text with a reply format of "%d" conversions and blanks, taking
// each number as the listing lines are taken: held to the range of int, so a count past
// 32 bits cannot overflow. Conversions without a number leave their argument as it was.
void scanReply(const char* text, const char* format, va_list args) {
    for (const char* f = format; *f; ++f) {
        if (*f == ' ') continue;
        if (f[0] != '%' || f[1] != 'd') return;
        ++f;
        int* target = va_arg(args, int*);
        while (*text == ' ' || *text == '\t') ++text;
        const char* digits = text + (*text == '-' || *text == '+');
        if (*digits < '0' || *digits > '9') return;
        *target = leadingNumber(text);
        text = digits;
        while (*text >= '0' && *text <= '9') ++text;
    }
}

// Judges a status line by its first character: 1 for "+", 0 for "-", -1 for anything else.
int statusSense(const std::string& line) {
    if (!line.empty() && line[0] == '+') return 1;
    if (!line.empty() && line[0] == '-') return 0;
    return -1;
}

// A CAPA reply longer than this is no capability list.
constexpr int kMaxCapabilityLines = 256;

// True for a capability line naming PIPELINING (capability names ignore case).
bool namesPipelining(std::string_view line) {
    return equalsIgnoringAsciiCase(line.substr(0, line.find(' ')), "PIPELINING");
}

}  // namespace

POP3Session::~POP3Session() { close(); }

int POP3Session::findCommand(int command, int* rowIndex) {
    for (int i = 0; i < 10; ++i) {
        if (pop3Commands[i].id == command) {
            if (rowIndex) *rowIndex = i;
            return 1;
        }
    }
    return 0;
}

int POP3Session::commandStateMask(int command) {
    int row;
    return findCommand(command, &row) ? pop3Commands[row].stateMask : 0;
}

int POP3Session::transaction(int command, int* ok, ...) {
    if (!connection_) return 0;
    int row;
    if (!findCommand(command, &row)) return 0;
    const Pop3Command& cmd = pop3Commands[row];

    // One argument list feeds the command line and then the reply scan.
    va_list args;
    va_start(args, ok);
    va_list forCommand;
    va_copy(forCommand, args);
    char line[kCommandBuffer];
    int length = std::vsnprintf(line, sizeof line, cmd.commandFormat, forCommand);
    va_end(forCommand);
    // A command that does not fit would go out cut short (a wrong password, say): refuse it.
    if (length < 0 || static_cast<std::size_t>(length) >= sizeof line) {
        va_end(args);
        return 0;
    }
    if (!connection_->sendLine(line)) {
        va_end(args);
        return 0;
    }
    std::optional<std::string> reply = connection_->readLine();
    int sense = reply ? statusSense(*reply) : -1;
    if (sense < 0) {
        va_end(args);
        return 0;
    }
    if (ok) *ok = sense;
    if (sense == 1 && cmd.replyFormat[0] != '\0') {
        std::size_t blank = reply->find(' ');
        const char* from = reply->c_str() + (blank == std::string::npos ? reply->size() : blank);
        scanReply(from, cmd.replyFormat, args);
    }
    va_end(args);
    return 1;
}

int POP3Session::getResponse(int* ok, std::string* line) {
    if (!connection_) return 0;
    std::optional<std::string> reply = connection_->readLine();
    if (!reply) return 0;
    int sense = statusSense(*reply);
    if (sense < 0) return 0;
    if (ok) *ok = sense;
    if (line) *line = std::move(*reply);
    return 1;
}

std::chrono::milliseconds sessionBound(int messageCount) {
    return sessionBoundAfterLines(2LL * std::max(messageCount, 0));
}

std::chrono::milliseconds sessionBoundAfterLines(long long listingLines) {
    const auto io = ioTimeout();
    return io * kSessionBoundFactor + io * std::max(listingLines, 0LL) / 2000;
}

int POP3Session::open(const char* userName, const char* password, const char* serverName, int port) {
    userName_ = userName;
    password_ = password;
    serverName_ = serverName;
    port_ = port;
    securityFailure_ = TlsFailure::None;
    connection_.reset();
    if (security_ != SecurityNone && security_ != SecuritySTLS && security_ != SecurityTLS) {
        securityFailure_ = TlsFailure::Unavailable;
        return 0;
    }
    connection_ = std::make_unique<LineConnection>();
    started_ = std::chrono::steady_clock::now();
    connection_->setDeadline(started_ + sessionBound(0));
    if (!connection_->connectTo(serverName, port)) {
        connection_.reset();
        return 0;
    }
    if (security_ == SecurityTLS && !secureConnection()) return 0;

    int ok = 0;
    std::string greeting;
    // An unreadable greeting leaves the connection for close() to end with QUIT.
    if (!getResponse(&ok, &greeting)) return 0;
    if (!ok) {
        connection_.reset();
        return 0;
    }

    if (security_ == SecuritySTLS) {
        // Never on in the clear once a secure mode is chosen: no STLS, no logon.
        if (!connection_->sendLine("STLS") || !getResponse(&ok, nullptr)) {
            securityFailure_ = TlsFailure::Handshake;
            connection_.reset();
            return 0;
        }
        if (!ok) {
            securityFailure_ = TlsFailure::NoStls;
            close();
            return 0;
        }
        if (!secureConnection()) return 0;
    }

    if (!(transaction(CmdUSER, &ok, userName) == 1 && ok == 1 &&
          transaction(CmdPASS, &ok, password) == 1 && ok == 1)) {
        close();
        return 0;
    }

    int octets = 0;
    if (transaction(CmdSTAT, &ok, &entryCount_, &octets) != 1) {
        connection_.reset();
        return 0;
    }
    if (!ok) return 0;  // the connection stays until close()

    if (!readListing()) {
        connection_.reset();
        return 0;
    }
    return 1;
}

bool POP3Session::secureConnection() {
    securityFailure_ = connection_->startTls(serverName_ ? serverName_ : "");
    if (securityFailure_ == TlsFailure::None) return true;
    connection_.reset();
    return false;
}

// Reads entryCount lines and the "." line after a LIST or UIDL reply; each line goes to
// take(i, line) and earns the session its share of time. A line without a blank after the
// message number fails the listing.
template <typename Take>
int POP3Session::readListingLines(int count, Take take) {
    for (int i = 0; i < count; ++i) {
        std::optional<std::string> line = connection_->readLine();
        if (!line) return 0;
        if (line->find(' ') == std::string::npos) return 0;
        if (!take(i, *line)) return 0;
        connection_->setDeadline(started_ + sessionBoundAfterLines(++listingLines_));
    }
    std::optional<std::string> dot = connection_->readLine();
    return dot && *dot == "." ? 1 : 0;
}

int POP3Session::readListing() {
    if (listed_ || !connection_) return 0;
    // A negative count or one no real mailbox reaches is not allocated.
    if (entryCount_ < 0 || entryCount_ > kMaxMailboxEntries) return 0;
    entries_.clear();
    entries_.reserve(std::min<std::size_t>(static_cast<std::size_t>(entryCount_), kInitialEntries));
    uids_.clear();
    listed_ = true;
    listingLines_ = 0;
    headerBytes_ = 0;

    int ok = 0;
    if (transaction(CmdLIST, &ok) != 1 || ok != 1) return 0;
    int listed = readListingLines(entryCount_, [this](int, const std::string& line) {
        MailboxEntry entry;
        entry.number = leadingNumber(line.c_str());
        entry.size = leadingNumber(line.c_str() + line.find(' '));
        entries_.push_back(std::move(entry));
        return true;
    });
    if (!listed) return 0;

    if (transaction(CmdUIDL, &ok) != 1) return 0;
    bool haveUidl = ok == 1;
    if (!haveUidl && (transaction(CmdLIST, &ok) != 1 || ok != 1)) return 0;
    return readListingLines(entryCount_, [this, haveUidl](int i, const std::string& line) {
        // Matched by position, whatever message number the line carries; kept to
        // kUidField - 1 characters.
        const std::size_t from = haveUidl ? line.find(' ') + 1 : 0;
        const std::string_view uid = std::string_view(line).substr(from, kUidField - 1);
        MailboxEntry& entry = entries_[static_cast<std::size_t>(i)];
        entry.uidAt = static_cast<std::uint32_t>(uids_.size());
        entry.uidLength = static_cast<std::uint32_t>(uid.size());
        uids_.append(uid);
        return true;
    });
}

std::string POP3Session::topCommand(int number) {
    int row = 0;
    findCommand(CmdTOP, &row);
    char line[kCommandBuffer];
    std::snprintf(line, sizeof line, pop3Commands[row].commandFormat, number, 0);
    return line;
}

// 1 with the header read, 0 for a refusal or a header past the session's total (the
// dialogue stays in step either way), -1 for a reply that
// broke off or passed the header bounds: the dialogue is then out of step, so the
// connection is dropped (no QUIT) and nothing more is read from it.
int POP3Session::readTopReply(std::unique_ptr<HeaderList>* header) {
    int ok = 0;
    if (!getResponse(&ok, nullptr)) {
        connection_.reset();
        return -1;
    }
    if (!ok) return 0;
    auto read = std::make_unique<HeaderList>();
    if (read->readHeaders(*connection_, ".") != 1) {
        connection_.reset();
        return -1;
    }
    // Read whole, so the dialogue stays in step, but not kept past the session's bound.
    const std::size_t size = read->storedSize();
    if (size > headerBudget_ - std::min(headerBytes_, headerBudget_)) return 0;
    headerBytes_ += size;
    *header = packHeader(std::move(read));
    return 1;
}

namespace {
// Past the heap's largest small block: each is memory of its own, given back when freed.
constexpr std::size_t kHeaderBlockBytes = 1 << 20;
}  // namespace

// Headers are kept in their stored form, several to a large block. Split into fields,
// 100,000 of them took a quarter of a gigabyte in millions of small blocks, and much of
// that stayed with the process after the session had freed it.
std::unique_ptr<HeaderList> POP3Session::packHeader(std::unique_ptr<HeaderList> header) {
    const std::size_t size = header->storedSize();
    if (!headerBlock_ || headerBlock_->capacity() - headerBlock_->size() < size) {
        headerBlock_ = std::make_shared<std::string>();
        headerBlock_->reserve(std::max(kHeaderBlockBytes, size));
    }
    std::size_t pos = headerBlock_->size();
    header->store(*headerBlock_);  // within the reserved room: the block never moves
    auto packed = std::make_unique<HeaderList>();
    if (!packed->load(std::shared_ptr<const std::string>(headerBlock_), pos)) return header;
    return packed;
}

int POP3Session::fetchHeader(int index) {
    if (index < 0 || static_cast<std::size_t>(index) >= entries_.size() || index >= entryCount_)
        return 0;
    MailboxEntry& entry = entries_[static_cast<std::size_t>(index)];
    entry.header.reset();
    if (!connection_ || !connection_->sendLine(topCommand(entry.number))) return 0;
    return readTopReply(&entry.header) == 1 ? 1 : 0;
}

// Asks for the server's capabilities: 1 when it lists PIPELINING, 0 when it does not or
// refuses CAPA, -1 when the reply broke off (the connection is then dropped).
int POP3Session::capaPipelining() {
    int ok = 0;
    if (!connection_->sendLine("CAPA") || !getResponse(&ok, nullptr)) {
        connection_.reset();
        return -1;
    }
    if (!ok) return 0;
    bool listed = false;
    for (int lines = 0;; ++lines) {
        std::optional<std::string> line = connection_->readLine();
        if (!line || lines > kMaxCapabilityLines) {
            connection_.reset();
            return -1;
        }
        if (*line == ".") return listed ? 1 : 0;
        if (namesPipelining(*line)) listed = true;
    }
}

// Fetches the headers of these entries as fetchHeader does, but with the TOP commands sent
// a window at a time: one round trip per window instead of one per message. A refused TOP
// ends the fetch as it would one at a time; the rest of its window is read and dropped so
// that QUIT still goes out in step. A broken reply drops the connection.
int POP3Session::fetchHeadersPipelined(const std::vector<int>& indices) {
    std::vector<std::string> commands;
    for (std::size_t from = 0; from < indices.size(); from += kPipelineWindow) {
        const std::size_t to = std::min(indices.size(), from + kPipelineWindow);
        commands.clear();
        for (std::size_t k = from; k < to; ++k) {
            MailboxEntry& entry = entries_[static_cast<std::size_t>(indices[k])];
            entry.header.reset();
            commands.push_back(topCommand(entry.number));
        }
        if (!connection_ || !connection_->sendLines(commands)) return 0;
        bool refused = false;
        for (std::size_t k = from; k < to; ++k) {
            std::unique_ptr<HeaderList> header;
            const int read = readTopReply(&header);
            if (read < 0) return 0;
            if (read == 0) refused = true;
            else if (!refused) entries_[static_cast<std::size_t>(indices[k])].header = std::move(header);
        }
        if (refused) return 0;
    }
    return 1;
}

int POP3Session::close() {
    if (connection_) {
        int ok = 0;
        transaction(CmdQUIT, &ok);
        connection_.reset();
    }
    entries_.clear();
    uids_.clear();
    listed_ = false;
    entryCount_ = 0;
    return 1;
}

int POP3Session::getUid(int index, char* dest) const {
    if (index < 0 || index >= entryCount_ || static_cast<std::size_t>(index) >= entries_.size())
        return 0;
    const MailboxEntry& entry = entries_[static_cast<std::size_t>(index)];
    if (entry.uidLength) std::memcpy(dest, uids_.data() + entry.uidAt, entry.uidLength);
    dest[entry.uidLength] = '\0';
    return 1;
}

int POP3Session::getSize(int index) const {
    if (index < 0 || index >= entryCount_ || static_cast<std::size_t>(index) >= entries_.size())
        return -1;
    return entries_[static_cast<std::size_t>(index)].size;
}

const HeaderList* POP3Session::getHeader(int index) const {
    if (index < 0 || index >= entryCount_ || static_cast<std::size_t>(index) >= entries_.size())
        return nullptr;
    return entries_[static_cast<std::size_t>(index)].header.get();
}

int POP3Session::login() {
    int ok = 0;
    if (transaction(CmdUSER, &ok, userName_ ? userName_ : "") != 1 || ok != 1) return 0;
    if (transaction(CmdPASS, &ok, password_ ? password_ : "") != 1 || ok != 1) return 0;
    return 1;
}

int POP3Session::fetchAllHeaders() {
    for (int i = 0; i < entryCount_ && static_cast<std::size_t>(i) < entries_.size(); ++i) {
        if (!fetchHeader(i)) return 0;
    }
    return 1;
}

int POP3Session::deleteMessage(int index) {
    if (index < 0 || index >= entryCount_ || static_cast<std::size_t>(index) >= entries_.size())
        return 0;
    int ok = 0;
    if (transaction(CmdDELE, &ok, entries_[static_cast<std::size_t>(index)].number) != 1) return 0;
    return ok == 1 ? 1 : 0;
}

int POP3Session::deleteAll() {
    for (const MailboxEntry& entry : entries_) {
        int ok = 0;
        transaction(CmdDELE, &ok, entry.number);
    }
    return 1;
}

int POP3Session::retrieveMessage(int index, std::vector<RetrievedMessage>& dest) {
    if (index < 0 || index >= entryCount_ || static_cast<std::size_t>(index) >= entries_.size())
        return 0;
    int ok = 0;
    if (transaction(CmdRETR, &ok, entries_[static_cast<std::size_t>(index)].number) != 1 || ok != 1)
        return 0;
    RetrievedMessage message;
    // The header ends at the first empty line, the body at the terminator line.
    if (message.header.readHeaders(*connection_, "") != 1) return 0;
    for (;;) {
        std::optional<std::string> line = connection_->readLine();
        if (!line) return 0;
        if (*line == ".") break;
        // Undo the server's dot-stuffing of body lines.
        if (line->size() > 1 && (*line)[0] == '.') line->erase(0, 1);
        message.body.push_back(std::move(*line));
    }
    dest.push_back(std::move(message));
    return 1;
}

}  // namespace pop3
