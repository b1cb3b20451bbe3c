// A file's size and write time at the finest resolution the platform keeps (100 ns on
// Windows, where the C runtime's stat gives whole seconds), so a rewrite within the same
// second still shows.
#pragma once

#include <cstdint>
#include <string>

namespace pop3 {

struct FileStamp {
    std::uint64_t size = 0;
    std::uint64_t written = 0;  // in the platform's own units
    bool operator==(const FileStamp& o) const { return size == o.size && written == o.written; }
};

// False when the file cannot be looked at.
bool readFileStamp(const std::string& path, FileStamp* stamp);

}  // namespace pop3
