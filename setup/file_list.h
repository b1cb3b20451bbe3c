// The installer's file list ("setup.lst") and the copy it drives. Plain C++: the
// platform's file copy and message box come in as functions, so the rules are tested
// without Windows.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace mailwick {

inline constexpr char kFileListName[] = "setup.lst";
// The longest list line, and the longest destination path, the installer takes.
inline constexpr std::size_t kMaxListPath = 99;

// The lines of a list file's contents read as text: carriage returns are dropped, a
// Ctrl-Z ends the file, and a last line without a line feed still counts.
std::vector<std::string> SplitFileList(std::string_view contents);

// No folder part, drive or parent step: no "\", "/", ":" or "..". An empty line passes, and
// fails as a copy.
bool IsBareFileName(std::string_view name);

struct CopyActions {
    // Copies one file, replacing an existing destination; false when it failed.
    std::function<bool(const std::string& source, const std::string& destination)> copyFile;
    // Tells the user about a failure.
    std::function<void(const std::string& message)> report;
};

// Copies every file the list names from the current directory into `destinationDir`.
// Stops at the first failure, reports it and returns 0; what was copied stays. 1 otherwise.
int CopyListedFiles(const std::string& listFile, const std::string& destinationDir,
                    const CopyActions& actions);

}  // namespace mailwick
