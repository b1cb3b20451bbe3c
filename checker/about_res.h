// Ids of the ABOUTBOX dialog.
#pragma once

#define IDC_ABOUT_PRODUCT 300
#define IDC_ABOUT_COPYRIGHT 301
#define IDC_ABOUT_ICON 302

#ifndef RC_INVOKED
inline constexpr char kAboutBoxName[] = "ABOUTBOX";
inline constexpr char kAboutProductLine[] = "Mailwick (32-bit)\nv1.02\nWindows 95 and NT 4.0";
#endif
