#pragma once
#include <string_view>

// Dial-up entry names match when they differ only in the case of the ASCII letters A-Z;
// every other byte (including letters of the ANSI code page beyond ASCII) must be equal.
bool RasEntryNamesEqual(std::string_view a, std::string_view b);
