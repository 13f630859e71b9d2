// One opened Ogg Vorbis source (bytes in memory, a resource read in place, or
// a file) and the decoding of its 16-bit PCM into buffer memory.
#pragma once

#include "platform/resources/AssetResources.h"

#include <vorbis/vorbisfile.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

// Bytes read through vorbisfile's memory callbacks.
struct SoundMemoryReader {
    const unsigned char* data = nullptr;
    int position = 0;
    int size = 0;
};

struct SoundData {
    SoundData() = default;
    ~SoundData();
    SoundData(const SoundData&) = delete;
    SoundData& operator=(const SoundData&) = delete;

    std::FILE* file = nullptr;
    // Keeps the container of a resource sound open while the sound exists.
    platform::AssetModuleHandle module;
    SoundMemoryReader memory;
    int channels = 0;
    int sampleRate = 0;
    // Bytes of one frame of 16-bit output: two per channel.
    int frameBytes = 0;
    uint32_t totalFrames = 0;
    OggVorbis_File decoder{};
    bool decoderOpen = false;
    // Set when libvorbis could not set its decoder up from the stream's
    // codebooks (OV_EBADLINK). It leaves half-made codebooks behind and takes
    // them for ready on its next attempt, which then divides by zero or reads
    // through null tables, so such a sound is never decoded or sought again.
    bool decoderBroken = false;
};

// Each returns null when the bytes are not a readable Ogg Vorbis stream (or
// the file cannot be opened). Memory bytes must outlive the sound.
std::unique_ptr<SoundData> OpenSoundFromMemory(const void* data, size_t size);
std::unique_ptr<SoundData> OpenSoundFile(const std::wstring& path);

// A resource's bytes, read in place; `module` keeps their container open. The
// played length is shortened as for every resource sound (below).
std::unique_ptr<SoundData> OpenSoundResource(const void* data, size_t size,
                                             platform::AssetModuleHandle module);

// Frames cut from the end of a resource sound: trunc(channels × rate × 2 × 0.02).
uint32_t ResourceSoundTrim(int channels, int sampleRate);

// Decodes at most `length` bytes, and never past `totalFrames`, from the
// decoder's position into `destination`. Returns the bytes written: fewer than
// asked for at the end of the data or at a decoding error, none once the
// decoder is broken.
size_t DecodeInto(SoundData& sound, uint8_t* destination, size_t length);

// Puts the decoder back at the first frame; false when it cannot seek or is
// broken.
bool RewindSound(SoundData& sound);
