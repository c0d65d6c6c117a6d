#pragma once
// Ids shared by the resource scripts and the code.
#define IDS_CANCEL_TEXT        1
#define IDS_FINISH_TEXT        2
#define IDS_QUIT_QUESTION      3
#define IDS_INVALID_FOLDER     5
#define IDS_TARGET_FOLDER      6
#define IDS_INSTALL_ERROR      7
#define IDS_BROWSE_TITLE       8
#define IDS_ASSOC_QUESTION     9
#define IDS_VIEWER_RUNNING     10
#define IDS_CANNOT_CREATE      11

#define IDD_WELCOME            101
#define IDD_ASSOCIATIONS       104
#define IDD_WHATSNEW           108
#define IDD_READY              109
#define IDD_FINISH             110
#define IDI_SETUP              111
#define IDB_LOGO               113
#define IDR_WHATSNEW           217
#define IDR_PAYLOAD            1974
