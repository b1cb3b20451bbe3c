#include "checker/logic/file_places.h"

namespace mailwick {

namespace {

bool IsFullPath(std::string_view name) {
    if (!name.empty() && (name.front() == '\\' || name.front() == '/')) return true;
    return name.size() >= 2 && name[1] == ':';
}

}  // namespace

FilePlaces ChooseFilePlaces(const std::string& startDir, const std::string& userDataDir,
                            const std::function<bool(const std::string& dir)>& writable) {
    FilePlaces places{startDir, startDir};
    if (!userDataDir.empty() && !writable(startDir)) places.dataDir = userDataDir;
    return places;
}

bool TakesOverOldList(const FilePlaces& places, std::string_view listName,
                      const std::function<bool(const std::string& file)>& exists) {
    if (places.dataDir == places.startDir) return false;
    return !exists(PathIn(places.dataDir, listName)) && exists(PathIn(places.startDir, listName));
}

std::string PathIn(const std::string& dir, std::string_view name) {
    if (name.empty() || dir.empty() || IsFullPath(name)) return std::string(name);
    std::string path = dir;
    if (path.back() != '\\' && path.back() != '/') path += '\\';
    path += name;
    return path;
}

}  // namespace mailwick
