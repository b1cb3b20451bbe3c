// Resource ids of the checker: dialogs, controls, menus, icons and strings.
#pragma once
