#pragma once
// Whether anybody can see this process's windows.

namespace win {

// False for a process whose window station is not the visible one: a service, SYSTEM in
// session 0 as deployment tools start setups, or a process started on a station of its own.
// A window there waits for a click that never comes. True when it cannot be told.
bool HasVisibleWindowStation();

}  // namespace win
