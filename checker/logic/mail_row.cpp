#include "checker/logic/mail_row.h"

#include <optional>
#include <string_view>

#include "checker/logic/date_stamp.h"
#include "pop3/header_list.h"
#include "pop3/stored_list.h"

namespace mailwick {

namespace {

std::string Cut(std::string_view text) { return std::string(text.substr(0, kMailRowTextMax)); }

// Read without splitting a loaded header into fields: a large list's rows would copy
// every field of every message only to drop them again.
std::optional<std::string_view> Value(const pop3::HeaderList* header, int id) {
    return header ? header->findValue(id) : std::nullopt;
}

std::string ValueOrEmpty(const pop3::HeaderList* header, int id) {
    const std::optional<std::string_view> value = Value(header, id);
    return value ? Cut(*value) : std::string();
}

MailRow RowOf(const pop3::StoredMessage& entry) {
    const pop3::HeaderList* header = entry.header();
    const std::optional<std::string_view> received = Value(header, pop3::HeaderReceived);
    const std::optional<std::string_view> date = Value(header, pop3::HeaderDate);

    MailRow row;
    const std::size_t semicolon = received ? received->find(';') : std::string_view::npos;
    if (semicolon != std::string_view::npos) {
        row.received = Cut(DateToStamp(received->substr(semicolon + 1)));
    } else if (date) {
        row.received = Cut(DateToStamp(*date));
    }
    row.date = date ? Cut(DateToStamp(*date)) : row.received;
    row.from = ValueOrEmpty(header, pop3::HeaderFrom);
    row.to = ValueOrEmpty(header, pop3::HeaderTo);
    row.subject = ValueOrEmpty(header, pop3::HeaderSubject);
    row.size = entry.size;
    row.isNew = entry.newFlag;
    return row;
}

}  // namespace

MailRowTable BuildMailRows(const pop3::StoredMessageList& list) {
    MailRowTable rows;
    rows.reserve(list.length());
    for (const pop3::StoredMessage& entry : list) rows.push_back(RowOf(entry));
    return rows;
}

MailRowTable LoadMailRows(const std::string& path) {
    pop3::StoredMessageList list;
    list.loadFile(path);
    return BuildMailRows(list);
}

}  // namespace mailwick
