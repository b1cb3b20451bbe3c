#include "pop3/header_list.h"

#include <algorithm>
#include <cstring>
#include <ostream>

#include "pop3/line_connection.h"
#include "pop3/wire_format.h"

namespace pop3 {

namespace {

constexpr const char* kHeaderNames[] = {
    "From", "To", "Subject", "Date", "CC", "BCC",
    "Received", "MIME-version", "Reply-to", "Resent-to", "Message-id",
};
constexpr const char kUnknownHeaderName[] = "!!!!";

bool isBlankOrTab(char c) { return c == ' ' || c == '\t'; }

std::string_view trimBlanks(std::string_view text) {
    while (!text.empty() && isBlankOrTab(text.front())) text.remove_prefix(1);
    while (!text.empty() && isBlankOrTab(text.back())) text.remove_suffix(1);
    return text;
}

bool validName(std::string_view name) {
    return !name.empty() && name.find(' ') == std::string_view::npos;
}

char foldAscii(char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; }

// Appends a header line to the field being assembled, dropping what would pass the
// field limit.
void appendBounded(std::string& field, std::string_view line) {
    if (field.size() >= kMaxFieldText) return;
    field.append(line.substr(0, kMaxFieldText - field.size()));
}

bool isContinuation(std::string_view line) { return !line.empty() && isBlankOrTab(line.front()); }

}  // namespace

const char* headerName(int id) {
    if (id < 0 || id >= int(std::size(kHeaderNames))) return kUnknownHeaderName;
    return kHeaderNames[id];
}

int parseField(std::string_view text, HeaderField* field) {
    std::size_t colon = text.find(':');
    if (colon == std::string_view::npos) return 0;
    std::string_view name = text.substr(0, colon);
    if (!validName(name)) return 0;
    field->name.assign(name);
    field->value.assign(trimBlanks(text.substr(colon + 1)));
    return 1;
}

bool equalsIgnoringAsciiCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (foldAscii(a[i]) != foldAscii(b[i])) return false;
    return true;
}

const std::string* headerValue(const HeaderList& list, int id) {
    std::string_view wanted = headerName(id);
    for (const HeaderField& field : list.fields())
        if (equalsIgnoringAsciiCase(field.name, wanted)) return &field.value;
    return nullptr;
}

int HeaderList::readHeaders(LineConnection& connection, std::string_view terminator) {
    return readHeaders([&connection] { return connection.readLine(); }, terminator);
}

int HeaderList::readHeaders(const std::function<std::optional<std::string>()>& nextLine,
                            std::string_view terminator) {
    if (packed()) unpack();
    std::string field;
    std::optional<std::string> line = nextLine();
    if (!line) return 0;
    std::size_t lines = 0, bytes = 0;  // field lines (not continuations) and all bytes
    for (;;) {
        if (*line == terminator) return 1;
        bytes += line->size() + 2;
        if (!isContinuation(*line)) ++lines;
        if (lines > kMaxHeaderFields || bytes > kMaxHeaderBytes) return 0;
        std::string_view text = *line;
        if (isContinuation(text)) {
            // A fold keeps exactly one blank or tab: the last of its leading run.
            std::size_t firstOther = text.find_first_not_of(" \t");
            text.remove_prefix(firstOther == std::string_view::npos ? text.size() : firstOther - 1);
        }
        appendBounded(field, text);
        std::optional<std::string> next = nextLine();
        if (!next) return 0;
        if (!isContinuation(*next)) {
            HeaderField parsed;
            if (parseField(field, &parsed)) fields_.push_back(std::move(parsed));
            field.clear();
        }
        line = std::move(next);
    }
}

std::size_t HeaderList::storedSize() const {
    if (packed()) return stored_.size();
    std::size_t size = 4;
    for (const HeaderField& field : fields_) size += 8 + field.name.size() + field.value.size();
    return size;
}

void HeaderList::store(std::string& out) const {
    if (packed()) {
        out.append(stored_);
        return;
    }
    wire::putInt(out, std::int32_t(fields_.size()));
    for (const HeaderField& field : fields_) {
        wire::putText(out, field.name);
        wire::putText(out, field.value);
    }
}

int HeaderList::load(std::string_view data, std::size_t& pos) {
    if (packed()) unpack();
    wire::Reader in(data, pos);
    std::int32_t count = 0;
    if (!in.getInt(count) || count < 0) return 0;
    for (std::int32_t i = 0; i < count; ++i) {
        std::string_view name, value;
        if (!in.getText(name) || !validName(name)) return 0;
        if (!in.getText(value)) return 0;
        fields_.push_back(HeaderField{std::string(name), std::string(trimBlanks(value))});
    }
    pos = in.position();
    return 1;
}

int HeaderList::load(const std::shared_ptr<const std::string>& file, std::size_t& pos) {
    if (packed()) unpack();
    const std::string_view data = *file;
    const std::size_t start = pos;
    wire::Reader in(data, pos);
    std::int32_t count = 0;
    bool sound = in.getInt(count) && count >= 0;
    for (std::int32_t i = 0; sound && i < count; ++i) {
        std::string_view name, value;
        sound = in.getText(name) && validName(name) && in.getText(value) &&
                trimBlanks(value).size() == value.size();
    }
    // Anything unusual (a damaged field, a value that needs trimming) takes the plain
    // path, which gives the same fields and result.
    if (!sound || !fields_.empty()) return load(data, pos);
    file_ = file;
    stored_ = data.substr(start, in.position() - start);
    storedCount_ = std::size_t(count);
    pos = in.position();
    return 1;
}

std::optional<std::string_view> HeaderList::findValue(int id) const {
    const std::string_view wanted = headerName(id);
    if (!packed()) {
        for (const HeaderField& field : fields_)
            if (equalsIgnoringAsciiCase(field.name, wanted)) return std::string_view(field.value);
        return std::nullopt;
    }
    // The stored form was checked when it was loaded: sound, its values already trimmed.
    wire::Reader in(stored_, 0);
    std::int32_t count = 0;
    if (!in.getInt(count)) return std::nullopt;
    for (std::int32_t i = 0; i < count; ++i) {
        std::string_view name, value;
        if (!in.getText(name) || !in.getText(value)) break;
        if (equalsIgnoringAsciiCase(name, wanted)) return value;
    }
    return std::nullopt;
}

void HeaderList::unpack() const {
    std::string_view stored = stored_;
    auto keep = std::move(file_);
    stored_ = {};
    file_.reset();
    storedCount_ = 0;
    std::size_t pos = 0;
    const_cast<HeaderList*>(this)->load(stored, pos);
}

void HeaderList::removeAll(int id) {
    if (packed()) unpack();
    std::string_view name = headerName(id);
    std::erase_if(fields_, [name](const HeaderField& f) { return f.name == name; });
}

void HeaderList::removeFirst(int id) {
    if (packed()) unpack();
    std::string_view name = headerName(id);
    auto it = std::find_if(fields_.begin(), fields_.end(),
                           [name](const HeaderField& f) { return f.name == name; });
    if (it != fields_.end()) fields_.erase(it);
}

void HeaderList::addFront(int id, std::string_view value) {
    if (packed()) unpack();
    fields_.insert(fields_.begin(), HeaderField{headerName(id), std::string(trimBlanks(value))});
}

void HeaderList::addBack(int id, std::string_view value) {
    if (packed()) unpack();
    fields_.push_back(HeaderField{headerName(id), std::string(trimBlanks(value))});
}

void HeaderList::writeText(std::ostream& out) const {
    for (const HeaderField& field : fields()) out << field.name << ": " << field.value << '\n';
    out << '\n';
}

void HeaderList::send(LineConnection& connection, std::string_view terminator) const {
    for (const HeaderField& field : fields()) connection.sendLine(field.name + ": " + field.value);
    connection.sendLine(terminator);
}

}  // namespace pop3
