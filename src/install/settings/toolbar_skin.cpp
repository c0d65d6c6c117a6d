#include "install/settings/toolbar_skin.h"

#include <windows.h>

#include "win/unique_handle.h"

namespace {

int DisplayScalePercent() {
    win::CreatedDC dc(::CreateDCW(L"DISPLAY", nullptr, nullptr, nullptr));
    if (!dc) return 100;
    return ::GetDeviceCaps(dc.get(), LOGPIXELSX) * 100 / 96;
}

}  // namespace

ToolbarSkin SkinForDisplay(int height, int scalePercent) {
    if (height >= 1600 || scalePercent >= 170) return {L"gnome-colors-human_48.png", L"48"};
    if (height > 1200 || scalePercent >= 150) return {L"gnome-colors-wise_32.png", L"32"};
    if (height >= 768) return {L"Hollmark_24.png", L"24"};
    return {L"Tessel_16.png", L"16"};
}

ToolbarSkin ChooseToolbarSkin() {
    return SkinForDisplay(::GetSystemMetrics(SM_CYFULLSCREEN), DisplayScalePercent());
}
