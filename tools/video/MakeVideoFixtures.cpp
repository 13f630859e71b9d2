// Makes the small Ogg Theora streams the video tests decode (tools/make-video-fixtures.sh builds
// and runs it): a 25-frame counter and a stream with headers and no frames.
//
// Counter25.ogv: a 64 × 40 picture in a 64 × 48 encoded frame, 25 frames per second, a key frame
// every 4 frames, each header and each frame on a page of its own (page 3 + k holds frame k).
// Frame k shows, in rows 0 … 15, a flat grey of Y = 40 + 7 × k (neutral chroma) by which a test
// tells the frames apart, and below it the number k in white digits on black for whoever looks
// at it. Rows 16 … 39 of the left 8 columns are always black, so a picture read upside down is
// told from a right one.
//
// HeadersOnly.ogv: the same format's three headers, no frame.
#include "tools/video/TheoraWriter.h"

#include <cstdio>
#include <string>
#include <vector>

namespace {

// 3 × 5 digits, one row per entry, the top bit on the left.
constexpr unsigned char kDigits[10][5] = {
    {7, 5, 5, 5, 7}, {2, 6, 2, 2, 7}, {7, 1, 7, 4, 7}, {7, 1, 7, 1, 7}, {5, 5, 7, 1, 1},
    {7, 4, 7, 1, 7}, {7, 4, 7, 5, 7}, {7, 1, 2, 2, 2}, {7, 5, 7, 5, 7}, {7, 5, 7, 1, 7},
};

constexpr int kScale = 4;

void DrawDigit(videotools::YuvFrame& frame, int digit, int left, int top) {
    for (int row = 0; row < 5; ++row)
        for (int column = 0; column < 3; ++column)
            if (kDigits[digit][row] & (4 >> column))
                for (int dy = 0; dy < kScale; ++dy)
                    for (int dx = 0; dx < kScale; ++dx)
                        frame.Y(left + column * kScale + dx, top + row * kScale + dy) = 235;
}

videotools::VideoFormat CounterFormat() {
    videotools::VideoFormat format;
    format.pictureWidth = 64;
    format.pictureHeight = 40;
    format.framesPerSecond = 25;
    format.quality = 48;
    format.keyframeInterval = 4;
    format.pagePerFrame = true;
    return format;
}

std::vector<uint8_t> Counter(int frames) {
    videotools::TheoraWriter writer(CounterFormat());
    for (int k = 0; k < frames; ++k) {
        videotools::YuvFrame frame = writer.NewFrame();
        for (int row = 0; row < 16; ++row)
            for (int x = 0; x < frame.width; ++x)
                frame.Y(x, row) = static_cast<uint8_t>(40 + 7 * k);
        DrawDigit(frame, k / 10, 20, 18);
        DrawDigit(frame, k % 10, 36, 18);
        writer.AddFrame(frame, k + 1 == frames);
    }
    return writer.Finish();
}

bool Write(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) {
        std::perror(path.c_str());
        return false;
    }
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return std::fclose(file) == 0 && written;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <output folder>\n", argv[0]);
        return 2;
    }
    const std::string folder = argv[1];
    const std::vector<uint8_t> counter = Counter(25);
    const std::vector<uint8_t> headers = videotools::TheoraWriter(CounterFormat()).Finish();
    if (!Write(folder + "/Counter25.ogv", counter) || !Write(folder + "/HeadersOnly.ogv", headers))
        return 1;
    std::printf("Counter25.ogv: %zu bytes, HeadersOnly.ogv: %zu bytes\n", counter.size(),
                headers.size());
    return 0;
}
