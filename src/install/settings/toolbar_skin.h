#pragma once
// The toolbar skin the viewer starts with, chosen to suit the screen.

struct ToolbarSkin {
    const wchar_t* file;  // in the payload's "Toolbars" folder
    const wchar_t* size;  // icon size in pixels, as the settings file holds it
};

// The rule: 48 pixels from a height of 1600 or a scale of 170 %, 32 above 1200 or from
// 150 %, 24 from a height of 768, 16 below.
ToolbarSkin SkinForDisplay(int height, int scalePercent);

// The skin for the primary display (physical height of a full-screen client area; scale
// from the display's logical pixels per inch, 100 % when it cannot be read).
ToolbarSkin ChooseToolbarSkin();
