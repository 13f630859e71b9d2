// The Theora decoder over real streams: frames in order, feeding by chunks, rewinding, other
// logical streams skipped, and the messages for truncated and corrupt files.
#include "media/TheoraStream.h"

#include "tests/media/VideoFixtures.h"

#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>
#include <string>

using namespace videofixtures;

namespace {

// The counter frame the decoded luma plane shows, told by its top band.
int FrameShown(const TheoraStream& stream) {
    const yuv_buffer& frame = stream.frameBuffer;
    const int luma = frame.y[8 * frame.y_stride + 8];
    for (int k = 0; k < kCounterFrames; ++k)
        if (luma >= CounterLuma(k) - 3 && luma <= CounterLuma(k) + 3)
            return k;
    return -1;
}

// Rewrites the identification header at `header` to announce an encoded frame of the given
// number of macroblocks (16 pixels) each way around a picture of the given size at its corner.
void AnnounceFrameSize(std::vector<uint8_t>& bytes, size_t header, unsigned macroblocksWide,
                       unsigned macroblocksHigh, unsigned pictureWidth, unsigned pictureHeight) {
    auto put = [&](size_t at, int count, uint32_t value) {
        for (int i = 0; i < count; ++i)
            bytes[header + at + i] = static_cast<uint8_t>(value >> 8 * (count - 1 - i));
    };
    // After the 7-byte signature and 3 version bytes: frame width and height in macroblocks
    // (16 bits each), picture width and height (24 bits each), picture offsets (8 bits each).
    put(10, 2, macroblocksWide);
    put(12, 2, macroblocksHigh);
    put(14, 3, pictureWidth);
    put(17, 3, pictureHeight);
    put(20, 1, 0);
    put(21, 1, 0);
}

std::string OpenError(const std::vector<uint8_t>& bytes) {
    TheoraStream stream;
    try {
        stream.Open(bytes.data(), static_cast<int>(bytes.size()));
    } catch (const std::runtime_error& error) {
        EXPECT_FALSE(stream.IsOpen());
        EXPECT_FALSE(stream.DecodeNextFrame());
        return error.what();
    }
    return "";
}

TEST(TheoraStreamTest, DecodesEveryFrameInOrderFeedingTheDataByChunks) {
    const std::vector<uint8_t> bytes = Counter();
    ASSERT_GT(bytes.size(), size_t{TheoraStream::kChunkSize});
    TheoraStream stream;
    stream.Open(bytes.data(), static_cast<int>(bytes.size()));
    EXPECT_EQ(stream.PictureWidth(), kPictureWidth);
    EXPECT_EQ(stream.PictureHeight(), kPictureHeight);
    // The headers come from the first chunk; the rest waits until frames need it.
    EXPECT_EQ(stream.dataRead, TheoraStream::kChunkSize);

    for (int k = 0; k < kCounterFrames; ++k) {
        ASSERT_TRUE(stream.DecodeNextFrame()) << "frame " << k;
        EXPECT_EQ(FrameShown(stream), k);
    }
    const yuv_buffer& frame = stream.frameBuffer;
    EXPECT_EQ(frame.y_width, kFrameWidth);
    EXPECT_EQ(frame.y_height, kFrameHeight);
    EXPECT_EQ(frame.uv_width, kFrameWidth / 2);
    EXPECT_EQ(frame.uv_height, kFrameHeight / 2);

    // The end leaves the last frame in place.
    const unsigned char* lastPlane = frame.y;
    EXPECT_FALSE(stream.DecodeNextFrame());
    EXPECT_FALSE(stream.DecodeNextFrame());
    EXPECT_EQ(stream.dataRead, static_cast<int>(bytes.size()));
    EXPECT_EQ(stream.frameBuffer.y, lastPlane);
    EXPECT_EQ(FrameShown(stream), kCounterFrames - 1);

    stream.Rewind();
    EXPECT_EQ(stream.dataRead, TheoraStream::kChunkSize);
    ASSERT_TRUE(stream.DecodeNextFrame());
    EXPECT_EQ(FrameShown(stream), 0);
    ASSERT_TRUE(stream.DecodeNextFrame());
    EXPECT_EQ(FrameShown(stream), 1);
}

TEST(TheoraStreamTest, HeadersWithoutFramesOpenAndEndAtOnce) {
    const std::vector<uint8_t> bytes = HeadersOnly();
    TheoraStream stream;
    stream.Open(bytes.data(), static_cast<int>(bytes.size()));
    EXPECT_TRUE(stream.IsOpen());
    EXPECT_EQ(stream.PictureWidth(), kPictureWidth);
    EXPECT_FALSE(stream.DecodeNextFrame());
}

TEST(TheoraStreamTest, SkipsAnotherLogicalStreamAroundTheVideo) {
    const std::vector<uint8_t> video = Counter();
    const std::vector<Page> pages = Pages(video);

    // A stream of another kind: its first page comes before the video's, a later page among them.
    ogg_stream_state other;
    ogg_stream_init(&other, 99);
    std::vector<uint8_t> otherFirst, otherLater;
    unsigned char content[] = "\x01not a video header";
    for (std::vector<uint8_t>* out : {&otherFirst, &otherLater}) {
        ogg_packet packet{};
        packet.packet = content;
        packet.bytes = sizeof content;
        packet.b_o_s = out == &otherFirst;
        ogg_stream_packetin(&other, &packet);
        ogg_page page;
        while (ogg_stream_flush(&other, &page) > 0) {
            out->insert(out->end(), page.header, page.header + page.header_len);
            out->insert(out->end(), page.body, page.body + page.body_len);
        }
    }
    ogg_stream_clear(&other);

    std::vector<uint8_t> bytes = otherFirst;
    bytes.insert(bytes.end(), video.begin(), video.begin() + pages[1].offset);
    bytes.insert(bytes.end(), otherLater.begin(), otherLater.end());
    bytes.insert(bytes.end(), video.begin() + pages[1].offset, video.end());

    TheoraStream stream;
    stream.Open(bytes.data(), static_cast<int>(bytes.size()));
    int frames = 0;
    while (stream.DecodeNextFrame())
        EXPECT_EQ(FrameShown(stream), frames++);
    EXPECT_EQ(frames, kCounterFrames);
}

TEST(TheoraStreamTest, TruncatedAndCorruptFilesRaiseTheirMessages) {
    const std::vector<uint8_t> good = Counter();
    const std::vector<Page> pages = Pages(good);
    const std::vector<size_t> packets = PacketStarts(good);
    ASSERT_GE(pages.size(), 4u);

    // A change to the bytes, with the checksums made right afterwards.
    auto damaged = [&](const std::function<void(std::vector<uint8_t>&)>& change) {
        std::vector<uint8_t> bytes = good;
        change(bytes);
        FixChecksums(bytes);
        return bytes;
    };
    auto announced = [&](unsigned macroblocksWide, unsigned macroblocksHigh, unsigned pictureWidth,
                         unsigned pictureHeight) {
        return damaged([&](std::vector<uint8_t>& b) {
            AnnounceFrameSize(b, packets[0], macroblocksWide, macroblocksHigh, pictureWidth,
                              pictureHeight);
        });
    };
    struct Case {
        const char* what;
        std::vector<uint8_t> bytes;
        const char* message;
    };
    const Case cases[] = {
        {"empty", {}, "eof searched, terminate..."},
        {"cut inside the first page", Cut(good, 20), "eof searched, terminate..."},
        {"cut after the first page", Cut(good, pages[0].End()), "eof searched, terminate..."},
        {"cut after the comment header", Cut(good, pages[1].End()), "eof searched. terminate..."},
        {"cut inside the setup header", Cut(good, pages[2].offset + 100),
         "eof searched. terminate..."},
        {"no video at all", std::vector<uint8_t>(5000, 'x'), "eof searched, terminate..."},
        {"first page of a version the stream refuses",
         damaged([&](std::vector<uint8_t>& b) { b[pages[0].offset + 4] = 1; }),
         "error during ogg_stream_pagein"},
        {"a header page missing from the sequence",
         damaged([&](std::vector<uint8_t>& b) { b[pages[1].offset + 18] += 1; }),
         "error during ogg_stream_packetout"},
        {"comment header of an unknown kind",
         damaged([&](std::vector<uint8_t>& b) { b[packets[1]] = 0x85; }),
         "error during theora_decode_header (corrupt stream)"},
        {"setup header without its signature",
         damaged([&](std::vector<uint8_t>& b) { b[packets[2] + 1] = 'x'; }),
         "error during theora_decode_header (corrupt stream)"},
        // An identification header the decoder refuses leaves no video stream in the file.
        {"identification header without its signature",
         damaged([&](std::vector<uint8_t>& b) { b[packets[0] + 1] = 'x'; }),
         "eof searched. terminate..."},
        // libtheora would allocate and decode frames of any size the header announces.
        {"a frame of 2064 × 2064", announced(129, 129, 2064, 2064),
         "error during theora_decode_header (corrupt stream)"},
        {"a frame of 64 × 2064 around a picture of 64 × 40", announced(4, 129, 64, 40),
         "error during theora_decode_header (corrupt stream)"},
        {"a frame of 1048560 × 1048560", announced(65535, 65535, 64, 40),
         "error during theora_decode_header (corrupt stream)"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(OpenError(c.bytes), c.message) << c.what;
}

TEST(TheoraStreamTest, AFramePacketTheDecoderRejectsRaisesItsMessageThere) {
    std::vector<uint8_t> bytes = Counter();
    const std::vector<size_t> packets = PacketStarts(bytes);
    ASSERT_EQ(packets.size(), size_t{3 + kCounterFrames});
    bytes[packets[3 + 10]] |= 0x80; // frame 10 claims to be a header
    FixChecksums(bytes);

    TheoraStream stream;
    stream.Open(bytes.data(), static_cast<int>(bytes.size()));
    for (int k = 0; k < 10; ++k)
        ASSERT_TRUE(stream.DecodeNextFrame());
    try {
        stream.DecodeNextFrame();
        FAIL() << "frame 10 decoded";
    } catch (const std::runtime_error& error) {
        EXPECT_STREQ(error.what(), "error during theora_decode_packetin...");
    }
    // The decoder carries on with the frames after it.
    EXPECT_TRUE(stream.DecodeNextFrame());
}

TEST(TheoraStreamTest, DataCutAmongTheFramesEndsAfterTheLastWholeFrame) {
    const std::vector<uint8_t> good = Counter();
    const std::vector<Page> pages = Pages(good);
    ASSERT_EQ(pages.size(), size_t{3 + kCounterFrames}); // a page per header and per frame
    const std::vector<uint8_t> bytes = Cut(good, pages[3 + 10].offset + 30);
    TheoraStream stream;
    stream.Open(bytes.data(), static_cast<int>(bytes.size()));
    int frames = 0;
    while (stream.DecodeNextFrame())
        EXPECT_EQ(FrameShown(stream), frames++);
    EXPECT_EQ(frames, 10);
}

TEST(TheoraStreamTest, ALostPageAmongTheFramesOnlySkipsItsFrame) {
    const std::vector<uint8_t> good = Counter();
    const std::vector<Page> pages = Pages(good);
    ASSERT_EQ(pages.size(), size_t{3 + kCounterFrames});
    std::vector<uint8_t> bytes(good.begin(), good.begin() + pages[3 + 10].offset);
    bytes.insert(bytes.end(), good.begin() + pages[3 + 10].End(), good.end());

    TheoraStream stream;
    stream.Open(bytes.data(), static_cast<int>(bytes.size()));
    std::vector<int> shown;
    while (stream.DecodeNextFrame())
        shown.push_back(FrameShown(stream));
    ASSERT_EQ(shown.size(), size_t{kCounterFrames - 1});
    for (int k = 0; k < 10; ++k)
        EXPECT_EQ(shown[k], k);
    // Frame 11 is built on frame 9 in place of the lost one; from the next key frame on the
    // pictures are whole again.
    for (int k = 12; k < kCounterFrames; ++k)
        EXPECT_EQ(shown[k - 1], k);
}

} // namespace
