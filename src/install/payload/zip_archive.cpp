#include "install/payload/zip_archive.h"

#include <windows.h>

#include <algorithm>
#include <cstring>

#include "install/payload/entry_name.h"
#include "zlib.h"

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

// The unzip layer's file functions over memory: the archive is read where it lies, so nothing
// of it passes through a file that another process could change.
voidpf ZCALLBACK OpenView(voidpf opaque, const void*, int) { return opaque; }

uLong ZCALLBACK ReadView(voidpf, voidpf stream, void* buffer, uLong size) {
    auto* view = static_cast<MemoryView*>(stream);
    const uint64_t left = view->position < view->size ? view->size - view->position : 0;
    const uLong n = static_cast<uLong>(std::min<uint64_t>(size, left));
    std::memcpy(buffer, view->data + view->position, n);
    view->position += n;
    return n;
}

ZPOS64_T ZCALLBACK TellView(voidpf, voidpf stream) { return static_cast<MemoryView*>(stream)->position; }

long ZCALLBACK SeekView(voidpf, voidpf stream, ZPOS64_T offset, int origin) {
    auto* view = static_cast<MemoryView*>(stream);
    uint64_t base = 0;
    if (origin == ZLIB_FILEFUNC_SEEK_CUR) base = view->position;
    else if (origin == ZLIB_FILEFUNC_SEEK_END) base = view->size;
    else if (origin != ZLIB_FILEFUNC_SEEK_SET) return -1;
    if (offset > view->size - std::min(base, view->size)) return -1;
    view->position = base + offset;
    return 0;
}

uLong ZCALLBACK WriteNothing(voidpf, voidpf, const void*, uLong) { return 0; }
int ZCALLBACK CloseView(voidpf, voidpf) { return 0; }
int ZCALLBACK NoError(voidpf, voidpf) { return 0; }

// Where the entry's compressed data starts: the unzip layer finds it (and checks the entry's
// local header against its directory entry) when the entry is opened.
bool FindData(unzFile archive, uint64_t archiveSize, Entry& entry, uint64_t compressedSize) {
    if (unzOpenCurrentFilePassword(archive, nullptr) != UNZ_OK) {
        unzCloseCurrentFile(archive);
        return false;
    }
    entry.dataOffset = unzGetCurrentFileZStreamPos64(archive);
    unzCloseCurrentFile(archive);
    entry.compressedSize = compressedSize;
    return entry.dataOffset <= archiveSize && entry.compressedSize <= archiveSize - entry.dataOffset &&
           (entry.deflated || entry.compressedSize == entry.size);
}

}  // namespace

Archive::Archive(const void* data, uint64_t size) {
    m_view.data = static_cast<const unsigned char*>(data);
    m_view.size = data ? size : 0;
    zlib_filefunc64_def functions = {OpenView, ReadView, WriteNothing, TellView, SeekView, CloseView, NoError, &m_view};
    if (m_view.size) m_file = unzOpen2_64("payload", &functions);
}

Archive::~Archive() {
    if (m_file) unzClose(m_file);
}

EntryStatus ReadCurrentEntry(unzFile archive, uint64_t archiveSize, Entry& entry) {
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
    entry.deflated = info.compression_method == Z_DEFLATED;
    return FindData(archive, archiveSize, entry, info.compressed_size) ? EntryStatus::Ok : EntryStatus::Damaged;
}

bool CountEntries(unzFile archive, unsigned long long& count) {
    unz_global_info64 global;
    if (unzGetGlobalInfo64(archive, &global) != UNZ_OK) return false;
    count = global.number_entry;
    return true;
}

}  // namespace zip
