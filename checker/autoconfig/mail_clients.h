// The mail programs installed on this machine, for the options sheet's Account page: the
// names to choose from, the one to preselect, and the command that starts a chosen one
// (stored as MailProgramFile). Read from HKEY_LOCAL_MACHINE only; nothing is written.
#pragma once

#include <windows.h>

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace mailwick {

inline constexpr std::size_t kMaxMailClients = 255;
inline constexpr std::size_t kMailClientNameWidth = 1023;
inline constexpr std::size_t kDefaultMailClientWidth = 255;
inline constexpr std::size_t kLaunchCommandWidth = 255;

// Netscape Navigator does not register itself as a mail client; these two names stand for it.
inline constexpr char kNetscapeMessenger[] = "Netscape Messenger";
inline constexpr char kNetscapeMail[] = "Netscape Mail";

// The registered clients in the registry's order (at most 255), then "Netscape Messenger"
// when Navigator 4 is installed, or else "Netscape Mail" when some Navigator is.
std::vector<std::string> MailClientNames();

// Empties the (unsorted) combo box and adds MailClientNames() to it.
void FillMailClientList(HWND combo);

// The machine's default mail client, empty when none is registered.
std::string DefaultMailClient();

// The command line that starts the named client, empty when there is none. The two
// Netscape names (exactly so spelt) give Navigator's program with " -mail".
std::string MailClientLaunchCommand(std::string_view name);

}  // namespace mailwick
