// Runs beside a RAS library that lacks RasEnumEntriesA.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "checker/dialup.h"
#include "checker/texts.h"
#include "fixtures/message_recorder.h"
#include "fixtures/fakeras_env.h"

namespace {


TEST(DialupWithoutEntryList, FillSaysTheEntryPointIsMissingAndLeavesTheListEmpty) {
    FakeRasFiles ras;
    fakeras::State state;
    state.entries = {{"MyISP", true}};
    state.connections.push_back({101, "MyISP"});
    ras.write(state);
    ASSERT_EQ(LoadRasLibrary(), 1);
    const mwtest::MessageRecorder recorder;

    HWND combo = CreateWindowA("COMBOBOX", "", WS_POPUP | CBS_DROPDOWNLIST, 0, 0, 200, 200,
                               nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(combo, nullptr);
    FillRasEntryList(combo);
    EXPECT_EQ(SendMessageA(combo, CB_GETCOUNT, 0, 0), 0);
    const auto shown = recorder.Messages();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].owner, nullptr);
    EXPECT_EQ(shown[0].text, mailwick::kNoRasEnumEntriesText);
    EXPECT_EQ(shown[0].caption, mailwick::kMessageCaption);
    EXPECT_EQ(shown[0].type, static_cast<UINT>(MB_OK));
    EXPECT_TRUE(ras.calls().empty());

    // The rest of the library is still used.
    EXPECT_EQ(IsRasEntryConnected("MyISP"), 1);

    DestroyWindow(combo);
    FreeRasLibrary();
}

}  // namespace
