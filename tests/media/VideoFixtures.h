// The Ogg Theora fixtures of the video tests (made by tools/make-video-fixtures.sh) and the means
// to damage them the way real files get damaged: cut short, or with bytes changed under a page
// checksum that is then made right again, so that libogg hands the damage on.
#pragma once

#include <ogg/ogg.h>

#include <cstdint>
#include <cstdio>
#include <stdexcept>
#include <string>
#include <vector>

namespace videofixtures {

// The fixtures' picture and encoded frame.
constexpr int kPictureWidth = 64;
constexpr int kPictureHeight = 40;
constexpr int kFrameWidth = 64;
constexpr int kFrameHeight = 48;
constexpr int kCounterFrames = 25;

inline std::vector<uint8_t> ReadFixture(const std::string& name) {
    const std::string path = std::string(ZEL_SOURCE_DIR) + "/tests/media/data/" + name;
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file)
        throw std::runtime_error("missing fixture " + path);
    std::vector<uint8_t> bytes;
    unsigned char buffer[4096];
    size_t count;
    while ((count = std::fread(buffer, 1, sizeof buffer, file)) > 0)
        bytes.insert(bytes.end(), buffer, buffer + count);
    std::fclose(file);
    return bytes;
}

inline std::vector<uint8_t> Counter() {
    return ReadFixture("Counter25.ogv");
}

inline std::vector<uint8_t> HeadersOnly() {
    return ReadFixture("HeadersOnly.ogv");
}

// Counter frame k has luma 40 + 7 × k in its top 16 rows.
inline int CounterLuma(int frame) {
    return 40 + 7 * frame;
}

// The counter frame a converted grey value came from (Y' = 74 × (Y − 16) >> 6), or −1 when it is
// not near any.
inline int CounterFrameOfGrey(int grey) {
    for (int frame = 0; frame < kCounterFrames; ++frame) {
        const int expected = 74 * (CounterLuma(frame) - 16) >> 6;
        if (grey >= expected - 3 && grey <= expected + 3)
            return frame;
    }
    return -1;
}

struct Page {
    size_t offset = 0;
    size_t headerSize = 0;
    size_t bodySize = 0;

    size_t End() const { return offset + headerSize + bodySize; }
};

// The pages of a well-formed file, in order.
inline std::vector<Page> Pages(const std::vector<uint8_t>& bytes) {
    std::vector<Page> pages;
    size_t at = 0;
    while (at + 27 <= bytes.size()) {
        Page page;
        page.offset = at;
        const size_t segments = bytes[at + 26];
        page.headerSize = 27 + segments;
        for (size_t i = 0; i < segments; ++i)
            page.bodySize += bytes[at + 27 + i];
        pages.push_back(page);
        at = page.End();
    }
    return pages;
}

// Where every packet of a single-stream file begins: packets 0, 1 and 2 are the headers, packet
// 3 + k is frame k.
inline std::vector<size_t> PacketStarts(const std::vector<uint8_t>& bytes) {
    std::vector<size_t> starts;
    for (const Page& page : Pages(bytes)) {
        bool starting = (bytes[page.offset + 5] & 1) == 0; // not a continued packet
        size_t at = page.offset + page.headerSize;
        for (size_t i = 0; i < page.headerSize - 27; ++i) {
            const uint8_t lacing = bytes[page.offset + 27 + i];
            if (starting)
                starts.push_back(at);
            at += lacing;
            starting = lacing < 255;
        }
    }
    return starts;
}

// Makes every page's checksum right again after its bytes were changed.
inline void FixChecksums(std::vector<uint8_t>& bytes) {
    for (const Page& page : Pages(bytes)) {
        ogg_page view;
        view.header = bytes.data() + page.offset;
        view.header_len = static_cast<long>(page.headerSize);
        view.body = bytes.data() + page.offset + page.headerSize;
        view.body_len = static_cast<long>(page.bodySize);
        ogg_page_checksum_set(&view);
    }
}

inline std::vector<uint8_t> Cut(std::vector<uint8_t> bytes, size_t size) {
    bytes.resize(size);
    return bytes;
}

} // namespace videofixtures
