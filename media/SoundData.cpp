// Opening Ogg Vorbis sources through vorbisfile's callbacks, and decoding.
#include "media/SoundData.h"

#include "platform/TextCodec.h"

#include <sys/types.h>

#include <algorithm>
#include <climits>
#include <cstring>

namespace {

size_t MemoryRead(void* destination, size_t size, size_t count, void* source) {
    auto* reader = static_cast<SoundMemoryReader*>(source);
    if (size == 0)
        return 0;
    size_t left = static_cast<size_t>(reader->size - reader->position);
    size_t bytes = std::min(size * count, left);
    std::memcpy(destination, reader->data + reader->position, bytes);
    reader->position += static_cast<int>(bytes);
    return bytes / size;
}

// A position outside the bytes is refused rather than stored, so that no later
// read can leave them.
int MemorySeek(void* source, ogg_int64_t offset, int origin) {
    auto* reader = static_cast<SoundMemoryReader*>(source);
    ogg_int64_t position;
    switch (origin) {
    case SEEK_SET:
        position = offset;
        break;
    case SEEK_CUR:
        position = reader->position + offset;
        break;
    case SEEK_END:
        position = reader->size + offset;
        break;
    default:
        return -1;
    }
    if (position < 0 || position > reader->size)
        return -1;
    reader->position = static_cast<int>(position);
    return 0;
}

int MemoryClose(void*) {
    return 1;
}

long MemoryTell(void* source) {
    return static_cast<SoundMemoryReader*>(source)->position;
}

size_t FileRead(void* destination, size_t size, size_t count, void* source) {
    return std::fread(destination, size, count, static_cast<std::FILE*>(source));
}

int FileSeek(void* source, ogg_int64_t offset, int origin) {
    return fseeko(static_cast<std::FILE*>(source), static_cast<off_t>(offset), origin);
}

// The file is closed with the sound, not by the decoder.
int FileClose(void*) {
    return 0;
}

long FileTell(void* source) {
    return static_cast<long>(ftello(static_cast<std::FILE*>(source)));
}

constexpr ov_callbacks kMemoryCallbacks = {MemoryRead, MemorySeek, MemoryClose, MemoryTell};
constexpr ov_callbacks kFileCallbacks = {FileRead, FileSeek, FileClose, FileTell};

// Opens the decoder on the sound's source and reads the stream's format.
bool OpenDecoder(SoundData& sound, void* source, const ov_callbacks& callbacks) {
    if (ov_open_callbacks(source, &sound.decoder, nullptr, 0, callbacks) != 0)
        return false;
    sound.decoderOpen = true;
    const vorbis_info* info = ov_info(&sound.decoder, -1);
    const ogg_int64_t total = ov_pcm_total(&sound.decoder, -1);
    if (!info || info->channels < 1 || info->rate < 1 || info->rate > INT_MAX || total < 0)
        return false;
    sound.channels = info->channels;
    sound.sampleRate = static_cast<int>(info->rate);
    // Two bytes per channel: a stream of more than two channels plays all of
    // its frames rather than two thirds or less of them.
    sound.frameBytes = sound.channels * 2;
    sound.totalFrames = static_cast<uint32_t>(std::min<ogg_int64_t>(total, UINT32_MAX));
    return true;
}

std::unique_ptr<SoundData> OpenMemory(const void* data, size_t size) {
    if (!data || size == 0 || size > static_cast<size_t>(INT_MAX))
        return nullptr;
    auto sound = std::make_unique<SoundData>();
    sound->memory =
        SoundMemoryReader{static_cast<const unsigned char*>(data), 0, static_cast<int>(size)};
    if (!OpenDecoder(*sound, &sound->memory, kMemoryCallbacks))
        return nullptr;
    return sound;
}

} // namespace

SoundData::~SoundData() {
    if (decoderOpen)
        ov_clear(&decoder);
    if (file)
        std::fclose(file);
}

std::unique_ptr<SoundData> OpenSoundFromMemory(const void* data, size_t size) {
    return OpenMemory(data, size);
}

std::unique_ptr<SoundData> OpenSoundResource(const void* data, size_t size,
                                             platform::AssetModuleHandle module) {
    std::unique_ptr<SoundData> sound = OpenMemory(data, size);
    if (!sound)
        return nullptr;
    sound->module = std::move(module);
    const uint32_t trim = ResourceSoundTrim(sound->channels, sound->sampleRate);
    if (sound->totalFrames > trim)
        sound->totalFrames -= trim;
    return sound;
}

uint32_t ResourceSoundTrim(int channels, int sampleRate) {
    // channels × rate × 2 × 0.02 in whole numbers, so that no rounding of 0.02
    // moves the result across an integer.
    return static_cast<uint32_t>(static_cast<int64_t>(channels) * sampleRate * 4 / 100);
}

std::unique_ptr<SoundData> OpenSoundFile(const std::wstring& path) {
    std::FILE* file = std::fopen(platform::WideToUtf8(path).c_str(), "rb");
    if (!file)
        return nullptr;
    auto sound = std::make_unique<SoundData>();
    sound->file = file;
    if (!OpenDecoder(*sound, file, kFileCallbacks))
        return nullptr;
    return sound;
}

size_t DecodeInto(SoundData& sound, uint8_t* destination, size_t length) {
    if (sound.decoderBroken)
        return 0;
    const ogg_int64_t position = ov_pcm_tell(&sound.decoder);
    if (position < 0)
        return 0;
    const ogg_int64_t left =
        (static_cast<ogg_int64_t>(sound.totalFrames) - position) * sound.frameBytes;
    if (left <= 0)
        return 0;
    const size_t limit = std::min(length, static_cast<size_t>(left));
    size_t written = 0;
    while (written < limit) {
        const int ask = static_cast<int>(std::min<size_t>(limit - written, INT_MAX));
        int link = 0;
        long got = ov_read(&sound.decoder, reinterpret_cast<char*>(destination + written), ask,
                           0 /* little-endian */, 2 /* 16-bit */, 1 /* signed */, &link);
        if (got <= 0) {
            if (got == OV_EBADLINK)
                sound.decoderBroken = true;
            break;
        }
        // A chained stream whose next part has another format would play as
        // noise in this buffer: the data ends where the format changes.
        const vorbis_info* info = ov_info(&sound.decoder, link);
        if (!info || info->channels != sound.channels || info->rate != sound.sampleRate)
            break;
        written += static_cast<size_t>(got);
    }
    return written;
}

bool RewindSound(SoundData& sound) {
    if (sound.decoderBroken)
        return false;
    const int result = ov_pcm_seek(&sound.decoder, 0);
    if (result == OV_EBADLINK)
        sound.decoderBroken = true;
    return result == 0;
}
