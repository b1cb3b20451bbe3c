// The list's compare keys against lstrcmpiA itself, which only the platform can answer:
// keys made with other flags or another locale, or a column's key cut from the wrong
// place, would sort some of these names differently from the comparison they replace.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "checker/mail_list/mail_list_window.h"
#include "checker/mail_list/sort_keys.h"

namespace mailwick {
namespace {

// Accents (Windows-1252 bytes), digits, punctuation that word sort passes over, case,
// the empty text, and stamps with a three-digit or negative year.
const std::vector<std::string> kNames = {
    "", " ", "a", "A", "b", "B", "ab", "aB", "a-b", "a b", "a'b", "ab-", "co-op", "coop", "co op",
    "\xC9mile", "emile", "Emile", "\xE9lan", "Elan", "Eve", "zo\xEB", "Zoe", "M\xFCller", "Mueller",
    "muller", "\xDF", "ss", "stra\xDF" "e", "strasse", "\xD8re", "\xE6ove", "aeve", "9", "10", "2", "020",
    "a1", "a10", "a2", "_x", "!bang", "~tilde", "#1", "\"Quoted\" <q@x.org>", "<q@x.org>",
    "Re: hello", "RE: Hello", "971103100500", "1000101000000", "-1980120000000", "\x80uro", "\xA0nbsp"};

int Sign(int value) { return (value > 0) - (value < 0); }

TEST(SortKeys, EveryTextColumnOrdersAsLstrcmpiA) {
    const std::size_t n = kNames.size();
    for (int column = 0; column < 5; ++column) {
        // The other columns hold the names in reverse, so a key taken from a neighbour shows.
        MailRowTable rows(n);
        for (std::size_t i = 0; i < n; ++i) {
            std::string* fields[5] = {&rows[i].received, &rows[i].date, &rows[i].from, &rows[i].subject, &rows[i].to};
            for (int c = 0; c < 5; ++c) *fields[c] = kNames[c == column ? i : n - 1 - i];
        }
        MakeSortKeys(rows);
        for (std::size_t i = 0; i < n; ++i) {
            ASSERT_FALSE(rows[i].sortKeys.empty()) << "no keys for \"" << kNames[i] << '"';
            for (std::size_t j = 0; j < n; ++j) {
                EXPECT_EQ(Sign(CompareMailRows(&rows[i], &rows[j], column, 1)),
                          Sign(lstrcmpiA(kNames[i].c_str(), kNames[j].c_str())))
                    << "column " << column << ": \"" << kNames[i] << "\" against \"" << kNames[j] << '"';
            }
        }
    }
}

}  // namespace
}  // namespace mailwick
