#include "pop3/stored_list.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
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
    bool readRecord(wire::Reader& in, std::string_view data, StoredMessage& entry) {
        std::string_view uid;
        std::int32_t flag = 0, size = 0;
        if (!in.getText(uid, kMaxUid) || !in.getInt(flag) || !in.getInt(size)) return false;
        entry.uid.assign(uid);
        entry.newFlag = flag;
        entry.size = size;
        entry.storedHeader = std::make_unique<HeaderList>();
        std::size_t pos = in.position();
        if (!entry.storedHeader->load(data, pos)) return false;
        in = wire::Reader(data, pos);
        return true;
    }
};

StoredMessageList::StoredMessageList() : impl_(std::make_unique<Impl>()) {}
StoredMessageList::~StoredMessageList() = default;

void StoredMessageList::loadStoredBytes(std::string_view data) {
    wire::Reader in(data, 0);
    std::int32_t count = 0;
    if (!in.getInt(count) || count <= 0) return;
    // A damaged record ends the load: what came before it is sound, what follows cannot
    // be found again. A count larger than the records present is just cut short.
    for (std::int32_t i = 0; i < count; ++i) {
        StoredMessage entry;
        if (!impl_->readRecord(in, data, entry)) return;
        impl_->add(std::move(entry));
    }
}

void StoredMessageList::loadStoredList(std::istream& in) {
    std::string data{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    loadStoredBytes(data);
}

std::string StoredMessageList::storedBytes() const {
    std::string out;
    wire::putInt(out, std::int32_t(impl_->entries.size()));
    static const HeaderList kNoHeader;
    for (const StoredMessage& e : impl_->entries) {
        wire::putText(out, e.uid);
        wire::putInt(out, e.newFlag);
        wire::putInt(out, e.size);
        const HeaderList* header = e.header();
        (header ? *header : kNoHeader).store(out);
    }
    return out;
}

void StoredMessageList::saveStoredList(std::ostream& out) const {
    std::string data = storedBytes();
    out.write(data.data(), std::streamsize(data.size()));
}

void StoredMessageList::loadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return;
    in.seekg(0, std::ios::end);
    std::streamoff length = in.tellg();
    in.seekg(0, std::ios::beg);
    if (length <= 0) return;
    std::string data(std::size_t(length), '\0');
    in.read(data.data(), length);
    data.resize(std::size_t(in.gcount()));
    loadStoredBytes(data);
}

int StoredMessageList::saveFile(const std::string& path) const {
    // Written beside the old file and moved over it only when complete, so a reader (the
    // mail list window) or the next check never meets half a list. filesystem::rename
    // replaces an existing target on Windows as well as on POSIX systems.
    const std::string temporary = path + ".new";
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
    std::error_code error;
    std::filesystem::rename(temporary, path, error);
    if (error) {
        std::remove(temporary.c_str());
        return 0;
    }
    return 1;
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
    if (impl_->entries.size() != before) impl_->invalidate();
}

void StoredMessageList::setNewFlag(std::size_t position, int value) {
    if (StoredMessage* e = impl_->at(position)) e->newFlag = value;
}

StoredMessage& StoredMessageList::append(std::string_view uid, int flag) {
    StoredMessage entry;
    entry.uid.assign(boundedUid(uid));
    entry.newFlag = flag;
    return impl_->add(std::move(entry));
}

std::size_t StoredMessageList::length() const { return impl_->entries.size(); }

int StoredMessageList::newFlagAt(std::size_t position) const {
    const StoredMessage* e = impl_->at(position);
    return e ? e->newFlag : 0;
}

StoredMessageList::const_iterator StoredMessageList::begin() const { return impl_->entries.begin(); }
StoredMessageList::const_iterator StoredMessageList::end() const { return impl_->entries.end(); }

StoredMessage* StoredMessageList::find(std::string_view uid) { return impl_->firstWithUid(uid); }

int StoredMessageList::getNewFlag(std::string_view uid) const {
    const StoredMessage* e = impl_->firstWithUid(uid);
    return e ? e->newFlag : 0;
}

int StoredMessageList::setNewFlag(std::string_view uid, int value) {
    StoredMessage* e = impl_->firstWithUid(uid);
    if (!e) return 0;
    e->newFlag = value;
    return 1;
}

int StoredMessageList::remove(std::string_view uid) {
    StoredMessage* e = impl_->firstWithUid(uid);
    if (!e) return 0;
    impl_->entries.remove_if([e](const StoredMessage& x) { return &x == e; });
    impl_->invalidate();
    return 1;
}

int POP3Session::fetchNewHeaders(StoredMessageList& storedList) {
    char uid[kUidField];
    for (int i = 0; i < entryCount_; ++i) {
        getUid(i, uid);
        if (storedList.markPresent(uid)) continue;
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
