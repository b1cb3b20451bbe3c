// Ids of the window layer test's dialog templates.
#pragma once

#define IDD_LAYER_DIALOG "LAYERDIALOG"
#define IDD_LAYER_PAGE "LAYERPAGE"
#define IDC_LAYER_FIRST 101
#define IDC_LAYER_SECOND 102
#define IDC_LAYER_NAME 103
