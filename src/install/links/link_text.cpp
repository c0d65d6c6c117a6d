#include "install/links/link_text.h"

#include <cstdint>
#include <cstring>

namespace links {
namespace {

constexpr uint32_t kHeaderSize = 0x4C;
constexpr uint32_t kHasIdList = 0x01, kHasLinkInfo = 0x02, kHasName = 0x04, kHasArguments = 0x20,
                   kHasIconLocation = 0x40, kIsUnicode = 0x80;
// Anything else (relative path, working folder, environment or Darwin targets, run as
// another user, ...) can make the link start something else, so such a link is not plain.
constexpr uint32_t kPlainFlags = kHasIdList | kHasLinkInfo | kHasName | kHasArguments | kHasIconLocation | kIsUnicode;
constexpr size_t kFlagsAt = 0x14, kIconIndexAt = 0x38, kShowAt = 0x3C, kHotKeyAt = 0x40;
constexpr uint32_t kLocalBasePath = 0x01;
constexpr uint32_t kShowNormal = 1;
// The class identifier every link file starts with, after its header size.
constexpr unsigned char kLinkClsid[16] = {0x01, 0x14, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00,
                                          0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46};

class Reader {
public:
    explicit Reader(const std::string& bytes) : m_bytes(bytes) {}
    bool Has(size_t at, size_t count) const { return at <= m_bytes.size() && count <= m_bytes.size() - at; }
    uint32_t U16(size_t at) const { return Byte(at) | Byte(at + 1) << 8; }
    uint32_t U32(size_t at) const { return U16(at) | U16(at + 2) << 16; }
    // A NUL-ended ANSI string that starts at `at` and ends before `end`.
    bool Ansi(size_t at, size_t end, std::string& out) const {
        for (size_t i = at; i < end && i < m_bytes.size(); ++i)
            if (m_bytes[i] == '\0') {
                out.assign(m_bytes, at, i - at);
                return true;
            }
        return false;
    }
    // A counted UTF-16 string; a terminator counted with it is dropped.
    bool Counted(size_t& at, std::wstring& out) const {
        if (!Has(at, 2)) return false;
        const size_t count = U16(at);
        if (!Has(at + 2, count * 2)) return false;
        out.clear();
        for (size_t i = 0; i < count; ++i) out.push_back(static_cast<wchar_t>(U16(at + 2 + i * 2)));
        while (!out.empty() && out.back() == L'\0') out.pop_back();
        at += 2 + count * 2;
        return true;
    }

private:
    uint32_t Byte(size_t at) const { return static_cast<unsigned char>(m_bytes[at]); }
    const std::string& m_bytes;
};

bool IsLink(const Reader& r, const std::string& bytes) {
    return r.Has(0, kHeaderSize) && r.U32(0) == kHeaderSize && std::memcmp(bytes.data() + 4, kLinkClsid, 16) == 0;
}

bool ReadHeader(const Reader& r, const std::string& bytes, uint32_t& flags, LinkText& text) {
    if (!IsLink(r, bytes)) return false;
    flags = r.U32(kFlagsAt);
    text.iconIndex = static_cast<int>(r.U32(kIconIndexAt));
    const bool plain = (flags & ~kPlainFlags) == 0 && (flags & kHasLinkInfo) && (flags & kIsUnicode);
    return plain && r.U32(kShowAt) == kShowNormal && r.U16(kHotKeyAt) == 0;
}

// The local base path and its common suffix; a network target is not plain.
bool ReadLinkInfo(const Reader& r, size_t& at, LinkText& text) {
    if (!r.Has(at, 0x1C)) return false;
    const size_t size = r.U32(at);
    const size_t end = at + size;
    if (size < 0x1C || !r.Has(at, size) || r.U32(at + 8) != kLocalBasePath) return false;
    std::string base, suffix;
    if (!r.Ansi(at + r.U32(at + 0x10), end, base) || !r.Ansi(at + r.U32(at + 0x18), end, suffix)) return false;
    text.target = base + suffix;
    at = end;
    return true;
}

}  // namespace

bool ReadPlainLink(const std::string& bytes, LinkText& text) {
    const Reader r(bytes);
    uint32_t flags = 0;
    text = LinkText();
    if (!ReadHeader(r, bytes, flags, text)) return false;
    size_t at = kHeaderSize;
    if (flags & kHasIdList) {
        if (!r.Has(at, 2)) return false;
        at += 2 + r.U16(at);
    }
    if (!ReadLinkInfo(r, at, text)) return false;
    return (!(flags & kHasName) || r.Counted(at, text.description)) &&
           (!(flags & kHasArguments) || r.Counted(at, text.arguments)) &&
           (!(flags & kHasIconLocation) || r.Counted(at, text.iconPath));
}

bool ShowCommandOf(const std::string& bytes, int& show) {
    const Reader r(bytes);
    if (!IsLink(r, bytes)) return false;
    show = static_cast<int>(r.U32(kShowAt));
    return true;
}

}  // namespace links
