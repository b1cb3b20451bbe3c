// The auto-configuration's own texts. "%s" marks where FillText puts the mail program's name.
#pragma once

namespace mailwick {

inline constexpr char kAutoconfigUnableFormat[] = "Sorry, but Mailwick was unable to auto-configure from '%s'";

}  // namespace mailwick
