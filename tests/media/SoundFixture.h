// Real Ogg Vorbis bytes for the sound tests, encoded here with libvorbisenc,
// and a reference decoding of them through vorbisfile.
#pragma once

#include <vorbis/vorbisenc.h>
#include <vorbis/vorbisfile.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <functional>
#include <stdexcept>
#include <vector>

namespace sound_fixture {

// A chirp, different on each channel, so that every stretch of the decoded
// sound is unlike every other and never silent: a test can tell which part of
// the sound was played, and that it was played from the start.
inline float Chirp(int channel, int64_t frame, int rate) {
    const double t = static_cast<double>(frame) / rate;
    const double f0 = 220.0 + 110.0 * channel;
    const double phase = 2 * M_PI * (f0 * t + 150.0 * t * t);
    return static_cast<float>(0.45 * std::sin(phase));
}

using Signal = std::function<float(int channel, int64_t frame)>;

// Quality 0.1 keeps the fixtures small; the benchmark asks for more, and for a
// richer signal that costs the decoder what speech does.
inline std::vector<unsigned char> EncodeVorbis(int channels, int rate, int64_t frames,
                                               float quality = 0.1f, Signal signal = {}) {
    if (!signal)
        signal = [rate](int channel, int64_t frame) { return Chirp(channel, frame, rate); };
    std::vector<unsigned char> bytes;
    auto append = [&bytes](const ogg_page& page) {
        bytes.insert(bytes.end(), page.header, page.header + page.header_len);
        bytes.insert(bytes.end(), page.body, page.body + page.body_len);
    };

    vorbis_info info;
    vorbis_info_init(&info);
    if (vorbis_encode_init_vbr(&info, channels, rate, quality) != 0)
        throw std::runtime_error("vorbisenc refused the format");
    vorbis_comment comment;
    vorbis_comment_init(&comment);
    vorbis_dsp_state dsp;
    vorbis_analysis_init(&dsp, &info);
    vorbis_block block;
    vorbis_block_init(&dsp, &block);
    ogg_stream_state stream;
    ogg_stream_init(&stream, 0x5eed);

    ogg_packet header, commentHeader, codeHeader;
    vorbis_analysis_headerout(&dsp, &comment, &header, &commentHeader, &codeHeader);
    ogg_stream_packetin(&stream, &header);
    ogg_stream_packetin(&stream, &commentHeader);
    ogg_stream_packetin(&stream, &codeHeader);
    ogg_page page;
    while (ogg_stream_flush(&stream, &page) != 0)
        append(page);

    auto drain = [&] {
        while (vorbis_analysis_blockout(&dsp, &block) == 1) {
            vorbis_analysis(&block, nullptr);
            vorbis_bitrate_addblock(&block);
            ogg_packet packet;
            while (vorbis_bitrate_flushpacket(&dsp, &packet)) {
                ogg_stream_packetin(&stream, &packet);
                while (ogg_stream_pageout(&stream, &page) != 0)
                    append(page);
            }
        }
    };
    constexpr int kChunk = 4096;
    for (int64_t done = 0; done < frames;) {
        const int n = static_cast<int>(std::min<int64_t>(kChunk, frames - done));
        float** planes = vorbis_analysis_buffer(&dsp, n);
        for (int c = 0; c < channels; ++c)
            for (int i = 0; i < n; ++i)
                planes[c][i] = signal(c, done + i);
        vorbis_analysis_wrote(&dsp, n);
        done += n;
        drain();
    }
    vorbis_analysis_wrote(&dsp, 0);
    drain();
    while (ogg_stream_flush(&stream, &page) != 0)
        append(page);

    ogg_stream_clear(&stream);
    vorbis_block_clear(&block);
    vorbis_dsp_clear(&dsp);
    vorbis_comment_clear(&comment);
    vorbis_info_clear(&info);
    return bytes;
}

// Interleaved 16-bit samples of the whole stream, decoded straight through.
inline std::vector<int16_t> DecodeReference(const std::vector<unsigned char>& bytes) {
    // A temporary file rather than fmemopen, which Windows' C library lacks.
    std::FILE* file = std::tmpfile();
    if (!file || std::fwrite(bytes.data(), 1, bytes.size(), file) != bytes.size())
        throw std::runtime_error("cannot write the fixture to a temporary file");
    std::rewind(file);
    OggVorbis_File vf;
    if (ov_open(file, &vf, nullptr, 0) != 0) {
        std::fclose(file);
        throw std::runtime_error("reference decoder refused the fixture");
    }
    std::vector<int16_t> samples;
    char chunk[8192];
    int link = 0;
    for (;;) {
        long got = ov_read(&vf, chunk, sizeof chunk, 0, 2, 1, &link);
        if (got <= 0)
            break;
        const auto* s = reinterpret_cast<const int16_t*>(chunk);
        samples.insert(samples.end(), s, s + got / 2);
    }
    ov_clear(&vf); // closes the file
    return samples;
}

} // namespace sound_fixture
