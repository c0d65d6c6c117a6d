#pragma once
// Finding the record of the installation in a program folder, and refusing one that is
// damaged: unreadable, malformed, larger than any installation writes, naming what no
// installation makes, or naming another program folder (a moved folder's record). The setup
// merges over such a record, the uninstaller acts on it.
#include <string>

#include "install/record/install_record.h"

namespace record {

constexpr unsigned kMaxRecordBytes = 16u * 1024 * 1024;

// Unproven: read and safe, but not the record an administrator's run put there (it was
// rewritten, or it is of an earlier version outside Program Files); only its ProductPart is
// handed out.
enum class RecordState { Found, Unproven, Missing, Damaged };

// The record file in a program folder, and the temporary file it is written to first.
std::wstring RecordPathIn(const std::wstring& programFolder);
std::wstring RecordTempPathIn(const std::wstring& programFolder);

RecordState LoadRecord(const std::wstring& programFolder, InstallRecord& r);

// Whether two existing folders are the same, short and long names alike.
bool IsSameFolder(const std::wstring& a, const std::wstring& b);

}  // namespace record
