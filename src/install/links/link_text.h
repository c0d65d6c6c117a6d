#pragma once
// What a link file says, read from its bytes without the shell: enough to see that a link
// already says what the setup would write, so that a repair needs no link object at all.
#include <string>

namespace links {

struct LinkText {
    std::string target;  // the local path the link names, in the system's ANSI code page as stored
    std::wstring arguments, iconPath, description;
    int iconIndex = 0;
};

// True when `bytes` are a link of the plain form the setup writes (a local target; no
// working folder, relative path, environment target, hot key or other way to start) and
// `text` holds what it says. Damaged or other links give false; nothing is read outside
// `bytes`.
bool ReadPlainLink(const std::string& bytes, LinkText& text);

// The window a link starts its target in, from the header of any link; false for bytes
// that are no link.
bool ShowCommandOf(const std::string& bytes, int& show);

}  // namespace links
