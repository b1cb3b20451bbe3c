#include "setup/file_list.h"

#include <fstream>
#include <iterator>

#include "common/fill_text.h"
#include "setup/setup_texts.h"

namespace mailwick {

std::vector<std::string> SplitFileList(std::string_view contents) {
    contents = contents.substr(0, contents.find('\x1a'));
    std::vector<std::string> lines;
    std::string line;
    bool open = false;  // characters read since the last line feed
    for (char c : contents) {
        if (c == '\r') continue;
        if (c == '\n') {
            lines.push_back(std::move(line));
            line.clear();
            open = false;
        } else {
            line += c;
            open = true;
        }
    }
    if (open) lines.push_back(std::move(line));
    return lines;
}

bool IsBareFileName(std::string_view name) {
    return name.find_first_of("\\/:") == std::string_view::npos && name.find("..") == std::string_view::npos;
}

int CopyListedFiles(const std::string& listFile, const std::string& destinationDir,
                    const CopyActions& actions) {
    std::ifstream in(listFile, std::ios::binary);
    if (!in) {
        actions.report(kNoFileListText);
        return 0;
    }
    const std::string contents{std::istreambuf_iterator<char>(in), {}};
    in.close();

    for (const std::string& source : SplitFileList(contents)) {
        // Names longer than the installer's path buffers would be cut to another name.
        if (source.size() > kMaxListPath) {
            actions.report(FillText(kListedNameTooLongFormat, {source, kFileListName, std::to_string(kMaxListPath)}));
            return 0;
        }
        // The installer runs with administrator rights: a line may name a file here, never
        // a place elsewhere ("..\\x", "C:x", "\\\\server\\x").
        if (!IsBareFileName(source)) {
            actions.report(FillText(kListedNameNotPlainFormat, {source, kFileListName}));
            return 0;
        }
        const std::string destination = destinationDir + "\\" + source;
        if (destination.size() > kMaxListPath) {
            actions.report(FillText(kInstallPathTooLongFormat, {destination, std::to_string(kMaxListPath)}));
            return 0;
        }
        if (!actions.copyFile(source, destination)) {
            actions.report(FillText(kCopyFileFailedFormat, {source, destination}));
            return 0;
        }
    }
    return 1;
}

}  // namespace mailwick
