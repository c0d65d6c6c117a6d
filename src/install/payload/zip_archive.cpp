#include "install/payload/zip_archive.h"

#include <windows.h>
#include <zlib.h>

#include <algorithm>
#include <climits>

#include "install/payload/entry_name.h"
#include "iowin32.h"

namespace zip {
namespace {

// The name bytes as the file system sees them, converted with the ANSI code page.
bool ConvertName(const std::string& raw, std::wstring& name) {
    if (raw.empty()) return false;
    int n = ::MultiByteToWideChar(CP_ACP, 0, raw.data(), static_cast<int>(raw.size()), nullptr, 0);
    if (n <= 0 || static_cast<size_t>(n) > kMaxEntryNameChars) return false;
    name.assign(static_cast<size_t>(n), L'\0');
    return ::MultiByteToWideChar(CP_ACP, 0, raw.data(), static_cast<int>(raw.size()), name.data(), n) == n;
}

}  // namespace

Archive::Archive(const std::wstring& path) {
    zlib_filefunc64_def functions;
    fill_win32_filefunc64W(&functions);
    m_file = unzOpen2_64(path.c_str(), &functions);
}

Archive::~Archive() {
    if (m_file) unzClose(m_file);
}

EntryStatus ReadCurrentEntry(unzFile archive, Entry& entry) {
    unz_file_info64 info;
    char raw[kMaxEntryNameBytes + 1] = {};
    if (unzGetCurrentFileInfo64(archive, &info, raw, sizeof raw, nullptr, 0, nullptr, 0) != UNZ_OK)
        return EntryStatus::Damaged;
    // A longer name was cut to the buffer; a NUL inside it would cut it for the file system.
    if (info.size_filename > kMaxEntryNameBytes) return EntryStatus::Damaged;
    entry.rawName.assign(raw, info.size_filename);
    if (entry.rawName.find('\0') != std::string::npos) return EntryStatus::Damaged;
    if (!IsSupportedEntry(info.compression_method, info.flag)) return EntryStatus::Damaged;
    if (!ConvertName(entry.rawName, entry.name) || !IsSafeEntryName(entry.name)) return EntryStatus::Damaged;
    entry.dosDate = info.dosDate;
    entry.size = info.uncompressed_size;
    entry.crc = static_cast<uint32_t>(info.crc);
    return EntryStatus::Ok;
}

bool ReadEntryData(unzFile archive, const Entry& entry, std::string& data) {
    data.clear();
    if (entry.size > kMaxEntryBytes) return false;
    if (unzOpenCurrentFilePassword(archive, nullptr) != UNZ_OK) {
        unzCloseCurrentFile(archive);
        return false;
    }
    data.resize(static_cast<size_t>(entry.size));
    size_t got = 0;
    bool ok = true;
    while (ok && got < data.size()) {
        int n = unzReadCurrentFile(archive, &data[got], static_cast<unsigned>(std::min<size_t>(data.size() - got, INT_MAX)));
        ok = n > 0;
        if (ok) got += static_cast<size_t>(n);
    }
    // Data that goes on past the declared size is no more trustworthy than data that stops short.
    char extra;
    ok = ok && unzReadCurrentFile(archive, &extra, 1) == 0;
    ok = unzCloseCurrentFile(archive) == UNZ_OK && ok;
    return ok && crc32(0, reinterpret_cast<const Bytef*>(data.data()), static_cast<uInt>(data.size())) == entry.crc;
}

bool CountEntries(unzFile archive, unsigned long long& count) {
    unz_global_info64 global;
    if (unzGetGlobalInfo64(archive, &global) != UNZ_OK) return false;
    count = global.number_entry;
    return true;
}

}  // namespace zip
