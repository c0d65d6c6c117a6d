#pragma once
// The German texts the uninstaller shows: its result after the work, and why it did nothing.
#include <string>
#include <vector>

#include "uninstall/undo_report.h"

namespace undo {

constexpr wchar_t kProductTitle[] = L"Lumiscope 4.70 (64-bit)";
// At most this many kept items are named; the rest are counted.
constexpr size_t kListedItems = 8;

// Removed completely, or what was kept and why (paths below the program folder shortened),
// with the note that the entry stays for a repeated attempt and where the log is.
std::wstring ResultMessage(const std::vector<Step>& steps, const std::wstring& programFolder,
                           const std::wstring& logPath);

}  // namespace undo
