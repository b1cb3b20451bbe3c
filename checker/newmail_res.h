// Ids of the NEWMAIL dialog.
#pragma once

#define IDD_NEWMAIL "NEWMAIL"
#define IDC_NEWMAIL_LIST 514
#define IDC_NEWMAIL_READNOW 560
#define IDC_NEWMAIL_LATER 1
