// Which help viewer a program uses, over every combination that matters.
#include <gtest/gtest.h>

#include "common/help_choice.h"

namespace mailwick {
namespace {

TEST(HelpChoice, WinHelpUnderWineAndOldWindowsHtmlHelpOnlyWhenBothPartsAreThere) {
    constexpr auto W = HelpViewerKind::WinHelp;
    constexpr auto H = HelpViewerKind::HtmlHelp;
    struct Row {
        bool wine;
        unsigned major;
        bool hhctrl;
        bool chm;
        HelpViewerKind expected;
    };
    const Row rows[] = {
        {true, 10, true, true, W},    // Wine: its HTML Help may have no HTML engine
        {false, 5, true, true, W},    // XP and older
        {false, 4, false, true, W},   // 95, NT 4.0
        {false, 6, true, true, H},    // Vista
        {false, 10, true, true, H},   // 10, 11
        {false, 10, false, true, W},  // no usable hhctrl.ocx
        {false, 10, true, false, W},  // no archive shipped
    };
    for (const Row& r : rows) {
        EXPECT_EQ(ChooseHelpViewer({r.wine, r.major, r.hhctrl, r.chm}), r.expected)
            << r.wine << ' ' << r.major << ' ' << r.hhctrl << ' ' << r.chm;
    }
}

}  // namespace
}  // namespace mailwick
