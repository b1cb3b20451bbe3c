// Fixed-size values of the settings key: present only at their exact size, so a short
// "Placement" is not applied and a "DebugLevel" of any type but 4 bytes is read.
#include <gtest/gtest.h>

#include "checker/logic/stored_sizes.h"

namespace mailwick {
namespace {

TEST(StoredSizes, OnlyTheExactSizeCounts) {
    for (std::uint32_t bytes : {0u, 1u, 3u, 5u, 8u, 43u, 45u}) {
        EXPECT_FALSE(IsStoredNumber(bytes)) << bytes;
        EXPECT_FALSE(IsStoredPlacement(bytes)) << bytes;
    }
    EXPECT_TRUE(IsStoredNumber(4));
    EXPECT_FALSE(IsStoredPlacement(4));
    EXPECT_TRUE(IsStoredPlacement(44));
    EXPECT_FALSE(IsStoredNumber(44));
}

}  // namespace
}  // namespace mailwick
