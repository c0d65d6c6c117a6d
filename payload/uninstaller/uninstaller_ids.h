#pragma once
// Ids shared by the uninstaller's resource script and its code.
#define IDI_UNINSTALL        1
#define IDD_UNINSTALL        100
#define IDC_PROGRAM_FOLDER   1001
#define IDC_PURGE            1002
