// zlib's inflate, minizip and the record ask for zlib's crc32, whose tables would take 12 KB of
// the setup; libdeflate's CRC-32, which the payload's writer and check use, answers for it (the
// linker then leaves zlib's out).
#include "libdeflate.h"
#include "zlib.h"

uLong ZEXPORT crc32(uLong crc, const Bytef* buf, uInt len) {
    return buf ? libdeflate_crc32(static_cast<uint32_t>(crc), buf, len) : 0;
}
