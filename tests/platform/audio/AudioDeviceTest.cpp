// The audio device through its headless twin (mixing, conversion, cursors,
// locks, lost buffers) and through SDL's real dummy driver.
#include "platform/audio/AudioDevice.h"
#include "platform/audio/HeadlessAudio.h"

#include <gtest/gtest.h>

#include <SDL.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <thread>
#include <vector>

using namespace platform;
using namespace std::chrono_literals;

namespace {

std::unique_ptr<AudioDevice> OpenDevice() {
    std::unique_ptr<AudioDevice> device;
    EXPECT_EQ(AudioDevice::Create(device), AUDIO_OK);
    if (device) {
        EXPECT_EQ(device->SetCooperativeLevel(CooperativeLevel::Normal), AUDIO_OK);
    }
    return device;
}

std::unique_ptr<AudioBuffer> MakeBuffer(AudioDevice& device, PcmFormat format, uint32_t frames,
                                        const std::vector<int16_t>& frameValues) {
    std::unique_ptr<AudioBuffer> buffer;
    EXPECT_EQ(device.CreateSoundBuffer(format, frames * format.BlockAlign(), buffer), AUDIO_OK);
    void* data = nullptr;
    EXPECT_EQ(buffer->Lock(0, buffer->Size(), &data), AUDIO_OK);
    auto* samples = static_cast<int16_t*>(data);
    for (uint32_t i = 0; i < frames * static_cast<uint32_t>(format.channels); ++i)
        samples[i] = frameValues[i % frameValues.size()];
    EXPECT_EQ(buffer->Unlock(data, buffer->Size()), AUDIO_OK);
    return buffer;
}

// Restores an environment variable when the test ends.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const char* value) : name(name) {
        if (const char* old = std::getenv(name))
            previous = old;
        setenv(name, value, 1);
    }
    ~ScopedEnv() {
        if (previous)
            setenv(name, previous->c_str(), 1);
        else
            unsetenv(name);
    }

private:
    const char* name;
    std::optional<std::string> previous;
};

} // namespace

TEST(AudioDeviceTest, SumsPlayingBuffersWithClipping) {
    HeadlessAudio twin;
    auto device = OpenDevice();
    const PcmFormat stereo44 = AudioDevice::OutputFormat();
    auto a = MakeBuffer(*device, stereo44, 4410, {20000, -20000});
    auto b = MakeBuffer(*device, stereo44, 4410, {20000, -20000});
    a->Play(PlayMode::Looping);
    b->Play(PlayMode::Looping);
    twin.Advance(10ms);
    b->Stop();
    twin.Advance(10ms);

    std::vector<int16_t> out = twin.Output();
    ASSERT_EQ(out.size(), 2u * 882);
    EXPECT_EQ(out[0], 32767);
    EXPECT_EQ(out[1], -32768);
    EXPECT_EQ(out[2 * 440], 32767);
    EXPECT_EQ(out[2 * 441 + 0], 20000);
    EXPECT_EQ(out[2 * 881 + 1], -20000);
}

TEST(AudioDeviceTest, ConvertsRateAndChannelsAndAdvancesTheCursorAtTheSourceRate) {
    HeadlessAudio twin;
    auto device = OpenDevice();
    const PcmFormat mono22 = {1, 22050};
    auto buffer = MakeBuffer(*device, mono22, 22050, {8000});
    ASSERT_EQ(buffer->Play(PlayMode::Looping), AUDIO_OK);
    twin.Advance(400ms);

    uint32_t cursor = 0;
    ASSERT_EQ(buffer->GetCurrentPosition(&cursor), AUDIO_OK);
    // 0.4 s at 22050 Hz is 8820 frames, whatever the converter has read ahead.
    EXPECT_NEAR(cursor / 2, 8820, 32);

    std::vector<int16_t> out = twin.Output();
    ASSERT_EQ(out.size(), 2u * 17640);
    for (size_t frame = 1000; frame < 17640; frame += 997) {
        EXPECT_NEAR(out[2 * frame], 8000, 40) << frame;
        EXPECT_NEAR(out[2 * frame + 1], 8000, 40) << frame;
    }
}

TEST(AudioDeviceTest, BufferPlayedOnceStopsAtItsEndAndRecordsEveryFrame) {
    HeadlessAudio twin;
    auto device = OpenDevice();
    const PcmFormat stereo11 = {2, 11025};
    std::vector<int16_t> ramp;
    for (int i = 0; i < 2 * 1000; ++i)
        ramp.push_back(static_cast<int16_t>(i));
    auto buffer = MakeBuffer(*device, stereo11, 1000, ramp);
    buffer->Play(PlayMode::Once);
    twin.Advance(200ms);

    EXPECT_FALSE(buffer->IsPlaying());
    uint32_t cursor = 1;
    buffer->GetCurrentPosition(&cursor);
    EXPECT_EQ(cursor, 0u);
    auto records = twin.Buffers();
    ASSERT_EQ(records.size(), 1u);
    ASSERT_EQ(records[0].playbacks.size(), 1u);
    EXPECT_EQ(records[0].playbacks[0].samples, ramp);
    // 1000 frames at 11025 Hz last 91 ms: the buffer stops when they have come
    // out of the converter, not when the converter has read them.
    ASSERT_TRUE(records[0].playbacks[0].stopMicroseconds);
    EXPECT_NEAR(static_cast<double>(*records[0].playbacks[0].stopMicroseconds), 91'000, 30'000);
}

TEST(AudioDeviceTest, LocksCheckTheirRangeAndALostBufferAnswersUntilRestored) {
    HeadlessAudio twin;
    auto device = OpenDevice();
    auto buffer = MakeBuffer(*device, {2, 44100}, 100, {1234});
    void* data = nullptr;
    EXPECT_EQ(buffer->Lock(200, 201, &data), AUDIOERR_INVALIDPARAM);
    EXPECT_EQ(buffer->Lock(0, 0, &data), AUDIOERR_INVALIDPARAM);
    ASSERT_EQ(buffer->Lock(200, 200, &data), AUDIO_OK);
    EXPECT_EQ(static_cast<int16_t*>(data)[0], 1234);
    void* second = nullptr;
    EXPECT_EQ(buffer->Lock(0, 4, &second), AUDIOERR_INVALIDCALL);
    EXPECT_EQ(buffer->Unlock(data, 200), AUDIO_OK);

    buffer->Play(PlayMode::Looping);
    twin.LoseBuffers();
    EXPECT_EQ(buffer->Lock(0, 4, &data), AUDIOERR_BUFFERLOST);
    EXPECT_TRUE(buffer->IsPlaying());
    EXPECT_EQ(buffer->Restore(), AUDIO_OK);
    ASSERT_EQ(buffer->Lock(0, 4, &data), AUDIO_OK);
    EXPECT_EQ(static_cast<int16_t*>(data)[0], 0) << "a lost buffer's content is gone";
    EXPECT_EQ(buffer->Unlock(data, 4), AUDIO_OK);
}

TEST(AudioDeviceTest, RefusesWhatTheLevelOrFormatDoesNotAllow) {
    HeadlessAudio twin;
    std::unique_ptr<AudioDevice> device;
    ASSERT_EQ(AudioDevice::Create(device), AUDIO_OK);
    std::unique_ptr<AudioBuffer> buffer;
    EXPECT_EQ(device->CreateSoundBuffer({2, 44100}, 4000, buffer), AUDIOERR_PRIOLEVELNEEDED)
        << "no level set yet";
    ASSERT_EQ(device->SetCooperativeLevel(CooperativeLevel::Normal), AUDIO_OK);
    EXPECT_EQ(device->CreatePrimaryBuffer(buffer), AUDIOERR_PRIOLEVELNEEDED);
    EXPECT_EQ(device->CreateSoundBuffer({2, 44100}, 4002, buffer), AUDIOERR_INVALIDPARAM)
        << "not a whole number of frames";
    EXPECT_EQ(device->CreateSoundBuffer({0, 44100}, 4000, buffer), AUDIOERR_BADFORMAT);
    EXPECT_EQ(device->CreateSoundBuffer({9, 44100}, 18000, buffer), AUDIOERR_BADFORMAT);
    EXPECT_FALSE(buffer);

    ASSERT_EQ(device->SetCooperativeLevel(CooperativeLevel::Priority), AUDIO_OK);
    ASSERT_EQ(device->CreatePrimaryBuffer(buffer), AUDIO_OK);
    void* data = nullptr;
    EXPECT_EQ(buffer->Lock(0, 4, &data), AUDIOERR_INVALIDCALL);
    EXPECT_EQ(buffer->SetFormat({2, 44100}), AUDIO_OK);
    EXPECT_EQ(buffer->Play(PlayMode::Looping), AUDIO_OK);
}

TEST(AudioDeviceTest, SdlDummyDriverPlaysInRealTime) {
    ScopedEnv driver("SDL_AUDIODRIVER", "dummy");
    ASSERT_FALSE(HeadlessAudio::IsInstalled());
    auto device = OpenDevice();
    ASSERT_TRUE(device);
    auto buffer = MakeBuffer(*device, {2, 22050}, 22050, {100, -100});
    ASSERT_EQ(buffer->Play(PlayMode::Looping), AUDIO_OK);
    uint32_t cursor = 0;
    for (int i = 0; i < 200 && cursor == 0; ++i) {
        std::this_thread::sleep_for(10ms);
        ASSERT_EQ(buffer->GetCurrentPosition(&cursor), AUDIO_OK);
    }
    EXPECT_GT(cursor, 0u) << "SDL's callback mixes the buffer";
    EXPECT_EQ(buffer->Stop(), AUDIO_OK);
}

TEST(AudioDeviceTest, AfterSdlReportsTheDeviceGoneBuffersStillPlayToTheirEnd) {
    ScopedEnv driver("SDL_AUDIODRIVER", "dummy");
    auto device = OpenDevice();
    ASSERT_TRUE(device);
    // The device SDL opened first for SDL_OpenAudioDevice is number 2; a
    // removal of another device is no concern of this one.
    for (Uint32 which : {7u, 2u}) {
        SDL_Event removed{};
        removed.type = SDL_AUDIODEVICEREMOVED;
        removed.adevice.which = which;
        SDL_PushEvent(&removed);
    }
    auto buffer = MakeBuffer(*device, {2, 44100}, 4410, {100, -100});
    ASSERT_EQ(buffer->Play(PlayMode::Once), AUDIO_OK);
    for (int i = 0; i < 300 && buffer->IsPlaying(); ++i)
        std::this_thread::sleep_for(10ms);
    EXPECT_FALSE(buffer->IsPlaying()) << "a tenth of a second played out in real time";
    buffer.reset();
    device.reset();
}

TEST(AudioDeviceTest, NoAudioDriverMeansNoDevice) {
    ScopedEnv driver("SDL_AUDIODRIVER", "no-such-driver");
    std::unique_ptr<AudioDevice> device;
    EXPECT_EQ(AudioDevice::Create(device), AUDIOERR_NODRIVER);
    EXPECT_FALSE(device);
}
