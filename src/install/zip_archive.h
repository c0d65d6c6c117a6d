#pragma once
// The payload archive as the unzip layer reads it: an owner for the open archive and the
// checked information of its current entry.
#include <string>

#include "unzip.h"

namespace zip {

// An archive opened by a UTF-16 path through the Win32 file layer (read-only, shared for
// reading, existing file); closed on destruction.
class Archive {
public:
    explicit Archive(const std::wstring& path);
    ~Archive();
    Archive(const Archive&) = delete;
    Archive& operator=(const Archive&) = delete;
    explicit operator bool() const { return m_file != nullptr; }
    unzFile get() const { return m_file; }

private:
    unzFile m_file = nullptr;
};

struct Entry {
    std::string rawName;   // as stored, 8-bit characters
    std::wstring name;     // for the file system, relative to the target folder
    unsigned long dosDate = 0;
};

enum class EntryStatus { Ok, Damaged };

// Reads the current entry's information and converts its name. Damaged when it cannot be
// read, its name does not fit or could leave the target folder, or its method or flags
// are not ones we unpack.
EntryStatus ReadCurrentEntry(unzFile archive, Entry& entry);

// The number of entries; false when the global information cannot be read.
bool CountEntries(unzFile archive, unsigned long long& count);

// One pass over the central directory: true when every entry reads as Ok. Leaves the
// archive positioned after the entries, so open it anew to unpack.
bool AllEntriesAcceptable(unzFile archive);

}  // namespace zip
