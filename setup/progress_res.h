// The installation progress window: its template name and the four step labels.
#pragma once

#define IDD_PROGRESS "PROGRESS"

#define IDC_STEP_DIRECTORY 1101
#define IDC_STEP_APPLICATION 1102
#define IDC_STEP_UNINSTALL 1103
#define IDC_STEP_REGISTRY 1104
