#pragma once
// The payload archive as the unzip layer reads it: an owner for the open archive and the
// checked information of its current entry.
#include <cstdint>
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
    uint64_t size = 0;     // uncompressed, as the central directory declares it
    uint32_t crc = 0;      // CRC-32 of the uncompressed data, likewise
};

// The largest entry we unpack; anything claiming more is not a payload of ours.
constexpr uint64_t kMaxEntryBytes = 256ull << 20;

enum class EntryStatus { Ok, Damaged };

// Reads the current entry's information and converts its name. Damaged when it cannot be
// read, its name does not fit or could leave the target folder, or its method or flags
// are not ones we unpack.
EntryStatus ReadCurrentEntry(unzFile archive, Entry& entry);

// Reads the current entry's data whole into `data` and checks it against the declared size
// and CRC-32 itself: the unzip layer compares the CRC only when the declared size was reached,
// so data that ends early (or a size that claims more than the data holds) would pass it.
// False when the entry cannot be read or does not match.
bool ReadEntryData(unzFile archive, const Entry& entry, std::string& data);

// The number of entries; false when the global information cannot be read.
bool CountEntries(unzFile archive, unsigned long long& count);

}  // namespace zip
