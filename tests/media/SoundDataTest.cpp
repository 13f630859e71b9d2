// Opening and decoding Ogg Vorbis sources: formats, the resource sounds'
// shorter length, and damaged bytes.
#include "SoundRig.h"

#include "media/SoundData.h"
#include "platform/TextCodec.h"

#include <gtest/gtest.h>

#include <cstring>

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
