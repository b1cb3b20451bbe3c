// Choosing a combo box entry by a stored name: the combo box's own search takes the first
// entry that begins with the name, which for a dial-up entry meant dialling another one.
#include <windows.h>

#include <gtest/gtest.h>

#include "common/controls.h"

namespace mailwick {
namespace {

TEST(ComboSelectNamed, TheExactNameWinsOverAnEarlierPrefixMatch) {
    HWND combo = CreateWindowExA(0, "COMBOBOX", "", WS_POPUP | CBS_DROPDOWNLIST, 0, 0, 200, 200, nullptr, nullptr,
                                 GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(combo, nullptr);
    ComboFill(combo, {"Work VPN", "Work", "Home office"});
    EXPECT_TRUE(ComboSelectNamed(combo, "Work"));
    EXPECT_EQ(ComboSelectedText(combo), "Work");
    EXPECT_TRUE(ComboSelectNamed(combo, "work vpn"));
    EXPECT_EQ(ComboSelectedText(combo), "Work VPN");
    // Without an exact name, the first entry it begins.
    EXPECT_TRUE(ComboSelectNamed(combo, "home"));
    EXPECT_EQ(ComboSelectedText(combo), "Home office");
    EXPECT_FALSE(ComboSelectNamed(combo, "Office"));
    DestroyWindow(combo);
}

}  // namespace
}  // namespace mailwick
