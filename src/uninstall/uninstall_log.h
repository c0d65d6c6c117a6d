#pragma once
// The uninstall log: one line per step, in German like the rest of the product, UTF-8 with
// CR LF. A run appends to it, so that a repeated uninstallation keeps the earlier run's lines.
#include <string>

#include "uninstall/undo_report.h"
#include "win/unique_handle.h"

namespace undo {

constexpr wchar_t kLogFileName[] = L"Lumiscope_Uninstall.log";

// "<what became of it>: <item> <name>", with the Win32 error number where one occurred.
std::wstring DescribeStep(const Step& step);

class UninstallLog {
public:
    // Opens `path` for appending; a log that cannot be opened, or whose name is a link (never
    // written through), stays silent.
    explicit UninstallLog(const std::wstring& path);
    bool IsOpen() const { return static_cast<bool>(m_file); }
    void Line(const std::wstring& text);
    // The step's line, with the system's description of its error.
    void StepLine(const Step& step);

private:
    win::File m_file;
};

}  // namespace undo
