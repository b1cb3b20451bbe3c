#include "checker/mail_list/sort_keys.h"

namespace mailwick {

namespace {

const std::string& TextOfColumn(const MailRow& row, int column) {
    switch (column) {
        case 0: return row.received;
        case 1: return row.date;
        case 2: return row.from;
        case 3: return row.subject;
        default: return row.to;
    }
}

// Appends the key of `text` to `keys`; false when the platform makes none.
bool AppendSortKey(const std::string& text, std::string* keys) {
    // lstrcmpiA is CompareStringA with these flags in the thread's locale; LCMapStringA's
    // keys with the same flags compare as it does.
    const LCID locale = GetThreadLocale();
    constexpr DWORD kFlags = LCMAP_SORTKEY | NORM_IGNORECASE;
    // One call is enough for any field of the row's length limit; longer texts ask first.
    char buffer[2048];
    int made = LCMapStringA(locale, kFlags, text.c_str(), -1, buffer, sizeof buffer);
    if (made > 0) {
        keys->append(buffer, static_cast<std::size_t>(made - 1));  // without the terminating NUL
        return true;
    }
    const int size = LCMapStringA(locale, kFlags, text.c_str(), -1, nullptr, 0);
    if (size <= 0) return false;
    const std::size_t start = keys->size();
    keys->resize(start + static_cast<std::size_t>(size));
    made = LCMapStringA(locale, kFlags, text.c_str(), -1, keys->data() + start, size);
    if (made <= 0) return false;
    keys->resize(start + static_cast<std::size_t>(made - 1));
    return true;
}

}  // namespace

std::string MailSortKey(const std::string& text) {
    std::string key;
    if (!AppendSortKey(text, &key)) key.clear();
    return key;
}

void MakeSortKeys(MailRowTable& rows) {
    // Made in a scratch string and copied, so each row's keys take one exact allocation.
    std::string keys;
    for (MailRow& row : rows) {
        keys.clear();
        bool made = true;
        for (int column = 0; made && column < 5; ++column) {
            made = AppendSortKey(TextOfColumn(row, column), &keys);
            row.sortKeyEnds[static_cast<std::size_t>(column)] = static_cast<std::uint32_t>(keys.size());
        }
        if (made) row.sortKeys.assign(keys);
        else std::string().swap(row.sortKeys);
    }
}

bool RowSortKey(const MailRow& row, int column, std::string_view* key) {
    if (row.sortKeys.empty() || column < 0 || column > 4) return false;
    const std::uint32_t start = column == 0 ? 0 : row.sortKeyEnds[static_cast<std::size_t>(column - 1)];
    *key = std::string_view(row.sortKeys).substr(start, row.sortKeyEnds[static_cast<std::size_t>(column)] - start);
    return true;
}

}  // namespace mailwick
