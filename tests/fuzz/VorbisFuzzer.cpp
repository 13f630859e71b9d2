// Arbitrary bytes as an Ogg Vorbis sound: opened as a memory sound and as a resource sound, given a
// stream on the headless audio device, and decoded to the end in the halves a playing stream fills,
// then rewound and primed again as a second playback is.
#include "media/CSoundSystem.h"
#include "media/SoundData.h"
#include "platform/audio/HeadlessAudio.h"
#include "tests/fuzz/Checksums.h"
#include "tests/fuzz/FuzzCheck.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

// Past this much sound (six minutes of stereo at 44.1 kHz, longer than anything the program
// carries) the rest of an input only repeats what was decoded already. Short packets can make
// hours of sound out of a few hundred kilobytes.
constexpr size_t kMaxDecodedBytes = 64u << 20;

class FuzzSoundSystem : public CSoundSystem {
public:
    CSoundStream* Stream(uint32_t id) { return FindStream(id); }
};

// Decodes the whole sound as the stream's priming and refills do, checking what DecodeInto
// promises: never more than asked and never part of a sample frame.
void DecodeAll(SoundData& sound, size_t halfBytes) {
    std::vector<uint8_t> half(halfBytes);
    size_t total = 0;
    while (total < kMaxDecodedBytes) {
        const size_t got = DecodeInto(sound, half.data(), half.size());
        fuzz::Require(got <= half.size(), "DecodeInto wrote past the buffer");
        fuzz::Require(got % sound.frameBytes == 0, "DecodeInto wrote part of a sample frame");
        total += got;
        if (got < half.size())
            break;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static platform::HeadlessAudio audio;
    // Sounds read their bytes in place for as long as they live.
    std::vector<uint8_t> bytes(data, data + size);
    fuzz::FixOggChecksums(bytes);
    data = bytes.data();

    // A resource sound: the same bytes, played shortened by the resource trim.
    if (std::unique_ptr<SoundData> resource = OpenSoundResource(data, size, {})) {
        fuzz::Require(resource->channels >= 1 && resource->sampleRate >= 1,
                      "a sound without a format");
        DecodeAll(*resource, 4096 * static_cast<size_t>(resource->frameBytes));
    }

    FuzzSoundSystem system;
    system.InitSound(&system);
    const uint32_t id = system.CreateStreamFromMemory(L"fuzz", data, size);
    if (id == 0)
        return 0;
    CSoundStream* stream = system.Stream(id);
    fuzz::Require(stream != nullptr && stream->sound != nullptr, "a stream id without its stream");
    SoundData& sound = *stream->sound;
    // A stream of a format the device cannot play has no buffer, but its halves are still sized.
    const size_t halfBytes = stream->halfBytes > 0 ? stream->halfBytes : 4096;
    DecodeAll(sound, halfBytes);
    // Every playback starts again at the first sample and primes the first half.
    if (RewindSound(sound)) {
        std::vector<uint8_t> half(halfBytes);
        DecodeInto(sound, half.data(), half.size());
    }
    // The same name shares the stream.
    fuzz::Require(system.CreateStreamFromMemory(L"fuzz", data, size) == id,
                  "the name got a new stream");
    return 0;
}
