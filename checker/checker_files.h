// The checker's files as full paths, fixed once at start-up: the shipped files from the
// start-up directory, "UIDL" and "test.log" from the data folder (the start-up directory
// when it can be written, else the user's local application data folder + "\Mailwick").
#pragma once

#include <string>

#include "checker/logic/file_places.h"

namespace mailwick {

// Test seam: how start-up learns whether a folder can be written and which folder the
// user's own data goes to. Empty members take the real ones.
struct FilePlaceProbe {
    bool (*writable)(const std::string& dir) = nullptr;
    std::string (*userDataDir)() = nullptr;
};

// Fixes the places from the current directory of this moment. An unwritable start-up
// directory's "UIDL" becomes the data folder's starting list when that has none.
void FixCheckerFiles(const FilePlaceProbe& probe = {});
// Back to following the current directory, as before start-up (tests).
void UnfixCheckerFiles();

// Until start-up fixed them, both places are the current directory of the moment.
FilePlaces CheckerFilePlaces();
// "UIDL" in the data folder.
std::string StoredListPath();
// "test.log" in the data folder.
std::string DebugLogPath();
// A shipped file's name (help, sounds, web links) as a path in the start-up directory;
// a full path stays as it is.
std::string ShippedFilePath(const char* name);
// The start-up directory.
std::string StartupDirectory();
// Makes the data folder if it is the user's folder and missing; before a file is written.
void PrepareDataFolder();

}  // namespace mailwick
