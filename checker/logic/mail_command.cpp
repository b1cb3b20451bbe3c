#include "checker/logic/mail_command.h"

namespace mailwick {

std::optional<MailCommand> SplitMailCommand(std::string_view mailProgramFile) {
    std::string command(mailProgramFile.substr(0, kMailCommandBuffer - 1));
    if (command.empty()) return std::nullopt;
    for (char& c : command) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    const std::size_t exe = command.find(".EXE");
    if (exe == std::string::npos) return std::nullopt;

    MailCommand result;
    const std::size_t space = command.find(' ', exe);
    if (space != std::string::npos) {
        result.parameters = command.substr(space + 1);
        command.resize(space);
    }
    if (!command.empty() && command.back() == '"') command.pop_back();
    result.program = !command.empty() && command.front() == '"' ? command.substr(1) : command;
    result.command = command;
    return result;
}

}  // namespace mailwick
