// One POP3 dialogue (RFC 1939) over a LineConnection.
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "pop3/header_list.h"
#include "pop3/line_connection.h"

namespace pop3 {

class StoredMessageList;

enum POP3CMD : std::uint8_t {
    CmdUSER = 1,
    CmdPASS = 2,
    CmdAPOP = 3,
    CmdSTAT = 4,
    CmdLIST = 5,
    CmdTOP = 6,
    CmdUIDL = 7,
    CmdRETR = 8,
    CmdDELE = 9,
    CmdQUIT = 10,
};

struct Pop3Command {
    std::uint8_t id;
    char word[5];
    char commandFormat[32];
    char replyFormat[32];
    std::uint8_t stateMask;  // 1 authorization, 2 transaction, 7 any
};
extern const Pop3Command pop3Commands[10];

inline constexpr int kUidField = 120;  // unique id field, terminator included

// How the session protects its connection: in the clear, TLS after STLS on the plain
// port, or TLS from the first byte.
enum SecurityMode : int { SecurityNone = 0, SecuritySTLS = 1, SecurityTLS = 2 };

// The usual ports of each mode.
inline constexpr int DefaultPort(int security) { return security == SecurityTLS ? 995 : 110; }

// STAT counts above this are not a real mailbox; open fails instead of allocating.
inline constexpr int kMaxMailboxEntries = 10'000'000;

// How long one session may take from the name lookup to its end: a few I/O bounds for
// logging on and listing, plus an allowance per listing line received (which pays for the
// header fetches too). The allowance grows with what arrives, not with what STAT claims,
// so a server that claims a huge mailbox and then trickles cannot keep a check running.
inline constexpr int kSessionBoundFactor = 3;
std::chrono::milliseconds sessionBound(int messageCount);
// The bound after this many listing lines (LIST and UIDL: two per message).
std::chrono::milliseconds sessionBoundAfterLines(long long listingLines);

// A header fetch of at least this many new messages first asks the server (CAPA) whether
// it takes commands in batches; a smaller one keeps the plain dialogue.
inline constexpr std::size_t kPipelineThreshold = 16;
// TOP commands outstanding at once with a server that lists PIPELINING: each window goes
// out in one write and its replies are read in order. Each window still costs a wait of
// its own, large under some socket layers, so windows are wide; 128 commands are about
// 1.5 KB, far below any transport window.
inline constexpr std::size_t kPipelineWindow = 128;

// Bound on the headers one session keeps, in their stored form: each is bounded, but ten
// thousand large ones would fill memory and the list file at every check. Past it a
// fetch fails as a refused TOP does.
inline constexpr std::size_t kMaxSessionHeaderBytes = 64u << 20;

struct MailboxEntry {
    std::unique_ptr<HeaderList> header;  // none until fetched in this session
    int number = 0;
    int size = 0;
    // The unique id, at most kUidField - 1 characters, within the session's id text: one
    // buffer for all ids keeps a large listing small.
    std::uint32_t uidAt = 0;
    std::uint32_t uidLength = 0;
};

// A message fetched whole with RETR.
struct RetrievedMessage {
    HeaderList header;
    std::vector<std::string> body;
};

class POP3Session {
public:
    POP3Session() = default;
    ~POP3Session();
    POP3Session(const POP3Session&) = delete;
    POP3Session& operator=(const POP3Session&) = delete;

    // Sends one command with printf arguments and reads its status line; scans the +OK
    // line with the command's reply format into the same arguments. 1 when a line
    // starting with "+" or "-" came back (*ok says which), else 0.
    int transaction(int command, int* ok, ...);
    // Reads one status line without sending; the line is handed back either way.
    int getResponse(int* ok, std::string* line);

    // The mode for the next open(); any other value than the three fails open().
    void setSecurity(int mode) { security_ = mode; }
    // Why the last open() could not secure its connection (None when it did not try or did).
    TlsFailure securityFailure() const { return securityFailure_; }

    int open(const char* userName, const char* password, const char* serverName, int port);
    int close();
    int fetchHeader(int index);
    // Fetches the headers the stored list does not know, marking the known ones present.
    int fetchNewHeaders(StoredMessageList& storedList);

    int getCount() const { return entryCount_; }
    int getUid(int index, char* dest) const;  // dest holds kUidField characters
    int getSize(int index) const;
    const HeaderList* getHeader(int index) const;

    static int findCommand(int command, int* rowIndex);
    static int commandStateMask(int command);

    // Operations the check does not use.
    int login();
    int fetchAllHeaders();
    int deleteMessage(int index);
    int deleteAll();
    int retrieveMessage(int index, std::vector<RetrievedMessage>& dest);
    int dumpMessage(int index) const;
    // Tests use a smaller bound than kMaxSessionHeaderBytes.
    void setHeaderBudget(std::size_t bytes) { headerBudget_ = bytes; }

private:
    int readListing();
    template <typename Take>
    int readListingLines(int count, Take take);
    bool secureConnection();
    int capaPipelining();
    int fetchHeadersPipelined(const std::vector<int>& indices);
    static std::string topCommand(int number);
    int readTopReply(std::unique_ptr<HeaderList>* header);
    std::unique_ptr<HeaderList> packHeader(std::unique_ptr<HeaderList> header);

    std::unique_ptr<LineConnection> connection_;
    const char* userName_ = nullptr;
    const char* password_ = nullptr;
    const char* serverName_ = nullptr;
    int port_ = 0;
    int security_ = SecurityNone;
    TlsFailure securityFailure_ = TlsFailure::None;
    std::vector<MailboxEntry> entries_;
    std::string uids_;  // the entries' ids, one after another
    std::shared_ptr<std::string> headerBlock_;  // the headers' stored forms, being filled
    bool listed_ = false;  // entries exist (an empty mailbox lists zero entries)
    int entryCount_ = 0;
    long long listingLines_ = 0;
    std::size_t headerBudget_ = kMaxSessionHeaderBytes;
    std::size_t headerBytes_ = 0;  // kept by this session's header fetches, against headerBudget_
    Deadline started_{};
};

}  // namespace pop3
