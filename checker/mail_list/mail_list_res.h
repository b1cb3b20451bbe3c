// Ids of the mail list window: its two controls and the string table of its texts.
#pragma once

#define IDC_MAIL_LIST       600
#define IDC_MAIL_STATUS     601

// Column titles, in column order (title of column i is IDS_COLUMN_FIRST + i).
#define IDS_COLUMN_FIRST    51
#define IDS_COLUMN_RECEIVED 51
#define IDS_COLUMN_DATE     52
#define IDS_COLUMN_FROM     53
#define IDS_COLUMN_SUBJECT  54
#define IDS_COLUMN_TO       55
#define IDS_COLUMN_SIZE     56
// The fixed notice in the right part of the status bar.
#define IDS_LIST_NOTICE     57
