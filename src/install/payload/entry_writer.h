#pragma once
// One payload entry from the archive's bytes into an open file: inflated piece by piece into a
// buffer of fixed size, so that no entry, however big, needs more memory; counted and CRC-checked
// against what the archive declares as it is written. Each worker thread has its own writer,
// which keeps its inflate state and buffer from entry to entry.
#include <windows.h>

#include <atomic>
#include <cstdint>
#include <vector>

#include "install/payload/zip_archive.h"
#include "zlib.h"

class EntryWriter {
public:
    EntryWriter();
    ~EntryWriter();
    EntryWriter(const EntryWriter&) = delete;
    EntryWriter& operator=(const EntryWriter&) = delete;

    enum class Result { Written, Damaged, NotWritten };

    // Writes `entry` of the archive at `archive` into `file`, adding every byte written to
    // `progress`. Damaged when the data does not inflate to exactly the declared size and CRC-32
    // (nothing past it either); NotWritten with the Win32 error of the write that failed.
    Result Write(const unsigned char* archive, const zip::Entry& entry, HANDLE file, std::atomic<uint64_t>& progress,
                 DWORD& error);

private:
    bool Put(HANDLE file, const unsigned char* bytes, size_t size, std::atomic<uint64_t>& progress, DWORD& error);
    Result Inflate(const unsigned char* data, const zip::Entry& entry, HANDLE file, std::atomic<uint64_t>& progress,
                   DWORD& error);
    Result Copy(const unsigned char* data, const zip::Entry& entry, HANDLE file, std::atomic<uint64_t>& progress,
                DWORD& error);

    z_stream m_stream{};
    bool m_ready = false;
    std::vector<unsigned char> m_buffer;
    uint64_t m_total = 0;
    uLong m_crc = 0;
};
