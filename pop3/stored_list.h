// The messages seen at the last successful check: the content of the file "UIDL".
#pragma once

#include <cstdint>
#include <filesystem>
#include <iosfwd>
#include <list>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

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

class POP3Session;

// The ids of a list that matches its file, holds no new flag and no id twice: all a check
// needs to see, without reading the file, that the list would stay as it is. Held in a
// few large blocks, so a large list costs the waiting checker little memory.
class StoredIds {
public:
    // None when the list does not qualify.
    static std::optional<StoredIds> of(const StoredMessageList& list);
    std::size_t size() const { return starts_.empty() ? 0 : starts_.size() - 1; }
    // True when the session lists exactly these ids, each once: reconciling the list
    // with it would change nothing.
    bool unchangedBy(const POP3Session& session) const;

private:
    std::string_view id(std::size_t index) const;
    // The index of id, or size() when absent.
    std::size_t find(std::string_view id) const;

    std::string ids_;                    // every id, one after another
    std::vector<std::uint32_t> starts_;  // where each id starts, then the end
    std::vector<std::uint32_t> slots_;   // open addressing: index + 1, 0 when free
};

// The ids of the list the last check left, held between checks as long as the file stays
// as it was left: the same size and write time, and no newer copy beside it (see
// loadFile). A check that finds the same messages then neither reads nor writes the file.
class KeptStoredList {
public:
    // The kept ids if their file is still as it was when kept; otherwise none. Either
    // way nothing is kept afterwards.
    std::optional<StoredIds> take(const std::string& path);
    // Keeps the ids of a list that matches its file (see StoredIds::of); else nothing.
    void keep(const StoredMessageList& list, const std::string& path);
    // Gives back ids taken for a check that left the file as it was.
    void keep(StoredIds ids, const std::string& path);

private:
    using FileState = FileStamp;
    static bool stateOf(const std::string& path, FileState* state);

    std::mutex mutex_;
    std::optional<StoredIds> ids_;
    std::string path_;
    FileState state_;
};

// Reconciles the stored list with an open session, after fetchNewHeaders: drops the
// messages that left the server, clears the old new flags and appends the new ones.
// Returns the number of new messages.
int reconcileStoredList(StoredMessageList& list, const POP3Session& session);

}  // namespace pop3
