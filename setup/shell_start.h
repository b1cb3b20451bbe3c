// How setup starts what it installed. setup runs with administrator rights; what it starts
// must run with the signed-in user's own, so on Windows Vista and later the desktop's
// shell (Explorer, which runs with them) is asked to start it.
#pragma once

#include <string>

namespace mailwick {

// Opens `file` with `parameters` in `directory` through the desktop shell when there is
// one to ask, else with ShellExecuteExA from this process. The result is not examined.
void StartAsUser(const std::string& file, const std::string& parameters, const std::string& directory);

// The desktop shell's part alone: true when it took the request.
bool StartThroughDesktop(const std::string& file, const std::string& parameters, const std::string& directory);

}  // namespace mailwick
