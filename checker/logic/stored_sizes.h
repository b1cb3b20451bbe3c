// The settings key's values that fill a record of fixed size count as present only at
// exactly that size, whatever their stored type: a shorter one would leave part of the
// record unset (an empty "Placement" put the list window at 0,0 as a bare caption), and a
// longer one does not fit.
#pragma once

#include <cstdint>

namespace mailwick {

// The switches ("DebugLevel" among them): 4 bytes.
inline constexpr std::uint32_t kStoredNumberBytes = 4;
// "Placement": the window placement record of the mail list window.
inline constexpr std::uint32_t kStoredPlacementBytes = 44;

constexpr bool IsStoredNumber(std::uint32_t storedBytes) { return storedBytes == kStoredNumberBytes; }
constexpr bool IsStoredPlacement(std::uint32_t storedBytes) { return storedBytes == kStoredPlacementBytes; }

}  // namespace mailwick
