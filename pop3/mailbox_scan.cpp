#include "pop3/mailbox_scan.h"

#include "pop3/stored_list.h"

namespace pop3 {

ScanResult scanMailbox(const std::string& listPath, const char* userName, const char* password,
                       const char* serverName, int security, int port, const AnnounceNewMail& announce,
                       const ListStored& stored) {
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

    // Saved before QUIT: the new entries' headers belong to the session. A check that
    // changed nothing would write the same bytes again.
    r.saved = list.matchesFile() ? 1 : list.saveFile(listPath);
    r.listLength = list.length();
    if (r.saved && stored) stored(list);
    session.close();
    return r;
}

}  // namespace pop3
