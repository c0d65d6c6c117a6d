#include "install/payload/entry_writer.h"

#include <algorithm>

#include "libdeflate.h"

namespace {

// Entries up to this size are inflated whole; every worker may hold one such buffer.
constexpr uint64_t kWholeEntryBytes = 4u << 20;
// The piece size for bigger entries: big enough that writes are few.
constexpr size_t kPieceBytes = 512 * 1024;
// zlib counts its input in 32-bit units; bigger entries are fed in pieces.
constexpr uint64_t kInputPiece = 1u << 30;

}  // namespace

EntryWriter::EntryWriter() : m_whole(libdeflate_alloc_decompressor()) {}

EntryWriter::~EntryWriter() {
    if (m_whole) libdeflate_free_decompressor(m_whole);
    if (m_streaming) inflateEnd(&m_stream);
}

bool EntryWriter::Put(HANDLE file, const unsigned char* bytes, size_t size, std::atomic<uint64_t>& progress,
                      DWORD& error) {
    m_total += size;
    m_crc = libdeflate_crc32(m_crc, bytes, size);
    // A write cut short is tried again for the rest, so that the log names the real cause (a
    // full disk) rather than the short count.
    for (size_t done = 0; done < size;) {
        DWORD written = 0;
        const DWORD piece = static_cast<DWORD>(std::min<size_t>(size - done, 1u << 30));
        if (!::WriteFile(file, bytes + done, piece, &written, nullptr) || written == 0) {
            error = ::GetLastError();
            if (error == 0) error = ERROR_WRITE_FAULT;
            return false;
        }
        done += written;
        progress += written;
    }
    return true;
}

EntryWriter::Result EntryWriter::InflateWhole(const unsigned char* data, const zip::Entry& entry, HANDLE file,
                                              std::atomic<uint64_t>& progress, DWORD& error) {
    if (m_wholeBuffer.size() < entry.size) m_wholeBuffer.resize(static_cast<size_t>(entry.size));
    size_t got = 0;
    // The buffer holds exactly the declared size: more data, or less, is a damaged entry.
    if (libdeflate_deflate_decompress(m_whole, data, static_cast<size_t>(entry.compressedSize), m_wholeBuffer.data(),
                                      static_cast<size_t>(entry.size), &got) != LIBDEFLATE_SUCCESS ||
        got != entry.size)
        return Result::Damaged;
    return Put(file, m_wholeBuffer.data(), got, progress, error) ? Result::Written : Result::NotWritten;
}

EntryWriter::Result EntryWriter::Copy(const unsigned char* data, const zip::Entry& entry, HANDLE file,
                                      std::atomic<uint64_t>& progress, DWORD& error) {
    for (uint64_t at = 0; at < entry.size; at += kPieceBytes)
        if (!Put(file, data + at, static_cast<size_t>(std::min<uint64_t>(kPieceBytes, entry.size - at)), progress, error))
            return Result::NotWritten;
    return Result::Written;
}

EntryWriter::Result EntryWriter::Inflate(const unsigned char* data, const zip::Entry& entry, HANDLE file,
                                         std::atomic<uint64_t>& progress, DWORD& error) {
    if (!m_streaming) m_streaming = inflateInit2(&m_stream, -MAX_WBITS) == Z_OK;
    if (!m_streaming || inflateReset(&m_stream) != Z_OK) return Result::Damaged;
    m_buffer.resize(kPieceBytes);
    m_stream.avail_in = 0;
    uint64_t fed = 0;
    for (;;) {
        if (m_stream.avail_in == 0 && fed < entry.compressedSize) {
            const uint64_t piece = std::min(kInputPiece, entry.compressedSize - fed);
            m_stream.next_in = const_cast<Bytef*>(data + fed);
            m_stream.avail_in = static_cast<uInt>(piece);
            fed += piece;
        }
        m_stream.next_out = m_buffer.data();
        m_stream.avail_out = static_cast<uInt>(m_buffer.size());
        const int rc = inflate(&m_stream, Z_NO_FLUSH);
        const size_t produced = m_buffer.size() - m_stream.avail_out;
        // Data that goes on past the declared size is no more trustworthy than data that stops short.
        if (m_total + produced > entry.size) return Result::Damaged;
        if (produced && !Put(file, m_buffer.data(), produced, progress, error)) return Result::NotWritten;
        if (rc == Z_STREAM_END) return Result::Written;
        if (rc != Z_OK && !(rc == Z_BUF_ERROR && produced)) return Result::Damaged;
        if (produced == 0 && m_stream.avail_in == 0 && fed == entry.compressedSize) return Result::Damaged;
    }
}

EntryWriter::Result EntryWriter::Write(const unsigned char* archive, const zip::Entry& entry, HANDLE file,
                                       std::atomic<uint64_t>& progress, DWORD& error) {
    m_total = 0;
    m_crc = 0;
    const unsigned char* data = archive + entry.dataOffset;
    Result result;
    if (!entry.deflated)
        result = Copy(data, entry, file, progress, error);
    else if (entry.size <= kWholeEntryBytes && m_whole)
        result = InflateWhole(data, entry, file, progress, error);
    else
        result = Inflate(data, entry, file, progress, error);
    if (result != Result::Written) return result;
    return m_total == entry.size && m_crc == entry.crc ? Result::Written : Result::Damaged;
}
