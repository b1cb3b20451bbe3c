// The rows of the mail list: one per message of the stored message list.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace pop3 {
class StoredMessageList;
}

namespace mailwick {

// Text fields hold at most this many characters (a 250-byte field with its terminator).
inline constexpr std::size_t kMailRowTextMax = 249;

struct MailRow {
    std::string received;  // sortable stamp (DateToStamp) or empty
    std::string date;      // sortable stamp or empty
    std::string to;
    std::string from;
    std::string subject;
    std::int32_t size = 0;
    std::int32_t isNew = 0;  // 1 when new in the check that last wrote the list
    // The compare keys of the five text columns in column order (Received, Date, From,
    // Subject, To), one after the other, each ending at its sortKeyEnds; made once per row
    // by the list window's layer, empty until then.
    std::string sortKeys;
    std::array<std::uint32_t, 5> sortKeyEnds{};
};

using MailRowTable = std::vector<MailRow>;

// One row per entry, in list order. The Received stamp comes from the text after the
// first ';' of the Received header, else from the Date header; the Date stamp from the
// Date header, else it repeats the Received stamp.
MailRowTable BuildMailRows(const pop3::StoredMessageList& list);

// The rows of a stored list file ("UIDL"); a file that is missing or cannot be read gives
// no rows, a damaged one the rows of the entries before the damage.
MailRowTable LoadMailRows(const std::string& path);

}  // namespace mailwick
