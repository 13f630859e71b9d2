// Small readers that decode the committed asset files with the same libraries the program uses.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace assets_test {

// Path of a file under assets/ in the source tree.
std::string AssetPath(const std::string& relative);

struct PngPicture {
    int width = 0;
    int height = 0;
    int bitDepth = 0;
    bool hasAlpha = false;     // colour type RGBA, as stored in the file
    bool isRgb = false;        // colour type RGB or RGBA (not palette, not grey)
    std::vector<uint8_t> rgba; // decoded pixels, 4 bytes each (alpha 255 where the file has none)

    const uint8_t* At(int x, int y) const {
        return &rgba[4 * (static_cast<size_t>(y) * width + x)];
    }
    int Alpha(int x, int y) const { return At(x, y)[3]; }
};

// Decodes a PNG file completely; nothing when the file is missing or corrupt.
std::optional<PngPicture> ReadPng(const std::string& path);

struct VorbisSound {
    int channels = 0;
    long rate = 0;
    double seconds = 0;
    int64_t decodedFrames = 0; // sample frames that decoding the whole stream produced
};

std::optional<VorbisSound> ReadVorbis(const std::string& path);

struct TheoraVideo {
    int width = 0; // picture size, not the encoded frame size
    int height = 0;
    double fps = 0;
    int frames = 0; // frames that decoded without error
    bool allDecoded = false;
};

std::optional<TheoraVideo> ReadTheora(const std::string& path);

} // namespace assets_test
