#pragma once
// SHA-256 of a record's bytes, as lower-case hex. The record lies in the program folder, where
// others may write when the folder is outside Program Files; its digest is kept where only
// administrators may write, so that what an elevated run takes from the record is what an
// administrator's run wrote. Pure: no system calls.
#include <string>

namespace record {

constexpr size_t kDigestChars = 64;

std::wstring DigestOf(const std::string& bytes);

// Whether `text` has the form DigestOf gives.
bool IsDigestText(const std::string& text);

}  // namespace record
