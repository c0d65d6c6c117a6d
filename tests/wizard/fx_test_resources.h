#pragma once
// Dialog templates of the window-layer tests, clear of the program's own resource ids.
#define IDD_FXTEST_PAGE_A   901
#define IDD_FXTEST_PAGE_B   902
#define IDD_FXTEST_PAGE_C   903
#define IDD_FXTEST_CONTROLS 910
#define IDD_FXTEST_MODAL    911

#define IDC_FXTEST_PAGE_LABEL   1001
#define IDC_FXTEST_LINK         1101
#define IDC_FXTEST_EMPTY_LINK   1102
#define IDC_FXTEST_CENTRED_LINK 1103
#define IDC_FXTEST_COLOUR       1104
#define IDC_FXTEST_PLAIN        1105
#define IDC_FXTEST_BUTTON       1106
