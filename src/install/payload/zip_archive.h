#pragma once
// The payload archive as the unzip layer reads it, straight from memory (the program's own
// mapped resource): an owner for the open archive and the checked information of its entries.
#include <cstdint>
#include <string>

#include "unzip.h"

namespace zip {

// Bytes in memory as the unzip layer reads them, with its read position.
struct MemoryView {
    const unsigned char* data = nullptr;
    uint64_t size = 0;
    uint64_t position = 0;
};

// An archive over bytes in memory, which must outlive it; closed on destruction.
class Archive {
public:
    Archive(const void* data, uint64_t size);
    ~Archive();
    Archive(const Archive&) = delete;
    Archive& operator=(const Archive&) = delete;
    explicit operator bool() const { return m_file != nullptr; }
    unzFile get() const { return m_file; }

private:
    MemoryView m_view;
    unzFile m_file = nullptr;
};

struct Entry {
    std::string rawName;   // as stored, 8-bit characters
    std::wstring name;     // for the file system, relative to the target folder
    unsigned long dosDate = 0;
    uint64_t size = 0;     // uncompressed, as the central directory declares it
    uint32_t crc = 0;      // CRC-32 of the uncompressed data, likewise
    bool deflated = false; // else stored
    uint64_t dataOffset = 0;      // where its compressed data starts in the archive
    uint64_t compressedSize = 0;  // and how long it is
};

enum class EntryStatus { Ok, Damaged };

// Reads the current entry's information, converts its name and finds its data. Damaged when it
// cannot be read, its name does not fit or could leave the target folder, its method or flags
// are not ones we unpack, or its data does not lie inside the archive.
EntryStatus ReadCurrentEntry(unzFile archive, uint64_t archiveSize, Entry& entry);

// The number of entries; false when the global information cannot be read.
bool CountEntries(unzFile archive, unsigned long long& count);

}  // namespace zip
