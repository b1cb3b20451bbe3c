#include "pop3/mailbox_scan.h"

#include "pop3/stored_list.h"

namespace pop3 {

ScanResult scanMailbox(const std::string& listPath, const char* userName, const char* password,
                       const char* serverName, int security, int port, const AnnounceNewMail& announce) {
    ScanResult r;
    StoredMessageList list;
    list.loadFile(listPath);
    POP3Session session;
    session.setSecurity(security);
    r.opened = session.open(userName, password, serverName, port);
    r.securityFailure = session.securityFailure();
    if (!r.opened) return r;

    list.clearPresentMarks();
    r.fetchedAll = session.fetchNewHeaders(list);
    r.newCount = reconcileStoredList(list, session);
    if (r.newCount > 0 && announce) announce(session, r.newCount);

    // Saved before QUIT: the new entries' headers belong to the session.
    r.saved = list.saveFile(listPath);
    r.listLength = list.length();
    session.close();
    return r;
}

}  // namespace pop3
