#pragma once
// One payload entry from the archive's bytes into an open file, checked against what the
// archive declares (size and CRC-32, nothing past it) as it is written. An entry of up to 4 MiB
// is inflated whole into a buffer by libdeflate (most of a payload's files; two to three times
// as fast as streaming); a bigger one is inflated piece by piece by zlib through a fixed buffer,
// so that no entry, however big, needs more memory. Each worker thread has its own writer, which
// keeps its state and buffers from entry to entry.
#include <windows.h>

#include <atomic>
#include <cstdint>
#include <vector>

#include "install/payload/zip_archive.h"
#include "zlib.h"

struct libdeflate_decompressor;

class EntryWriter {
public:
    EntryWriter();
    ~EntryWriter();
    EntryWriter(const EntryWriter&) = delete;
    EntryWriter& operator=(const EntryWriter&) = delete;

    enum class Result { Written, Damaged, NotWritten };

    // Writes `entry` of the archive at `archive` into `file`, adding every byte written to
    // `progress`. Damaged when the data does not inflate to exactly the declared size and CRC-32;
    // NotWritten with the Win32 error of the write that failed.
    Result Write(const unsigned char* archive, const zip::Entry& entry, HANDLE file, std::atomic<uint64_t>& progress,
                 DWORD& error);

private:
    bool Put(HANDLE file, const unsigned char* bytes, size_t size, std::atomic<uint64_t>& progress, DWORD& error);
    Result InflateWhole(const unsigned char* data, const zip::Entry& entry, HANDLE file, std::atomic<uint64_t>& progress,
                        DWORD& error);
    Result Inflate(const unsigned char* data, const zip::Entry& entry, HANDLE file, std::atomic<uint64_t>& progress,
                   DWORD& error);
    Result Copy(const unsigned char* data, const zip::Entry& entry, HANDLE file, std::atomic<uint64_t>& progress,
                DWORD& error);

    libdeflate_decompressor* m_whole = nullptr;
    std::vector<unsigned char> m_wholeBuffer;  // grows to the biggest entry it inflates whole
    z_stream m_stream{};
    bool m_streaming = false;
    std::vector<unsigned char> m_buffer;
    uint64_t m_total = 0;
    uint32_t m_crc = 0;
};
