// Where the checker keeps its files. The names are made full paths once, at start-up, so
// a later change of the current directory (a file dialog makes one) moves none of them.
#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace mailwick {

inline constexpr char kDataFolderName[] = "Mailwick";

struct FilePlaces {
    std::string startDir;  // the current directory at start-up: the shipped files
    std::string dataDir;   // "UIDL" with its ".new" copy, and "test.log"
};

// The start-up directory keeps the checker's own files when it can be written; otherwise
// `userDataDir` does (the user's own folder for them). With no such folder known (old
// shells) the start-up directory stays: there it can be written anyway.
FilePlaces ChooseFilePlaces(const std::string& startDir, const std::string& userDataDir,
                            const std::function<bool(const std::string& dir)>& writable);

// True when the list a run kept in the start-up directory must become the starting list
// in the data folder: the data folder is elsewhere and has no list of its own yet.
bool TakesOverOldList(const FilePlaces& places, std::string_view listName,
                      const std::function<bool(const std::string& file)>& exists);

// `name` as a full path in `dir`; a name that is a full path already ("C:\...",
// "\\server\...", "\...") stays as it is, and so does an empty name or an empty `dir`.
std::string PathIn(const std::string& dir, std::string_view name);

}  // namespace mailwick
