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
#define IDS_CLOSE_VIEWER_QUESTION 12
#define IDS_VIEWER_NOT_CLOSED  13

#define IDD_WELCOME            101
#define IDD_ASSOCIATIONS       104
#define IDD_WHATSNEW           108
#define IDD_READY              109
#define IDD_FINISH             110
#define IDI_SETUP              111
#define IDB_LOGO               113
#define IDR_WHATSNEW           217
#define IDR_PAYLOAD            1974

// Controls of the wizard pages. The welcome page and the ready page both call their folder
// field 1000, and the what's-new page its text field; each id is unique within its page.
#define IDC_FOLDER             1000
#define IDC_BROWSE             1009
#define IDC_TARGET_LINE        1010
#define IDC_DESKTOP            1011
#define IDC_STARTMENU          1012
#define IDC_WELCOME_HEADING    1013
#define IDC_READY_HEADING      1014
#define IDC_FINISH_HEADING     1015
#define IDC_CURRENT_USER       1016
#define IDC_ALL_USERS          1017
#define IDC_NO_SHORTCUTS       1019
#define IDC_START_VIEWER       1020
#define IDC_THUMBNAILS         1021
#define IDC_SHOW_FAQ           1022
#define IDC_ASSOC_ALL_USERS    1037
#define IDC_INI_PROGRAM        1038
#define IDC_INI_APPDATA        1039
#define IDC_INI_CUSTOM         1040
#define IDC_INI_BROWSE         1042
#define IDC_STATUS_TEXT        1044
#define IDC_PROGRESS_BAR       1046
#define IDC_START_HINT         1047
#define IDC_LOGO               1048
#define IDC_EULA_LINK          1045
#define IDC_VERSION_LINE       1056
#define IDC_SELECT_ALL         1080
#define IDC_SELECT_NONE        1081
#define IDC_IMAGES_ONLY        1091
#define IDC_ASSOC_LIST         1579
#define IDC_REGISTRY_ASSOC     3311
