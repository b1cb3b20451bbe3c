// The split of the mail-program command line into the program and its parameters.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace mailwick {

inline constexpr std::size_t kMailCommandBuffer = 1024;

struct MailCommand {
    std::string program;     // upper case, without surrounding quotes
    std::string parameters;  // upper case, everything after the first blank past ".EXE"
    std::string command;     // the command part as cut (a leading quote kept), for messages
};

// Upper-cases the command (ASCII letters only), finds the first ".EXE" and splits at the
// first blank after it, so a path with blanks before ".EXE" stays whole. No ".EXE", or an
// empty command: nothing to start.
std::optional<MailCommand> SplitMailCommand(std::string_view mailProgramFile);

}  // namespace mailwick
