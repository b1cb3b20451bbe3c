// The mail list window at scale, under Wine: a stored list of 10,000 and 100,000
// generated messages; opening the window (reading "UIDL", filling the list, the first
// sort, the first paint), then sorting by From and by Size (each with its repaint).
// Prints the best of three runs of each step, in milliseconds, and the parts of opening
// timed apart: reading "UIDL" into rows, making their compare keys, the first sort.
//
// usage: list_bench [COUNT...]      (default 10000 100000); run it in a Wine prefix with a
// display, for example through tests/win/wine-run.sh.
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "checker/checker_state.h"
#include "checker/mail_list/mail_list_res.h"
#include "checker/mail_list/mail_list_window.h"
#include "checker/mail_list/mail_rows.h"
#include "checker/mail_list/sort_keys.h"
#include "checker/main_window.h"
#include "checker/resource.h"
#include "checker/tray.h"
#include "fixtures/pump.h"
#include "fixtures/shell_notify.h"
#include "pop3/stored_list.h"

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using namespace mailwick;

namespace {

void WriteStoredList(int count) {
    static const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                          "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    std::mt19937 random(count);
    pop3::StoredMessageList list;
    for (int i = 0; i < count; ++i) {
        pop3::StoredMessage& m = list.append("uid-" + std::to_string(i), i % 10 == 0);
        m.size = static_cast<std::int32_t>(random() % 2'000'000);
        char date[64];
        std::snprintf(date, sizeof date, "Mon, %u %s %u %02u:%02u:%02u +0000", 1 + random() % 28,
                      kMonths[random() % 12], 1997 + random() % 30, random() % 24, random() % 60, random() % 60);
        m.storedHeader = std::make_unique<pop3::HeaderList>();
        m.storedHeader->append(pop3::HeaderField{"Received", std::string("from relay by mx; ") + date});
        m.storedHeader->append(pop3::HeaderField{"Date", date});
        m.storedHeader->append(
            pop3::HeaderField{"From", "Sender " + std::to_string(random() % 5000) + " <s@example.org>"});
        m.storedHeader->append(pop3::HeaderField{"To", "demo@example.org"});
        m.storedHeader->append(pop3::HeaderField{"Subject", "Message number " + std::to_string(i)});
    }
    if (list.saveFile(pop3::kStoredListFile) != 1) {
        std::fprintf(stderr, "cannot write the stored list\n");
        std::exit(1);
    }
}

double Millis(const std::function<void()>& step) {
    const auto start = Clock::now();
    step();
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

void ClickColumn(HWND window, int column) {
    NMLISTVIEW click{};
    click.hdr.hwndFrom = g_process.listView.load();
    click.hdr.idFrom = IDC_MAIL_LIST;
    click.hdr.code = LVN_COLUMNCLICK;
    click.iItem = -1;
    click.iSubItem = column;
    SendMessageA(window, WM_NOTIFY, IDC_MAIL_LIST, reinterpret_cast<LPARAM>(&click));
    UpdateWindow(g_process.listView.load());
}

// The parts of opening outside the window calls, each the best of three.
void PrintOpeningSteps(int count) {
    const auto sortTime = [](const MailRowTable& rows) {
        std::vector<const MailRow*> shown;
        for (const MailRow& row : rows) shown.push_back(&row);
        return Millis([&] {
            std::stable_sort(shown.begin(), shown.end(),
                             [](const MailRow* a, const MailRow* b) { return CompareMailRows(a, b, 0, 0) < 0; });
        });
    };
    double read = 1e9, build = 1e9, drop = 1e9, plain = 1e9, keys = 1e9, sort = 1e9;
    for (int run = 0; run < 3; ++run) {
        MailRowTable rows;
        auto list = std::make_unique<pop3::StoredMessageList>();
        read = std::min(read, Millis([&] { list->loadFile(pop3::kStoredListFile); }));
        build = std::min(build, Millis([&] { rows = BuildMailRows(*list); }));
        drop = std::min(drop, Millis([&] { list.reset(); }));
        plain = std::min(plain, sortTime(rows));  // rows without keys compare with lstrcmpiA
        keys = std::min(keys, Millis([&] { MakeSortKeys(rows); }));
        sort = std::min(sort, sortTime(rows));
    }
    std::printf("%9s %10s %10s %10s %10s %10s %10s\n", "parts:", "read ms", "rows ms", "free ms", "lstrcmpiA",
                "keys ms", "key sort");
    std::printf("%9d %10.0f %10.0f %10.0f %10.0f %10.0f %10.0f\n", count, read, build, drop, plain, keys, sort);
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<int> counts;
    for (int i = 1; i < argc; ++i) counts.push_back(std::atoi(argv[i]));
    if (counts.empty()) counts = {10'000, 100'000};

    g_process.instance = GetModuleHandleA(nullptr);
    const mwtest::ShellNotifyStandIn shell;
    if (!RegisterCheckerClasses(g_process.instance)) return 1;
    HWND main = CreateMainWindow(g_process.instance);
    const fs::path work = fs::temp_directory_path() / ("mailwick-list-bench-" + std::to_string(GetCurrentProcessId()));
    fs::create_directories(work);
    fs::current_path(work);

    std::printf("%9s %10s %10s %10s %10s\n", "messages", "open ms", "from ms", "size ms", "close ms");
    for (int count : counts) {
        WriteStoredList(count);
        double open = 1e9, from = 1e9, size = 1e9, close = 1e9;
        for (int run = 0; run < 3; ++run) {
            HWND window = nullptr;
            open = std::min(open, Millis([&] {
                                SendMessageA(main, WM_COMMAND, IDM_OPEN, 0);
                                window = g_process.mailListWindow.load();
                            }));
            if (!window || SendMessageA(g_process.listView.load(), LVM_GETITEMCOUNT, 0, 0) != count) {
                std::fprintf(stderr, "the window did not open with %d rows\n", count);
                return 1;
            }
            mwtest::PumpMessages();
            from = std::min(from, Millis([&] { ClickColumn(window, 2); }));
            size = std::min(size, Millis([&] { ClickColumn(window, 5); }));
            close = std::min(close, Millis([&] { SendMessageA(window, WM_CLOSE, 0, 0); }));
            mwtest::PumpMessages();
        }
        std::printf("%9d %10.0f %10.0f %10.0f %10.0f\n", count, open, from, size, close);
        PrintOpeningSteps(count);
        std::fflush(stdout);
    }
    DestroyWindow(main);
    fs::current_path(fs::temp_directory_path());
    fs::remove_all(work);
    return 0;
}
