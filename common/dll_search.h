// For the programs that run with administrator rights: DLLs come from the system folder
// only, never from the folder a download was unpacked into.
#pragma once

#include <windows.h>

namespace mailwick {

// Looked up at run time: systems before Windows 8 (without its update) lack the call, and
// must still start.
inline void LoadDllsFromSystemFolderOnly() {
    using SetDirectories = BOOL(WINAPI*)(DWORD);
    constexpr DWORD kSearchSystem32 = 0x00000800;  // LOAD_LIBRARY_SEARCH_SYSTEM32
    HMODULE kernel = GetModuleHandleA("kernel32.dll");
    if (!kernel) return;
    const auto set = reinterpret_cast<SetDirectories>(
        reinterpret_cast<void (*)()>(GetProcAddress(kernel, "SetDefaultDllDirectories")));
    if (set) set(kSearchSystem32);
}

}  // namespace mailwick
