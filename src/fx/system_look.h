#pragma once
// What the system says about how windows must look: high contrast and a window's DPI. Both
// are asked again whenever the system announces a change.
#include <windows.h>

namespace fx {

// True while a high-contrast theme is on: the system's answer, or the flags it keeps under
// HKCU\Control Panel\Accessibility\HighContrast (Wine's answer is always "off").
bool IsHighContrast();

// Tests decide it here: -1 asks the system again, 0 and 1 answer off and on.
void SetHighContrastForTesting(int state);

// The DPI the window is shown at: GetDpiForWindow where the system has it, else the screen's.
int WindowDpi(HWND window);

// A length given for 96 DPI, at `dpi`.
inline int ScaleForDpi(int length, int dpi) { return ::MulDiv(length, dpi, 96); }

}  // namespace fx
