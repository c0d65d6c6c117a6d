#pragma once
// What a screen reader learns about a link drawn by a static control: the role "link", the
// link's text as its name, focusable and linked states, and a default action that does what
// a click does. Everything else comes from the system's own object for the window.
#include <windows.h>
#include <oleacc.h>

namespace controls {

// Posted to the link's window by the default action; the link activates as on a click.
constexpr UINT kLinkActivateMessage = WM_USER + 100;

// The default action's name, as a reader announces it.
constexpr wchar_t kLinkDefaultAction[] = L"Öffnen";

// The answer to WM_GETOBJECT for OBJID_CLIENT; 0 when the system's object cannot be made.
LRESULT AnswerLinkObjectRequest(HWND link, WPARAM wParam);

}  // namespace controls
