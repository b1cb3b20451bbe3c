// Ids of the options sheet: its four page templates, their controls and the help
// contexts of the pages and controls.
#pragma once

// Page templates.
#define IDD_OPTIONS_ACCOUNT        550
#define IDD_OPTIONS_CONNECTION     551
#define IDD_OPTIONS_CHECKING       552
#define IDD_OPTIONS_NOTIFICATIONS  553

// Account.
#define IDC_SERVER                 500
#define IDC_USERNAME               501
#define IDC_PASSWORD               502
#define IDC_MAIL_CLIENT            517  // combo box here; read-only edit on Notifications
#define IDC_AUTOCONFIG             533
#define IDC_SECURITY               536  // None, STARTTLS, SSL/TLS
#define IDC_PORT                   537

// Connection.
#define IDC_NO_DIALUP              506
#define IDC_USE_DIALUP             507
#define IDC_DIALUP_ENTRY           508
#define IDC_EXISTING_ONLY          509
#define IDC_DISCONNECT             510
#define IDC_DIALUP_ENTRY_LABEL     525
#define IDC_KEEP_IF_NEW_MAIL       526
#define IDC_ESTABLISH              530

// Checking.
#define IDC_OFFLINE_MINUTES        503
#define IDC_ONLINE_MINUTES         504
#define IDC_AUTO_START             505
#define IDC_OFFLINE_GROUP          520
#define IDC_OFFLINE_TEXT           521
#define IDC_OFFLINE_LABEL          522
#define IDC_OFFLINE_UNIT           523
#define IDC_RUN_AT_STARTUP         540

// Notifications.
#define IDC_ALARM                  511
#define IDC_PLAY_WAV               512
#define IDC_SHOW_DIALOG            513
#define IDC_LAUNCH_MAIL            515
#define IDC_WAV_FILE               516
#define IDC_WAV_TEST               519
#define IDC_WAV_BROWSE             531
#define IDC_ALARM_TEST             532
#define IDC_ALARM_BROWSE           534
#define IDC_ALARM_FILE             535
#define IDC_BALLOON                541

// Help topics of the pages (the Help button).
#define IDH_ACCOUNT_PAGE           1430
#define IDH_CONNECTION_PAGE        1431
#define IDH_CHECKING_PAGE          1432
#define IDH_NOTIFICATIONS_PAGE     1433

// Help contexts of the controls (F1 and "What's This?").
#define IDH_SERVER                 1100
#define IDH_USERNAME               1101
#define IDH_PASSWORD               1102
#define IDH_OFFLINE_MINUTES        1103
#define IDH_ONLINE_MINUTES         1104
#define IDH_AUTO_START             1105
#define IDH_NO_DIALUP              1106
#define IDH_USE_DIALUP             1107
#define IDH_DIALUP_ENTRY           1108
#define IDH_EXISTING_ONLY          1109
#define IDH_DISCONNECT             1110
#define IDH_ALARM                  1111
#define IDH_PLAY_WAV               1112
#define IDH_SHOW_DIALOG            1113
#define IDH_LAUNCH_MAIL            1115
#define IDH_MAIL_CLIENT_SHOWN      1116
#define IDH_MAIL_CLIENT            1117
#define IDH_KEEP_IF_NEW_MAIL       1126
#define IDH_ESTABLISH              1130
#define IDH_RUN_AT_STARTUP         1140
#define IDH_ALARM_FILE             1141
#define IDH_WAV_FILE               1142
#define IDH_ALARM_BROWSE           1143
#define IDH_WAV_BROWSE             1144
#define IDH_AUTOCONFIG             1147
#define IDH_SECURITY               1150
#define IDH_PORT                   1151
#define IDH_BALLOON                1152
