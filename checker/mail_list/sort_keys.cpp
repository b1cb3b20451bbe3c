#include "checker/mail_list/sort_keys.h"

#include <thread>

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

// Appends the key of `text` to `keys`; false when the platform makes none. lstrcmpiA is
// CompareStringA with these flags in the thread's locale; LCMapStringA's keys with the same
// flags compare as it does.
bool AppendSortKey(LCID locale, const std::string& text, std::string* keys) {
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

void MakeKeys(LCID locale, MailRow* row, MailRow* end) {
    // Made in a scratch string and copied, so each row's keys take one exact allocation.
    std::string keys;
    for (; row != end; ++row) {
        keys.clear();
        bool made = true;
        for (int column = 0; made && column < 5; ++column) {
            made = AppendSortKey(locale, TextOfColumn(*row, column), &keys);
            row->sortKeyEnds[static_cast<std::size_t>(column)] = static_cast<std::uint32_t>(keys.size());
        }
        if (made) row->sortKeys.assign(keys);
        else std::string().swap(row->sortKeys);
    }
}

}  // namespace

void MakeSortKeys(MailRowTable& rows) {
    // The keys are the locale of the thread that sorts, whichever thread makes them.
    const LCID locale = GetThreadLocale();
    MailRow* const begin = rows.data();
    MailRow* const end = begin + rows.size();
    // A large table is shared with a second thread: the window opens with all its keys.
    constexpr std::size_t kShared = 20'000;
    std::thread helper;
    MailRow* middle = end;
    if (rows.size() >= kShared) {
        middle = begin + rows.size() / 2;
        try {
            helper = std::thread(MakeKeys, locale, middle, end);
        } catch (...) {
            middle = end;  // no thread to be had: all of them here
        }
    }
    MakeKeys(locale, begin, middle);
    if (helper.joinable()) helper.join();
}

bool RowSortKey(const MailRow& row, int column, std::string_view* key) {
    if (row.sortKeys.empty() || column < 0 || column > 4) return false;
    const std::uint32_t start = column == 0 ? 0 : row.sortKeyEnds[static_cast<std::size_t>(column - 1)];
    *key = std::string_view(row.sortKeys).substr(start, row.sortKeyEnds[static_cast<std::size_t>(column)] - start);
    return true;
}

}  // namespace mailwick
