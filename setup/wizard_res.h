// The setup wizard's page templates and their controls.
#pragma once

#define IDD_WELCOME 1201
#define IDD_LICENSE 1202
#define IDD_DESTINATION 1203
#define IDD_CONFIRM 1204

#define IDC_LICENSE_TEXT 1020
#define IDC_INSTALL_DIR 1000
#define IDC_BROWSE 1001
