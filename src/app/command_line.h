#pragma once
// The silent command line: "/silent" anywhere selects it, and the options "/folder=",
// "/desktop=", "/thumbs=", "/group=", "/allusers=", "/assoc=", "/ini=", "/closeviewer=" and "/unsafefolder=" fill
// the request.
// Everything here is text only, so that the rules can be checked without the system.
#include <string>

#include "install/install_places.h"
#include "install/request/install_request.h"

// Only the first 519 characters of the command line are looked at for options.
constexpr size_t kCommandLineChars = 519;
// A value ends before the character that lies 260 places after its option's first character.
constexpr size_t kOptionSpanChars = 260;

// True when the command line holds "/silent" (exact case) anywhere.
bool IsSilentCommandLine(const std::wstring& commandLine);

// True when the command line asks for the options: "/?" or "/help" (any case) as a word of
// its own, ended by a blank, a slash or the end of the line.
bool AsksForHelp(const std::wstring& commandLine);

// Removes trailing blanks, then one trailing and one leading double quote, then trailing
// blanks again (a quoted path with a blank after it becomes the bare path).
void TrimBlanksAndQuotes(std::wstring& text);

// The value of the option that starts at `optionPos` in `line` and is `optionLength` long:
// up to, not including, the next slash, the end of the line or the 260-character span.
std::wstring ParseSilentOption(const std::wstring& line, size_t optionPos, size_t optionLength);

// Decimal conversion as wcstol does it: leading white space, an optional sign, digits up to
// the first other character; no digits give 0; values beyond int are clamped.
int ParseDecimal(const std::wstring& text);

// The value of "/log=" (with the same rules as the other options), in either mode; empty
// when the option is not there.
std::wstring ParseLogOption(const std::wstring& commandLine);

// The scope "/scope=" asks for: "machine" or "user" (any case, blanks and quotes around it
// trimmed); without the option the machine's. False for any other value, an empty one too.
bool ParseScopeOption(const std::wstring& commandLine, Scope& scope);

// The request of a silent run. `targetFolder` and `iniFolder` are the proposals made before
// the options are read (an installed viewer's folder, or the default one with "%APPDATA%").
InstallRequest ParseSilentCommandLine(const std::wstring& commandLine, const std::wstring& targetFolder,
                                      const std::wstring& iniFolder);
