#pragma once
// The checker's use of the Remote Access Service: test, dial and hang up one phone-book
// entry, and list the entries. "RASAPI32.DLL" is not linked: it is loaded by name at start-up
// and each operation looks its entry points up by name when it runs.
#include <windows.h>

// Loads "RASAPI32.DLL"; 1 when it loaded (the caller records that in RasAvailable), else 0.
int LoadRasLibrary();
// Frees it at program end. An operation still running on another thread keeps its own
// reference, so the library stays mapped until that operation returns.
void FreeRasLibrary();

// 1 when the entry has a live connection (any state but disconnected, so a dial in
// progress counts), else 0; 0 also when the connections cannot be enumerated.
int IsRasEntryConnected(const char* entryName);

// Dials the entry synchronously with its saved credentials; 1 when it connected. 0 when
// the entry is already connected, has no saved password, or the dial failed (a handle left
// by a failed dial is hung up and awaited).
int DialRasEntry(const char* entryName);

// Hangs up the last connection of the entry that is fully connected and waits for it to
// go. 1 when there was nothing to hang up or the connection went; 0 when the connections
// could not be enumerated, the hang-up call failed, or the connection outlived the wait.
int HangUpRasEntry(const char* entryName);

// Replaces the combo box's items with the default phone book's entries, in the order the
// service returns them; leaves it unchanged when the enumeration fails.
void FillRasEntryList(HWND comboBox);

// How long a hang-up waits for the service to report the connection gone: the status is
// queried up to maxPolls times, pollMs apart (by default 300 times 100 ms, 30 seconds), so
// a service that never lets the handle go cannot hang a check or the caller for ever.
struct RasGoneWait {
    DWORD pollMs;
    DWORD maxPolls;
};
RasGoneWait GetRasGoneWait();
void SetRasGoneWait(RasGoneWait wait);
