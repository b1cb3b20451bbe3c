#include "pop3/stored_list.h"

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <thread>
#include <unordered_map>
#include <vector>

#include "pop3/pop3_session.h"
#include "pop3/wire_format.h"

namespace pop3 {

namespace {

// Ids are kept in a field of kUidField characters with its terminator.
constexpr std::size_t kMaxUid = kUidField - 1;

std::string_view boundedUid(std::string_view uid) { return uid.substr(0, kMaxUid); }

}  // namespace

// Entries live in a std::list so that references handed out by append stay valid.
// Two indexes are built lazily and dropped whenever an entry is removed: one by id
// (the first entry with an id), one by position. A check touches every entry a constant
// number of times, so it costs O(n) even for a mailbox of 100,000 messages.
struct StoredMessageList::Impl {
    std::list<StoredMessage> entries;
    std::unordered_map<std::string_view, StoredMessage*> byUid;
    std::vector<StoredMessage*> byPosition;
    bool uidIndexValid = true;
    bool positionIndexValid = true;
    bool matchesFile = false;

    void invalidate() {
        uidIndexValid = false;
        positionIndexValid = false;
        byUid.clear();
        byPosition.clear();
    }

    StoredMessage* firstWithUid(std::string_view uid) {
        if (!uidIndexValid) {
            byUid.reserve(entries.size());
            for (StoredMessage& e : entries) byUid.try_emplace(e.uid, &e);
            uidIndexValid = true;
        }
        auto it = byUid.find(uid);
        return it == byUid.end() ? nullptr : it->second;
    }

    StoredMessage* at(std::size_t position) {
        if (!positionIndexValid) {
            byPosition.reserve(entries.size());
            for (StoredMessage& e : entries) byPosition.push_back(&e);
            positionIndexValid = true;
        }
        return position < byPosition.size() ? byPosition[position] : nullptr;
    }

    StoredMessage& add(StoredMessage entry) {
        StoredMessage& e = entries.emplace_back(std::move(entry));
        if (uidIndexValid) byUid.try_emplace(e.uid, &e);
        if (positionIndexValid) byPosition.push_back(&e);
        return e;
    }

    // One record of the file; false when it is damaged or cut short.
    bool readRecord(wire::Reader& in, const std::shared_ptr<const std::string>& file,
                    StoredMessage& entry) {
        std::string_view uid;
        std::int32_t flag = 0, size = 0;
        if (!in.getText(uid, kMaxUid) || !in.getInt(flag) || !in.getInt(size)) return false;
        entry.uid.assign(uid);
        entry.newFlag = flag;
        entry.size = size;
        entry.storedHeader = std::make_unique<HeaderList>();
        std::size_t pos = in.position();
        if (!entry.storedHeader->load(file, pos)) return false;
        in = wire::Reader(*file, pos);
        return true;
    }

    // True when the file held exactly its records, no less and nothing after them.
    bool load(const std::shared_ptr<const std::string>& file) {
        const bool wasEmpty = entries.empty();
        matchesFile = false;
        wire::Reader in(*file, 0);
        std::int32_t count = 0;
        if (!in.getInt(count)) return false;
        // A damaged record ends the load: what came before it is sound, what follows
        // cannot be found again. A count larger than the records present is just cut short.
        bool verbatim = true;
        for (std::int32_t i = 0; i < count; ++i) {
            StoredMessage entry;
            if (!readRecord(in, file, entry)) return false;
            verbatim = verbatim && entry.storedHeader->storesAsLoaded();
            add(std::move(entry));
        }
        const bool whole = count >= 0 && in.position() == file->size();
        matchesFile = wasEmpty && verbatim && whole;
        return whole;
    }

    // Writes the file form in pieces of about a megabyte, so a large list needs no
    // second copy of itself in memory.
    template <class Sink>
    void write(Sink&& sink) const {
        constexpr std::size_t kPiece = 1 << 20;
        static const HeaderList kNoHeader;
        std::string out;
        out.reserve(kPiece + 4096);
        wire::putInt(out, std::int32_t(entries.size()));
        for (const StoredMessage& e : entries) {
            wire::putText(out, e.uid);
            wire::putInt(out, e.newFlag);
            wire::putInt(out, e.size);
            const HeaderList* header = e.header();
            (header ? *header : kNoHeader).store(out);
            if (out.size() >= kPiece) {
                sink(std::string_view(out));
                out.clear();
            }
        }
        sink(std::string_view(out));
    }
};

StoredMessageList::StoredMessageList() : impl_(std::make_unique<Impl>()) {}
StoredMessageList::~StoredMessageList() = default;

void StoredMessageList::loadStoredBytes(std::string_view data) {
    impl_->load(std::make_shared<const std::string>(data));
}

void StoredMessageList::loadStoredList(std::istream& in) {
    impl_->load(std::make_shared<const std::string>(std::istreambuf_iterator<char>(in),
                                                    std::istreambuf_iterator<char>()));
}

std::string StoredMessageList::storedBytes() const {
    std::string out;
    impl_->write([&out](std::string_view piece) { out.append(piece); });
    return out;
}

void StoredMessageList::saveStoredList(std::ostream& out) const {
    impl_->write([&out](std::string_view piece) {
        out.write(piece.data(), std::streamsize(piece.size()));
    });
}

namespace {

constexpr char kTemporarySuffix[] = ".new";
// How often, and how far apart, a replace held up by another program is tried again.
constexpr int kReplaceAttempts = 10;
constexpr auto kReplacePause = std::chrono::milliseconds(100);

std::shared_ptr<std::string> readWholeFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return nullptr;
    in.seekg(0, std::ios::end);
    std::streamoff length = in.tellg();
    in.seekg(0, std::ios::beg);
    if (length <= 0) return nullptr;
    auto data = std::make_shared<std::string>(std::size_t(length), '\0');
    in.read(data->data(), length);
    data->resize(std::size_t(in.gcount()));
    return data;
}

// Copies the temporary file's bytes over the file itself, for when the file cannot be
// replaced but can be written.
bool copyInPlace(const std::string& from, const std::string& to) {
    std::ifstream in(from, std::ios::binary);
    if (!in) return false;
    std::ofstream out(to, std::ios::binary | std::ios::trunc);
    if (!out) return false;
    out << in.rdbuf();
    out.close();
    return !in.bad() && static_cast<bool>(out);
}

}  // namespace

bool StoredMessageList::matchesFile() const { return impl_->matchesFile; }

void StoredMessageList::loadFile(const std::string& path) {
    // A complete copy left beside the file by a save that could not put it in place is
    // the newer list; a partial one (a save in progress) is ignored.
    const std::string temporary = path + kTemporarySuffix;
    std::error_code error;
    if (std::filesystem::exists(temporary, error)) {
        auto newer = std::filesystem::last_write_time(temporary, error);
        auto older = std::filesystem::last_write_time(path, error);
        if (error || newer >= older) {
            if (auto data = readWholeFile(temporary)) {
                Impl copy;
                if (copy.load(data)) {
                    for (StoredMessage& e : copy.entries) impl_->add(std::move(e));
                    impl_->matchesFile = false;  // the file itself still holds the older list
                    return;
                }
            }
        }
    }
    if (auto data = readWholeFile(path)) impl_->load(data);
}

std::mutex& listSaveLock() {
    static std::mutex lock;
    return lock;
}

int StoredMessageList::saveFile(const std::string& path) {
    std::lock_guard<std::mutex> saving(listSaveLock());
    // Written beside the old file and moved over it only when complete, so a reader (the
    // mail list window) or the next check never meets half a list. filesystem::rename
    // replaces an existing target on Windows as well as on POSIX systems.
    const std::string temporary = path + kTemporarySuffix;
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        if (!out) return 0;
        saveStoredList(out);
        out.close();
        if (!out) {
            std::remove(temporary.c_str());
            return 0;
        }
    }
    // Another program (a virus scanner, a backup tool) holding the file open makes the
    // replace fail for a while: try again briefly, then write the file in place. If that
    // fails too, the complete copy stays beside the file for the next load.
    bool replaced = false;
    for (int attempt = 1;; ++attempt) {
        std::error_code error;
        std::filesystem::rename(temporary, path, error);
        replaced = !error;
        if (replaced || attempt == kReplaceAttempts) break;
        std::this_thread::sleep_for(kReplacePause);
    }
    if (!replaced) {
        if (!copyInPlace(temporary, path)) return 0;
        std::remove(temporary.c_str());
    }
    impl_->matchesFile = true;
    return 1;
}

bool KeptStoredList::stateOf(const std::string& path, FileState* state) {
    if (!readFileStamp(path, state)) return false;
    std::error_code error;
    // A copy beside the file may be what the next load reads instead.
    return !std::filesystem::exists(path + kTemporarySuffix, error) && !error;
}

namespace {

// FNV-1a: ids are short, and the table is built once per kept list.
std::uint32_t idHash(std::string_view id) {
    std::uint32_t h = 2166136261u;
    for (unsigned char c : id) h = (h ^ c) * 16777619u;
    return h;
}

}  // namespace

std::optional<StoredIds> StoredIds::of(const StoredMessageList& list) {
    if (!list.matchesFile()) return std::nullopt;
    StoredIds ids;
    std::size_t bytes = 0;
    for (const StoredMessage& e : list) {
        if (e.newFlag != 0) return std::nullopt;  // the next check clears it and saves
        bytes += e.uid.size();
    }
    if (bytes > UINT32_MAX) return std::nullopt;
    ids.ids_.reserve(bytes);
    ids.starts_.reserve(list.length() + 1);
    for (const StoredMessage& e : list) {
        ids.starts_.push_back(static_cast<std::uint32_t>(ids.ids_.size()));
        ids.ids_ += e.uid;
    }
    ids.starts_.push_back(static_cast<std::uint32_t>(ids.ids_.size()));
    std::size_t slots = 16;
    while (slots < 2 * ids.size()) slots *= 2;
    ids.slots_.assign(slots, 0);
    for (std::size_t i = 0; i < ids.size(); ++i) {
        const std::string_view id = ids.id(i);
        std::size_t slot = idHash(id) & (slots - 1);
        for (; ids.slots_[slot]; slot = (slot + 1) & (slots - 1)) {
            if (ids.id(ids.slots_[slot] - 1) == id) return std::nullopt;  // the next check drops the second
        }
        ids.slots_[slot] = static_cast<std::uint32_t>(i + 1);
    }
    return ids;
}

std::string_view StoredIds::id(std::size_t index) const {
    return std::string_view(ids_).substr(starts_[index], starts_[index + 1] - starts_[index]);
}

std::size_t StoredIds::find(std::string_view wanted) const {
    const std::size_t mask = slots_.size() - 1;
    for (std::size_t slot = idHash(wanted) & mask; slots_[slot]; slot = (slot + 1) & mask) {
        if (id(slots_[slot] - 1) == wanted) return slots_[slot] - 1;
    }
    return size();
}

bool StoredIds::unchangedBy(const POP3Session& session) const {
    if (static_cast<std::size_t>(session.getCount()) != size()) return false;
    std::vector<bool> seen(size());
    char uid[kUidField];
    for (int i = 0; i < session.getCount(); ++i) {
        if (!session.getUid(i, uid)) return false;
        const std::size_t index = find(boundedUid(uid));
        if (index == size() || seen[index]) return false;
        seen[index] = true;
    }
    return true;
}

std::optional<StoredIds> KeptStoredList::take(const std::string& path) {
    std::lock_guard<std::mutex> lock(mutex_);
    std::optional<StoredIds> ids = std::move(ids_);
    ids_.reset();
    FileState now;
    if (!ids || path != path_ || !stateOf(path, &now) || !(now == state_)) return std::nullopt;
    return ids;
}

void KeptStoredList::keep(const StoredMessageList& list, const std::string& path) {
    std::optional<StoredIds> ids = StoredIds::of(list);
    if (ids) {
        keep(std::move(*ids), path);
    } else {
        std::lock_guard<std::mutex> lock(mutex_);
        ids_.reset();
    }
}

void KeptStoredList::keep(StoredIds ids, const std::string& path) {
    FileState now;
    const bool sound = stateOf(path, &now);
    std::lock_guard<std::mutex> lock(mutex_);
    if (!sound) {
        ids_.reset();
        return;
    }
    ids_ = std::move(ids);
    path_ = path;
    state_ = now;
}

void StoredMessageList::clearPresentMarks() {
    for (StoredMessage& e : impl_->entries) e.presentMark = 0;
}

int StoredMessageList::markPresent(std::string_view uid) {
    StoredMessage* e = impl_->firstWithUid(uid);
    if (!e) return 0;
    e->presentMark = 1;
    return 1;
}

void StoredMessageList::removeUnmarked() {
    std::size_t before = impl_->entries.size();
    impl_->entries.remove_if([](const StoredMessage& e) { return e.presentMark == 0; });
    if (impl_->entries.size() != before) {
        impl_->invalidate();
        impl_->matchesFile = false;
    }
}

void StoredMessageList::setNewFlag(std::size_t position, int value) {
    StoredMessage* e = impl_->at(position);
    if (!e || e->newFlag == value) return;
    e->newFlag = value;
    impl_->matchesFile = false;
}

StoredMessage& StoredMessageList::append(std::string_view uid, int flag) {
    StoredMessage entry;
    entry.uid.assign(boundedUid(uid));
    entry.newFlag = flag;
    impl_->matchesFile = false;
    return impl_->add(std::move(entry));
}

std::size_t StoredMessageList::length() const { return impl_->entries.size(); }

int StoredMessageList::newFlagAt(std::size_t position) const {
    const StoredMessage* e = impl_->at(position);
    return e ? e->newFlag : 0;
}

StoredMessageList::const_iterator StoredMessageList::begin() const { return impl_->entries.begin(); }
StoredMessageList::const_iterator StoredMessageList::end() const { return impl_->entries.end(); }

StoredMessage* StoredMessageList::find(std::string_view uid) {
    impl_->matchesFile = false;  // the caller may change the entry
    return impl_->firstWithUid(uid);
}

int StoredMessageList::getNewFlag(std::string_view uid) const {
    const StoredMessage* e = impl_->firstWithUid(uid);
    return e ? e->newFlag : 0;
}

int StoredMessageList::setNewFlag(std::string_view uid, int value) {
    StoredMessage* e = impl_->firstWithUid(uid);
    if (!e) return 0;
    if (e->newFlag != value) impl_->matchesFile = false;
    e->newFlag = value;
    return 1;
}

int StoredMessageList::remove(std::string_view uid) {
    StoredMessage* e = impl_->firstWithUid(uid);
    if (!e) return 0;
    impl_->entries.remove_if([e](const StoredMessage& x) { return &x == e; });
    impl_->invalidate();
    impl_->matchesFile = false;
    return 1;
}

int POP3Session::fetchNewHeaders(StoredMessageList& storedList) {
    char uid[kUidField];
    std::vector<int> wanted;
    // Every known message is marked before any fetch: a failed fetch may cost new
    // messages (they come back next time) but never the ones already seen.
    for (int i = 0; i < entryCount_; ++i) {
        getUid(i, uid);
        if (!storedList.markPresent(uid)) wanted.push_back(i);
    }
    if (wanted.size() >= kPipelineThreshold && connection_) {
        const int pipelining = capaPipelining();
        if (pipelining < 0) return 0;
        if (pipelining > 0) return fetchHeadersPipelined(wanted);
    }
    for (int i : wanted) {
        if (!fetchHeader(i)) return 0;
    }
    return 1;
}

int POP3Session::dumpMessage(int index) const {
    const HeaderList* header = getHeader(index);
    if (!header) return 0;
    auto value = [header](int id) {
        const std::string* v = headerValue(*header, id);
        return v ? *v : std::string();
    };
    std::cout << "      DATE " << value(HeaderDate) << '\n'
              << "      FROM " << value(HeaderFrom) << '\n'
              << "        TO " << value(HeaderTo) << '\n'
              << "   SUBJECT " << value(HeaderSubject) << '\n';
    return 1;
}

int reconcileStoredList(StoredMessageList& list, const POP3Session& session) {
    list.removeUnmarked();
    const int count = session.getCount();
    if (count == 0) return 0;
    for (std::size_t i = 0, n = list.length(); i < n; ++i) list.setNewFlag(i, 0);
    int newCount = 0;
    char uid[kUidField];
    for (int i = 0; i < count; ++i) {
        const HeaderList* header = session.getHeader(i);
        if (!header) continue;
        ++newCount;
        session.getUid(i, uid);
        StoredMessage& e = list.append(uid, 1);
        e.size = session.getSize(i);
        e.newHeader = header;
    }
    return newCount;
}

}  // namespace pop3
