// A message's header fields in arrival order, looked up by well-known name without
// regard to letter case.
#pragma once

#include <cstdint>
#include <functional>
#include <iosfwd>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace pop3 {

class LineConnection;

enum HeaderId : int {
    HeaderFrom = 0,
    HeaderTo = 1,
    HeaderSubject = 2,
    HeaderDate = 3,
    HeaderCC = 4,
    HeaderBCC = 5,
    HeaderReceived = 6,
    HeaderMimeVersion = 7,
    HeaderReplyTo = 8,
    HeaderResentTo = 9,
    HeaderMessageId = 10,
};

// An unfolded field is cut at this many characters.
inline constexpr std::size_t kMaxFieldText = 2047;
// Bounds on one message's header as received: a server that ignores the 0 of "TOP n 0"
// or never ends its reply fails the read instead of filling memory and the list file.
inline constexpr std::size_t kMaxHeaderFields = 1000;
inline constexpr std::size_t kMaxHeaderBytes = 256 * 1024;

struct HeaderField {
    std::string name;   // never empty, never contains a blank; case as received
    std::string value;  // trimmed of blanks and tabs; may be empty
};

class HeaderList {
public:
    const std::vector<HeaderField>& fields() const {
        if (packed()) unpack();
        return fields_;
    }
    std::size_t size() const { return packed() ? storedCount_ : fields_.size(); }
    void append(HeaderField field) {
        if (packed()) unpack();
        fields_.push_back(std::move(field));
    }

    // Reads lines up to one equal to terminator; 1 when it was reached, 0 when a line
    // could not be read or the header passed its bounds.
    int readHeaders(LineConnection& connection, std::string_view terminator);
    // The same over any line source (nullopt = the read failed).
    int readHeaders(const std::function<std::optional<std::string>()>& nextLine,
                    std::string_view terminator);

    // The file form: field count, then per field name and value, each as a 32-bit
    // little-endian length and the bytes.
    void store(std::string& out) const;
    // Reads the file form from data starting at pos, advancing pos; fields that load
    // stay in the list. 0 when a field is damaged or the data ends early.
    int load(std::string_view data, std::size_t& pos);
    // The same on a file kept in memory: the fields are checked now but split only when
    // first asked for, and an unchanged list is stored back as the bytes it came from.
    int load(const std::shared_ptr<const std::string>& file, std::size_t& pos);
    // The bytes store() writes.
    std::size_t storedSize() const;
    // True while store() would write back exactly the bytes that load() read.
    bool storesAsLoaded() const { return packed(); }
    // What headerValue finds, read from the stored form when the list has not been split,
    // so reading a few fields of every entry of a large list makes no copies of the rest.
    std::optional<std::string_view> findValue(int id) const;

    // Operations the checker does not use.
    void removeAll(int id);
    void removeFirst(int id);
    void addFront(int id, std::string_view value);
    void addBack(int id, std::string_view value);
    void writeText(std::ostream& out) const;
    void send(LineConnection& connection, std::string_view terminator) const;

private:
    bool packed() const { return !stored_.empty(); }
    void unpack() const;

    mutable std::vector<HeaderField> fields_;
    // The stored form not yet split into fields, within the file that holds it.
    mutable std::shared_ptr<const std::string> file_;
    mutable std::string_view stored_;
    mutable std::size_t storedCount_ = 0;
};

// Splits one unfolded header text; 1 on success, 0 when it is not a header field.
int parseField(std::string_view text, HeaderField* field);
// The table name of an id; "!!!!" for an unknown id.
const char* headerName(int id);
// Whether two names are the same, ignoring ASCII case (field and capability names).
bool equalsIgnoringAsciiCase(std::string_view a, std::string_view b);
// Value of the first field named headerName(id), ignoring ASCII case; nullptr if none.
const std::string* headerValue(const HeaderList& list, int id);

}  // namespace pop3
