#include "checker/logic/mail_row.h"

#include "checker/logic/date_stamp.h"
#include "pop3/header_list.h"
#include "pop3/stored_list.h"

namespace mailwick {

namespace {

std::string Cut(std::string_view text) { return std::string(text.substr(0, kMailRowTextMax)); }

std::string ValueOrEmpty(const pop3::HeaderList* header, int id) {
    const std::string* value = header ? pop3::headerValue(*header, id) : nullptr;
    return value ? Cut(*value) : std::string();
}

MailRow RowOf(const pop3::StoredMessage& entry) {
    const pop3::HeaderList* header = entry.header();
    const std::string* received = header ? pop3::headerValue(*header, pop3::HeaderReceived) : nullptr;
    const std::string* date = header ? pop3::headerValue(*header, pop3::HeaderDate) : nullptr;

    MailRow row;
    std::string::size_type semicolon = received ? received->find(';') : std::string::npos;
    if (semicolon != std::string::npos) {
        row.received = Cut(DateToStamp(std::string_view(*received).substr(semicolon + 1)));
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
