// Opening and decoding Ogg Vorbis sources: formats, the resource sounds'
// shorter length, and damaged bytes.
#include "SoundRig.h"

#include "media/SoundData.h"
#include "platform/TextCodec.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <iterator>
#include <stdexcept>

using namespace sound_fixture;

namespace {

std::vector<int16_t> DecodeAll(SoundData& sound) {
    std::vector<uint8_t> bytes(static_cast<size_t>(sound.totalFrames + 4096) * sound.frameBytes);
    size_t got = 0;
    // Odd chunk sizes: the decoder must never split a frame.
    for (size_t step;
         (step = DecodeInto(sound, bytes.data() + got, 3000 * sound.frameBytes + 7)) > 0;)
        got += step;
    std::vector<int16_t> samples(got / 2);
    if (got > 0)
        std::memcpy(samples.data(), bytes.data(), got);
    return samples;
}

// The fixture with the code lengths of its first codebook changed so that three
// codewords of one bit overfill the code tree. libvorbis reads such a setup
// header but cannot make its decoder from it.
std::vector<unsigned char> WithOverfullCodebook(std::vector<unsigned char> bytes) {
    static const unsigned char kSetup[] = {5, 'v', 'o', 'r', 'b', 'i', 's'};
    const auto setup =
        std::search(bytes.begin(), bytes.end(), std::begin(kSetup), std::end(kSetup));
    if (setup == bytes.end())
        throw std::runtime_error("no setup header");
    const size_t start = static_cast<size_t>(setup - bytes.begin()) + sizeof kSetup;
    // Vorbis packs its fields from the lowest bit of each byte up.
    auto bits = [&](size_t at, int count) {
        uint32_t value = 0;
        for (int i = 0; i < count; ++i, ++at)
            value |= uint32_t{(bytes[start + at / 8] >> (at % 8)) & 1u} << i;
        return value;
    };
    auto put = [&](size_t at, int count, uint32_t value) {
        for (int i = 0; i < count; ++i, ++at) {
            unsigned char& byte = bytes[start + at / 8];
            byte = static_cast<unsigned char>((byte & ~(1u << (at % 8))) |
                                              ((value >> i & 1u) << (at % 8)));
        }
    };
    // Codebook count, then the first book: sync, dimensions, entries, ordered
    // and sparse flags, and one 5-bit length − 1 per entry.
    if (bits(8, 24) != 0x564342 || bits(48, 24) < 3 || bits(72, 1) != 0 || bits(73, 1) != 0)
        throw std::runtime_error("the first codebook is not a plain one");
    for (int entry = 0; entry < 3; ++entry)
        put(74 + 5 * entry, 5, 0);
    // The page holding the header gets its checksum back.
    for (size_t at = 0; at + 27 < bytes.size();) {
        ogg_page page;
        page.header = bytes.data() + at;
        page.header_len = 27 + bytes[at + 26];
        page.body = page.header + page.header_len;
        page.body_len = 0;
        for (int i = 0; i < bytes[at + 26]; ++i)
            page.body_len += bytes[at + 27 + i];
        if (start < at + page.header_len + page.body_len) {
            ogg_page_checksum_set(&page);
            break;
        }
        at += page.header_len + page.body_len;
    }
    return bytes;
}

} // namespace

TEST(SoundDataTest, ReadsFormatAndEveryFrameFromMemory) {
    const auto& bytes = Vorbis(4, 48000, 9000);
    auto sound = OpenSoundFromMemory(bytes.data(), bytes.size());
    ASSERT_TRUE(sound);
    EXPECT_EQ(sound->channels, 4);
    EXPECT_EQ(sound->sampleRate, 48000);
    EXPECT_EQ(sound->frameBytes, 8) << "two bytes for each of four channels";
    EXPECT_EQ(sound->totalFrames, 9000u);
    EXPECT_EQ(DecodeAll(*sound), DecodeReference(bytes));

    ASSERT_TRUE(RewindSound(*sound));
    EXPECT_EQ(DecodeAll(*sound), DecodeReference(bytes)) << "rewinding starts at the first frame";
}

TEST(SoundDataTest, AResourceSoundPlaysTwentyMillisecondsOfBytesShorter) {
    EXPECT_EQ(ResourceSoundTrim(2, 44000), 3520u);
    EXPECT_EQ(ResourceSoundTrim(2, 11025), 882u);
    EXPECT_EQ(ResourceSoundTrim(1, 22050), 882u);

    const auto& bytes = Vorbis(2, 44000, 88000);
    auto resource = OpenSoundResource(bytes.data(), bytes.size(), platform::ExecutableModule());
    ASSERT_TRUE(resource);
    EXPECT_EQ(resource->totalFrames, 84480u);
    const auto reference = DecodeReference(bytes);
    auto played = DecodeAll(*resource);
    ASSERT_EQ(played.size(), 2u * 84480);
    EXPECT_TRUE(std::equal(played.begin(), played.end(), reference.begin()));

    // A resource no longer than the cut keeps all its frames.
    const auto& tiny = Vorbis(2, 44000, 3000);
    auto short_ = OpenSoundResource(tiny.data(), tiny.size(), platform::ExecutableModule());
    ASSERT_TRUE(short_);
    EXPECT_EQ(short_->totalFrames, 3000u);
}

TEST(SoundDataTest, DamagedBytesOpenToNothingOrDecodeWhatTheyHold) {
    // Two seconds make three pages: the headers, then two of sound.
    const auto& good = Vorbis(2, 44000, 88000);
    const auto reference = DecodeReference(good);
    auto damaged = [&good](size_t from, size_t count) {
        std::vector<unsigned char> bytes = good;
        for (size_t i = from; i < from + count; ++i)
            bytes[i] ^= 0x5A;
        return bytes;
    };
    std::vector<unsigned char> noise(4096);
    for (size_t i = 0; i < noise.size(); ++i)
        noise[i] = static_cast<unsigned char>(i * 2654435761u >> 13);
    struct Damage {
        const char* what;
        std::vector<unsigned char> bytes;
        bool opens;
    };
    const Damage cases[] = {
        {"empty", {}, false},
        {"noise", noise, false},
        {"headers cut", std::vector<unsigned char>(good.begin(), good.begin() + 60), false},
        {"codebooks damaged", damaged(good.size() / 5, 64), false},
        {"last page cut", std::vector<unsigned char>(good.begin(), good.end() - 1), true},
        {"sound page damaged", damaged(good.size() * 2 / 3, 64), true},
    };
    for (const Damage& d : cases) {
        SCOPED_TRACE(d.what);
        auto sound = OpenSoundFromMemory(d.bytes.data(), d.bytes.size());
        ASSERT_EQ(sound != nullptr, d.opens);
        if (sound) {
            const auto decoded = DecodeAll(*sound);
            EXPECT_LE(decoded.size(), static_cast<size_t>(sound->totalFrames) * 2);
            EXPECT_LT(decoded.size(), reference.size());
        }
    }
}

// libvorbis takes the codebooks of a failed decoder set-up for ready on its
// next attempt, after a seek, and then crashes on them (a division by zero).
TEST(SoundDataTest, ASoundWhoseDecoderCannotBeSetUpStaysSilentAfterRewinding) {
    const auto bytes = WithOverfullCodebook(Vorbis(2, 44000, 88000));
    auto sound = OpenSoundFromMemory(bytes.data(), bytes.size());
    ASSERT_TRUE(sound) << "the headers themselves still read";
    std::vector<uint8_t> half(44000 * 2);
    for (int playback = 0; playback < 3; ++playback) {
        SCOPED_TRACE(playback);
        EXPECT_EQ(DecodeInto(*sound, half.data(), half.size()), 0u);
        EXPECT_FALSE(RewindSound(*sound));
    }
}

TEST(SoundDataTest, FilesOpenByWidePath) {
    EXPECT_FALSE(OpenSoundFile(L"/no/such/звук.ogg"));
    const auto& bytes = Vorbis(1, 22050, 5000);
    const std::string path = testing::TempDir() + "звук-" + std::to_string(getpid()) + ".ogg";
    std::FILE* file = std::fopen(path.c_str(), "wb");
    ASSERT_TRUE(file);
    std::fwrite(bytes.data(), 1, bytes.size(), file);
    std::fclose(file);
    auto sound = OpenSoundFile(platform::Utf8ToWide(path));
    std::remove(path.c_str());
    ASSERT_TRUE(sound);
    EXPECT_EQ(DecodeAll(*sound), DecodeReference(bytes));
}
