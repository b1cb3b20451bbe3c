#include "pop3/file_stamp.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/stat.h>
#endif

namespace pop3 {

bool readFileStamp(const std::string& path, FileStamp* stamp) {
#ifdef _WIN32
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return false;
    stamp->size = (std::uint64_t{data.nFileSizeHigh} << 32) | data.nFileSizeLow;
    stamp->written = (std::uint64_t{data.ftLastWriteTime.dwHighDateTime} << 32) | data.ftLastWriteTime.dwLowDateTime;
#else
    struct stat info;
    if (stat(path.c_str(), &info) != 0) return false;
    stamp->size = static_cast<std::uint64_t>(info.st_size);
    stamp->written = static_cast<std::uint64_t>(info.st_mtim.tv_sec) * 1'000'000'000u +
                     static_cast<std::uint64_t>(info.st_mtim.tv_nsec);
#endif
    return true;
}

}  // namespace pop3
