#include "install/record/record_text.h"

#include "win/text.h"

namespace record {

std::string Escape(const std::wstring& text) {
    std::string out;
    for (char c : win::ToUtf8(text)) {
        switch (c) {
            case '\\': out += "\\\\"; break;
            case '\t': out += "\\t"; break;
            case '\r': out += "\\r"; break;
            case '\n': out += "\\n"; break;
            default: out += c;
        }
    }
    return out;
}

const char* RootName(reg::Root root) {
    switch (root) {
        case reg::Root::CurrentUser: return "HKCU";
        case reg::Root::ClassesRoot: return "HKCR";
        case reg::Root::LocalMachine: break;
    }
    return "HKLM";
}

std::string DataText(const reg::ValueState& data) {
    if (!data.exists) return "absent";
    std::string text = std::to_string(data.type) + ":";
    static const char kDigits[] = "0123456789abcdef";
    for (BYTE b : data.bytes) {
        text += kDigits[b >> 4];
        text += kDigits[b & 15];
    }
    return text;
}

std::string CrcText(uint32_t crc) {
    static const char kDigits[] = "0123456789abcdef";
    std::string text(8, '0');
    for (int i = 7; i >= 0; --i, crc >>= 4) text[static_cast<size_t>(i)] = kDigits[crc & 15];
    return text;
}



bool Unescape(const std::string& field, std::wstring& text) {
    std::string raw;
    for (size_t i = 0; i < field.size(); ++i) {
        char c = field[i];
        if (c == '\r') return false;
        if (c != '\\') {
            raw += c;
            continue;
        }
        if (++i == field.size()) return false;
        switch (field[i]) {
            case '\\': raw += '\\'; break;
            case 't': raw += '\t'; break;
            case 'r': raw += '\r'; break;
            case 'n': raw += '\n'; break;
            default: return false;
        }
    }
    return win::FromUtf8(raw, text);
}

std::vector<std::string> SplitFields(const std::string& line) {
    std::vector<std::string> fields;
    size_t start = 0;
    for (;;) {
        size_t tab = line.find('\t', start);
        fields.push_back(line.substr(start, tab == std::string::npos ? std::string::npos : tab - start));
        if (tab == std::string::npos) return fields;
        start = tab + 1;
    }
}

bool ParseRoot(const std::string& text, reg::Root& root) {
    for (reg::Root r : {reg::Root::LocalMachine, reg::Root::CurrentUser, reg::Root::ClassesRoot}) {
        if (text == RootName(r)) {
            root = r;
            return true;
        }
    }
    return false;
}

bool ParseDecimal(const std::string& text, uint64_t max, uint64_t& value) {
    if (text.empty() || text.size() > 20) return false;
    value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        uint64_t digit = static_cast<uint64_t>(c - '0');
        if (value > (max - digit) / 10) return false;
        value = value * 10 + digit;
    }
    return true;
}

namespace {

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

}  // namespace

bool ParseCrc(const std::string& text, uint32_t& crc) {
    if (text.size() != 8) return false;
    crc = 0;
    for (char c : text) {
        int d = HexDigit(c);
        if (d < 0) return false;
        crc = (crc << 4) | static_cast<uint32_t>(d);
    }
    return true;
}

bool ParseData(const std::string& text, reg::ValueState& data) {
    data = reg::ValueState();
    if (text == "absent") return true;
    size_t colon = text.find(':');
    uint64_t type = 0;
    if (colon == std::string::npos || !ParseDecimal(text.substr(0, colon), 0xFFFFFFFFu, type)) return false;
    const std::string hex = text.substr(colon + 1);
    if (hex.size() % 2) return false;
    for (size_t i = 0; i < hex.size(); i += 2) {
        int high = HexDigit(hex[i]), low = HexDigit(hex[i + 1]);
        if (high < 0 || low < 0) return false;
        data.bytes.push_back(static_cast<BYTE>(high * 16 + low));
    }
    data.exists = true;
    data.type = static_cast<DWORD>(type);
    return true;
}

std::vector<std::string> SplitLines(const std::string& text) {
    std::vector<std::string> lines;
    size_t pos = 0;
    while (pos < text.size()) {
        size_t end = text.find('\n', pos);
        std::string line = text.substr(pos, end == std::string::npos ? std::string::npos : end - pos);
        pos = end == std::string::npos ? text.size() : end + 1;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

}  // namespace record
