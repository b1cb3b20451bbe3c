// Reading other programs' registry values: only string types count, and nothing is ever
// written. Two ways to treat a text longer than its room: refuse it (the buffer that the
// reader is given) or cut it to the width.
#pragma once

#include <windows.h>

#include <cstddef>
#include <optional>
#include <string>

namespace mailwick {

// The value as a `buffer`-byte read sees it: nothing when the key or value is missing,
// is not a string, or does not fit with its terminator.
std::optional<std::string> ReadForeignText(HKEY root, const char* subkey, const char* name, DWORD buffer);

// The whole value cut to `width` characters; a REG_EXPAND_SZ is expanded first.
// Empty when the key or value is missing or not a string.
std::string ReadForeignTextCut(HKEY root, const char* subkey, const char* name, std::size_t width);

}  // namespace mailwick
