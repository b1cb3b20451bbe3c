#include "pop3/mailbox_scan.h"

#include <cstdint>
#include <exception>
#include <filesystem>
#include <memory>
#include <optional>
#include <system_error>
#include <thread>

#include "pop3/stored_list.h"

namespace pop3 {

namespace {

// A smaller list is read at once: starting a thread costs about as much as reading it.
constexpr std::uintmax_t kLoadOnThreadBytes = 1 << 20;

// Reads the stored list on a thread of its own while the caller logs on: with a large
// mailbox each takes a while, and neither needs the other. Without a thread to spare it
// reads the list at once.
class ListLoader {
public:
    ListLoader(StoredMessageList& list, const std::string& path) {
        std::error_code error;
        const std::uintmax_t size = std::filesystem::file_size(path, error);
        if (error || size < kLoadOnThreadBytes) {
            list.loadFile(path);
            return;
        }
        try {
            thread_ = std::thread([this, &list, &path] {
                try {
                    list.loadFile(path);
                } catch (...) {
                    failure_ = std::current_exception();
                }
            });
        } catch (const std::system_error&) {
            list.loadFile(path);
        }
    }
    ~ListLoader() {
        if (thread_.joinable()) thread_.join();
    }
    ListLoader(const ListLoader&) = delete;
    ListLoader& operator=(const ListLoader&) = delete;

    // Waits for the list; a failure of the load (out of memory) is the caller's.
    void wait() {
        if (thread_.joinable()) thread_.join();
        if (failure_) std::rethrow_exception(failure_);
    }

private:
    std::thread thread_;
    std::exception_ptr failure_;
};

}  // namespace

ScanResult scanMailbox(const std::string& listPath, const char* userName, const char* password,
                       const char* serverName, int security, int port, const AnnounceNewMail& announce,
                       const ListStored& stored, KeptStoredList* kept) {
    ScanResult r;
    // Ids kept from the last check stand for the file until the session shows a change;
    // without them the file is read while the session logs on.
    std::optional<StoredIds> ids = kept ? kept->take(listPath) : std::nullopt;
    auto list = std::make_unique<StoredMessageList>();
    std::optional<ListLoader> loader;
    if (!ids) loader.emplace(*list, listPath);
    POP3Session session;
    session.setSecurity(security);
    r.opened = session.open(userName, password, serverName, port);
    r.securityFailure = session.securityFailure();
    if (loader) loader->wait();
    if (!r.opened) {
        if (kept && ids) kept->keep(std::move(*ids), listPath);
        else if (kept) kept->keep(*list, listPath);
        return r;
    }
    if (ids) {
        if (ids->unchangedBy(session)) {
            r.fetchedAll = r.saved = r.unchanged = 1;
            r.listLength = ids->size();
            session.close();
            kept->keep(std::move(*ids), listPath);
            return r;
        }
        list->loadFile(listPath);  // as it was when the ids were kept
    }

    list->clearPresentMarks();
    r.fetchedAll = session.fetchNewHeaders(*list);
    r.newCount = reconcileStoredList(*list, session);
    if (r.newCount > 0 && announce) announce(session, r.newCount);

    // Saved before QUIT: the new entries' headers belong to the session. A check that
    // changed nothing would write the same bytes again.
    r.saved = list->matchesFile() ? 1 : list->saveFile(listPath);
    r.listLength = list->length();
    if (r.saved && stored) stored(*list);
    session.close();
    if (kept) kept->keep(*list, listPath);
    return r;
}

}  // namespace pop3
