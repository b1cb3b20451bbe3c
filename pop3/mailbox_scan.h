// One scan of the mailbox, as the check runs it: load the stored list, open the session,
// fetch the new headers, reconcile, announce the new mail, write the list back, QUIT.
#pragma once

#include <cstddef>
#include <functional>
#include <string>

#include "pop3/pop3_session.h"
#include "pop3/stored_list.h"

namespace pop3 {

struct ScanResult {
    int opened = 0;       // the session opened (logon and listing)
    int fetchedAll = 0;   // every new header was fetched
    int newCount = 0;     // messages reported as new
    int saved = 0;        // the list file was written
    int unchanged = 0;    // the session showed the messages the list holds: it was left as it was
    std::size_t listLength = 0;  // entries in the list afterwards
    TlsFailure securityFailure = TlsFailure::None;  // why a secure connection failed
};

// Called with the open session when there is new mail, before the list is saved; the
// new messages are those whose header the session holds.
using AnnounceNewMail = std::function<void(const POP3Session& session, int newCount)>;

// Called with the list once its file holds it (written, or already holding the same
// bytes), before QUIT: the new entries' headers still belong to the session.
using ListStored = std::function<void(const StoredMessageList& list)>;

// With kept, the ids the last scan left there stand for the file while it is as that scan
// left it; a scan that finds those very messages then reads and writes no file and calls
// neither announce nor stored. The list's ids go back to kept afterwards.
ScanResult scanMailbox(const std::string& listPath, const char* userName, const char* password,
                       const char* serverName, int security, int port, const AnnounceNewMail& announce,
                       const ListStored& stored = {}, KeptStoredList* kept = nullptr);

}  // namespace pop3
