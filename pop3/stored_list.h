// The messages seen at the last successful check: the content of the file "UIDL".
#pragma once

#include <cstdint>
#include <filesystem>
#include <iosfwd>
#include <list>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>

#include "pop3/file_stamp.h"
#include "pop3/header_list.h"

namespace pop3 {

inline constexpr char kStoredListFile[] = "UIDL";

struct StoredMessage {
    int newFlag = 0;
    int presentMark = 0;
    std::string uid;  // at most 119 characters
    int size = 0;
    std::unique_ptr<HeaderList> storedHeader;  // read from the file
    const HeaderList* newHeader = nullptr;     // owned by the session, this check only

    const HeaderList* header() const { return storedHeader ? storedHeader.get() : newHeader; }
};

class StoredMessageList {
public:
    StoredMessageList();
    ~StoredMessageList();
    StoredMessageList(const StoredMessageList&) = delete;
    StoredMessageList& operator=(const StoredMessageList&) = delete;

    // Appends the entries of a "UIDL" stream; a damaged record and all after it are
    // dropped, the entries before it kept.
    void loadStoredList(std::istream& in);
    // Writes the list in the file layout.
    void saveStoredList(std::ostream& out) const;
    // The same on bytes in memory: the whole file at once.
    void loadStoredBytes(std::string_view data);
    std::string storedBytes() const;
    // By file name. Loading a missing file leaves the list as it is. Saving writes a
    // temporary file beside it and replaces the old one only when complete, or, when the
    // file is held open by another program, writes it in place; 1 or 0. A complete
    // temporary file newer than the file (a save that could do neither) is loaded instead.
    void loadFile(const std::string& path);
    int saveFile(const std::string& path);
    // True while the list holds exactly what one load read from a whole, undamaged file,
    // or what the last save wrote, and nothing has changed since: saving it would write
    // the same bytes again.
    bool matchesFile() const;

    void clearPresentMarks();
    int markPresent(std::string_view uid);
    void removeUnmarked();
    void setNewFlag(std::size_t position, int value);
    StoredMessage& append(std::string_view uid, int flag);
    std::size_t length() const;
    int newFlagAt(std::size_t position) const;

    // Walking the entries in order.
    using const_iterator = std::list<StoredMessage>::const_iterator;
    const_iterator begin() const;
    const_iterator end() const;
    // Gives the entries whose header belongs to the session copies of their own, so that
    // the list can outlive the session. The copies are kept in the file form, as a load
    // keeps them (fetched fields take several times the room); saving gives the same bytes.
    void ownNewHeaders();

    // Lookups by id that the checker does not use.
    StoredMessage* find(std::string_view uid);
    int getNewFlag(std::string_view uid) const;
    int setNewFlag(std::string_view uid, int value);
    int remove(std::string_view uid);

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

// Held by every saveFile while it writes. A process that must end while a check may still
// run takes it and never gives it back, so it never ends halfway through a save.
std::mutex& listSaveLock();

// A list held between loads of the same file, as long as the file stays as it was left:
// the same size and write time, and no newer copy beside it (see loadFile). Checks that
// find nothing new then neither read nor parse the file they wrote themselves.
class KeptStoredList {
public:
    // The kept list if its file is still as it was when kept; otherwise none, and the
    // kept list is dropped. Either way nothing is kept afterwards.
    std::unique_ptr<StoredMessageList> take(const std::string& path);
    // Keeps a list that matches its file (matchesFile) and holds no header it does not
    // own; anything else is dropped.
    void keep(std::unique_ptr<StoredMessageList> list, const std::string& path);

private:
    using FileState = FileStamp;
    static bool stateOf(const std::string& path, FileState* state);

    std::mutex mutex_;
    std::unique_ptr<StoredMessageList> list_;
    std::string path_;
    FileState state_;
};

// Reconciles the stored list with an open session, after fetchNewHeaders: drops the
// messages that left the server, clears the old new flags and appends the new ones.
// Returns the number of new messages.
class POP3Session;
int reconcileStoredList(StoredMessageList& list, const POP3Session& session);

}  // namespace pop3
