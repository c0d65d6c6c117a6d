#include "win/window_station.h"

#include <windows.h>

namespace win {

bool HasVisibleWindowStation() {
    HWINSTA station = ::GetProcessWindowStation();  // not to be closed
    USEROBJECTFLAGS flags = {};
    if (!station || !::GetUserObjectInformationW(station, UOI_FLAGS, &flags, sizeof flags, nullptr)) return true;
    return (flags.dwFlags & WSF_VISIBLE) != 0;
}

}  // namespace win
