#include "install/payload/entry_writer.h"

#include <algorithm>

namespace {

// Big enough that writes are few, small enough that every core may have one.
constexpr size_t kBufferBytes = 512 * 1024;
// zlib counts its input in 32-bit units; bigger entries are fed in pieces.
constexpr uint64_t kInputPiece = 1u << 30;

}  // namespace

EntryWriter::EntryWriter() : m_buffer(kBufferBytes) { m_ready = inflateInit2(&m_stream, -MAX_WBITS) == Z_OK; }

EntryWriter::~EntryWriter() {
    if (m_ready) inflateEnd(&m_stream);
}

bool EntryWriter::Put(HANDLE file, const unsigned char* bytes, size_t size, std::atomic<uint64_t>& progress,
                      DWORD& error) {
    m_total += size;
    m_crc = crc32(m_crc, bytes, static_cast<uInt>(size));
    DWORD written = 0;
    if (!::WriteFile(file, bytes, static_cast<DWORD>(size), &written, nullptr) || written != size) {
        error = ::GetLastError();
        if (error == 0) error = ERROR_WRITE_FAULT;
        return false;
    }
    progress += size;
    return true;
}

EntryWriter::Result EntryWriter::Copy(const unsigned char* data, const zip::Entry& entry, HANDLE file,
                                      std::atomic<uint64_t>& progress, DWORD& error) {
    for (uint64_t at = 0; at < entry.size; at += kBufferBytes)
        if (!Put(file, data + at, static_cast<size_t>(std::min<uint64_t>(kBufferBytes, entry.size - at)), progress, error))
            return Result::NotWritten;
    return Result::Written;
}

EntryWriter::Result EntryWriter::Inflate(const unsigned char* data, const zip::Entry& entry, HANDLE file,
                                         std::atomic<uint64_t>& progress, DWORD& error) {
    if (!m_ready || inflateReset(&m_stream) != Z_OK) return Result::Damaged;
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
    m_crc = crc32(0, Z_NULL, 0);
    m_stream.avail_in = 0;
    const unsigned char* data = archive + entry.dataOffset;
    const Result result = entry.deflated ? Inflate(data, entry, file, progress, error) : Copy(data, entry, file, progress, error);
    if (result != Result::Written) return result;
    return m_total == entry.size && static_cast<uint32_t>(m_crc) == entry.crc ? Result::Written : Result::Damaged;
}
