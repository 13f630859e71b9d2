// An Ogg Theora encoder into memory for the project's video generators: the test fixtures and the
// benchmark's stand-in for the instruction video. It uses libtheora's encoder (pkg-config
// theoraenc) with libogg; the program itself only decodes.
#pragma once

#include <ogg/ogg.h>
#include <theora/theoraenc.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <stdexcept>
#include <vector>

namespace videotools {

struct VideoFormat {
    int pictureWidth = 64;
    int pictureHeight = 48;
    int framesPerSecond = 25;
    // libtheora's quality, 0 … 63.
    int quality = 48;
    // The longest run of frames between two key frames.
    unsigned keyframeInterval = 8;
    // Every frame on a page of its own, rather than pages of about 4 KB.
    bool pagePerFrame = false;
};

// One frame to encode: the whole encoded frame (the picture rounded up to multiples of 16, the
// picture at its top left), 4:2:0, every plane top row first.
struct YuvFrame {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> y;
    std::vector<uint8_t> cb;
    std::vector<uint8_t> cr;

    YuvFrame(int frameWidth, int frameHeight)
        : width(frameWidth), height(frameHeight),
          y(static_cast<size_t>(frameWidth) * frameHeight, 16),
          cb(static_cast<size_t>(frameWidth / 2) * (frameHeight / 2), 128),
          cr(static_cast<size_t>(frameWidth / 2) * (frameHeight / 2), 128) {}

    uint8_t& Y(int x, int row) { return y[static_cast<size_t>(row) * width + x]; }
    uint8_t& Cb(int x, int row) { return cb[static_cast<size_t>(row / 2) * (width / 2) + x / 2]; }
    uint8_t& Cr(int x, int row) { return cr[static_cast<size_t>(row / 2) * (width / 2) + x / 2]; }

    // Studio-range Rec. 601 of an RGB colour; the chroma of a 2 × 2 block is the last one set.
    void SetRgb(int x, int row, int red, int green, int blue) {
        Y(x, row) = static_cast<uint8_t>(
            std::clamp((16 * 256 + 66 * red + 129 * green + 25 * blue + 128) / 256, 16, 235));
        Cb(x, row) = static_cast<uint8_t>(
            std::clamp((128 * 256 - 38 * red - 74 * green + 112 * blue + 128) / 256, 16, 240));
        Cr(x, row) = static_cast<uint8_t>(
            std::clamp((128 * 256 + 112 * red - 94 * green - 18 * blue + 128) / 256, 16, 240));
    }
};

inline int EncodedSize(int pictureSize) {
    return (pictureSize + 15) / 16 * 16;
}

// Encodes frames one by one into one Ogg Theora stream. Each of the three headers has a page of its
// own (the format requires it of the identification header; for the others it lets a test cut a
// file between them).
class TheoraWriter {
public:
    explicit TheoraWriter(const VideoFormat& format, int serialNumber = 1) {
        th_info info;
        th_info_init(&info);
        info.frame_width = static_cast<ogg_uint32_t>(EncodedSize(format.pictureWidth));
        info.frame_height = static_cast<ogg_uint32_t>(EncodedSize(format.pictureHeight));
        info.pic_width = static_cast<ogg_uint32_t>(format.pictureWidth);
        info.pic_height = static_cast<ogg_uint32_t>(format.pictureHeight);
        info.pic_x = 0;
        info.pic_y = 0;
        info.fps_numerator = static_cast<ogg_uint32_t>(format.framesPerSecond);
        info.fps_denominator = 1;
        info.aspect_numerator = 1;
        info.aspect_denominator = 1;
        info.colorspace = TH_CS_UNSPECIFIED;
        info.pixel_fmt = TH_PF_420;
        info.target_bitrate = 0;
        info.quality = format.quality;
        pagePerFrame_ = format.pagePerFrame;
        frameWidth_ = static_cast<int>(info.frame_width);
        frameHeight_ = static_cast<int>(info.frame_height);
        encoder_ = th_encode_alloc(&info);
        th_info_clear(&info);
        if (!encoder_)
            throw std::runtime_error("the Theora encoder refused the format");
        ogg_uint32_t interval = format.keyframeInterval;
        th_encode_ctl(encoder_, TH_ENCCTL_SET_KEYFRAME_FREQUENCY_FORCE, &interval, sizeof interval);
        ogg_stream_init(&stream_, serialNumber);

        th_comment comment;
        th_comment_init(&comment);
        ogg_packet packet;
        while (th_encode_flushheader(encoder_, &comment, &packet) > 0) {
            ogg_stream_packetin(&stream_, &packet);
            Flush();
        }
        th_comment_clear(&comment);
    }

    ~TheoraWriter() {
        if (encoder_)
            th_encode_free(encoder_);
        ogg_stream_clear(&stream_);
    }

    TheoraWriter(const TheoraWriter&) = delete;
    TheoraWriter& operator=(const TheoraWriter&) = delete;

    int FrameWidth() const { return frameWidth_; }
    int FrameHeight() const { return frameHeight_; }
    YuvFrame NewFrame() const { return YuvFrame(frameWidth_, frameHeight_); }

    void AddFrame(YuvFrame& frame, bool last) {
        th_ycbcr_buffer buffer;
        buffer[0] = {frame.width, frame.height, frame.width, frame.y.data()};
        buffer[1] = {frame.width / 2, frame.height / 2, frame.width / 2, frame.cb.data()};
        buffer[2] = {frame.width / 2, frame.height / 2, frame.width / 2, frame.cr.data()};
        if (th_encode_ycbcr_in(encoder_, buffer) != 0)
            throw std::runtime_error("the Theora encoder refused a frame");
        ogg_packet packet;
        while (th_encode_packetout(encoder_, last ? 1 : 0, &packet) > 0)
            ogg_stream_packetin(&stream_, &packet);
        if (pagePerFrame_) {
            Flush();
            return;
        }
        ogg_page page;
        while (ogg_stream_pageout(&stream_, &page) > 0)
            Append(page);
    }

    // The file so far, with every packet written out.
    std::vector<uint8_t> Finish() {
        Flush();
        return bytes_;
    }

private:
    void Append(const ogg_page& page) {
        bytes_.insert(bytes_.end(), page.header, page.header + page.header_len);
        bytes_.insert(bytes_.end(), page.body, page.body + page.body_len);
    }

    void Flush() {
        ogg_page page;
        while (ogg_stream_flush(&stream_, &page) > 0)
            Append(page);
    }

    th_enc_ctx* encoder_ = nullptr;
    ogg_stream_state stream_{};
    bool pagePerFrame_ = false;
    int frameWidth_ = 0;
    int frameHeight_ = 0;
    std::vector<uint8_t> bytes_;
};

} // namespace videotools
