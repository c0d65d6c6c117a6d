#pragma once
// A read-only multi-line edit field that behaves like every other control of a dialog: Tab,
// Shift+Tab, Esc and Enter go to the dialog, arrows and the Page keys scroll the text, and
// taking the focus leaves the caret at the top with nothing selected. A multi-line edit
// asks for every key by default, which traps a keyboard user inside it.
#include <windows.h>

#include "fx/wnd.h"

class CReadOnlyText : public CWnd {
public:
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
};
