// Fuzzed bytes are given right checksums before they are decoded: a mutated PNG chunk or Ogg page
// would otherwise be refused at its checksum, and the decoders behind it would never see it.
#pragma once

#include <ogg/ogg.h>
#include <zlib.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

namespace fuzz {

// Rewrites the CRC of every PNG chunk that lies wholly inside the bytes, from the signature on.
inline void FixPngChecksums(std::vector<uint8_t>& bytes) {
    size_t at = 8;
    while (at + 12 <= bytes.size()) {
        const uint32_t length = uint32_t{bytes[at]} << 24 | uint32_t{bytes[at + 1]} << 16 |
                                uint32_t{bytes[at + 2]} << 8 | bytes[at + 3];
        if (length > bytes.size() - at - 12)
            break;
        const uint8_t* typeAndData = bytes.data() + at + 4;
        const uLong crc = crc32(crc32(0, nullptr, 0), typeAndData, 4 + length);
        uint8_t* out = bytes.data() + at + 8 + length;
        out[0] = static_cast<uint8_t>(crc >> 24);
        out[1] = static_cast<uint8_t>(crc >> 16);
        out[2] = static_cast<uint8_t>(crc >> 8);
        out[3] = static_cast<uint8_t>(crc);
        at += 12 + length;
    }
}

// Rewrites the checksum of every Ogg page that lies wholly inside the bytes.
inline void FixOggChecksums(std::vector<uint8_t>& bytes) {
    size_t at = 0;
    while (at + 27 <= bytes.size()) {
        if (std::memcmp(bytes.data() + at, "OggS", 4) != 0) {
            ++at;
            continue;
        }
        const size_t segments = bytes[at + 26];
        const size_t headerLength = 27 + segments;
        if (at + headerLength > bytes.size()) {
            ++at;
            continue;
        }
        size_t bodyLength = 0;
        for (size_t i = 0; i < segments; ++i)
            bodyLength += bytes[at + 27 + i];
        if (at + headerLength + bodyLength > bytes.size()) {
            ++at;
            continue;
        }
        ogg_page page;
        page.header = bytes.data() + at;
        page.header_len = static_cast<long>(headerLength);
        page.body = bytes.data() + at + headerLength;
        page.body_len = static_cast<long>(bodyLength);
        ogg_page_checksum_set(&page);
        at += headerLength + bodyLength;
    }
}

} // namespace fuzz
