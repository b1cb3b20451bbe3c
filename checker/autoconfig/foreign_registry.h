// Reading other programs' registry values: only string types count, and nothing is ever
// written. Two ways to treat a text longer than its room: refuse it (the buffer that the
// reader is given) or cut it to the width.
#pragma once

#include <windows.h>

#include <cstddef>
#include <optional>
#include <string>

#include "common/registry.h"

namespace mailwick {

// Opens another program's key for reading. The x64 build sees only the 64-bit view of
// HKEY_LOCAL_MACHINE; a key missing there is looked for in the 32-bit view, where 32-bit
// programs write theirs.
RegKey OpenForeignKey(HKEY root, const char* subkey);

// The value as a `buffer`-byte read sees it: nothing when the key or value is missing,
// is not a string, or does not fit with its terminator. A REG_EXPAND_SZ is expanded, and
// must fit expanded too.
std::optional<std::string> ReadForeignText(HKEY root, const char* subkey, const char* name, DWORD buffer);

// The whole value cut to `width` characters; a REG_EXPAND_SZ is expanded first.
// Empty when the key or value is missing or not a string.
std::string ReadForeignTextCut(HKEY root, const char* subkey, const char* name, std::size_t width);

}  // namespace mailwick
