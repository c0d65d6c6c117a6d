#pragma once
// The text form shared by the install record and the transaction log: one item per line, a
// keyword and its fields separated by tabs. Text fields are UTF-8 with "\" as "\\", tab as
// "\t", CR as "\r" and LF as "\n", so that a line never breaks inside a field. Registry data
// is "absent", or "<type>:<hex bytes>" with the type in decimal. Roots are "HKLM", "HKCU",
// "HKCR"; a CRC is 8 hex digits.
#include <cstdint>
#include <string>
#include <vector>

#include "install/registry/registry_ops.h"

namespace record {

std::string Escape(const std::wstring& text);
const char* RootName(reg::Root root);
std::string DataText(const reg::ValueState& data);
std::string CrcText(uint32_t crc);

// Builds one line: a keyword, then fields, then CR LF.
class LineWriter {
public:
    LineWriter& Word(const char* keyword) {
        m_text += keyword;
        return *this;
    }
    LineWriter& Field(const std::string& raw) {
        m_text += '\t';
        m_text += raw;
        return *this;
    }
    LineWriter& Text(const std::wstring& text) { return Field(Escape(text)); }
    LineWriter& Key(reg::Root root, const std::wstring& key) { return Field(RootName(root)).Text(key); }
    void End() { m_text += "\r\n"; }
    std::string m_text;
};

bool Unescape(const std::string& field, std::wstring& text);
std::vector<std::string> SplitFields(const std::string& line);
bool ParseRoot(const std::string& text, reg::Root& root);
bool ParseDecimal(const std::string& text, uint64_t max, uint64_t& value);
bool ParseCrc(const std::string& text, uint32_t& crc);
bool ParseData(const std::string& text, reg::ValueState& data);

// The lines of a text, each without its CR LF (a final line break, CR LF or LF alike, ends
// the last line rather than starting an empty one).
std::vector<std::string> SplitLines(const std::string& text);

}  // namespace record
