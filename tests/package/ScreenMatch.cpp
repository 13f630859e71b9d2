// Compares what an X display shows with a picture of the screen that should be
// there: the package's smoke test reads the framebuffer Xvfb keeps in a file
// (XWD format, -fbdir) and the screenshot the same build drew headless.
//
//     screen_match DISPLAY.xwd EXPECTED.png MIN_SHARE [SHOWN.png]
//
// Prints the share of pixels that agree (every channel within kTolerance)
// and exits 0 when it is at least MIN_SHARE, 1 when not, 2 when a file cannot
// be read. SHOWN.png, when given, receives what the display showed.
#include <png.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

namespace {

// The same software renderer draws both pictures; the slack only absorbs a
// display whose depth rounds colours.
constexpr int kTolerance = 4;

struct Picture {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> rgb; // three bytes a pixel, rows from the top
};

uint32_t BigEndian32(const std::string& bytes, size_t offset) {
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data() + offset);
    return (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | p[3];
}

int LowestBit(uint32_t mask) {
    int shift = 0;
    while (mask != 0 && (mask & 1) == 0) {
        mask >>= 1;
        ++shift;
    }
    return shift;
}

// A ZPixmap of 32 bits a pixel with 8-bit colour masks, as Xvfb writes for a
// 24-bit screen. The header's fields are big-endian; the pixels are in the
// byte order the header names.
std::optional<Picture> ReadXwd(const char* path) {
    std::ifstream file(path, std::ios::binary);
    const std::string bytes{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    if (bytes.size() < 100)
        return std::nullopt;
    enum Field { HeaderSize, Version, Format, Depth, Width, Height, XOffset, ByteOrder,
                 BitmapUnit, BitOrder, Pad, BitsPerPixel, BytesPerLine, VisualClass,
                 RedMask, GreenMask, BlueMask, BitsPerRgb, ColormapEntries, ColourCount };
    auto field = [&](Field f) { return BigEndian32(bytes, static_cast<size_t>(f) * 4); };
    if (field(Version) != 7 || field(Format) != 2 || field(BitsPerPixel) != 32)
        return std::nullopt;
    Picture picture;
    picture.width = static_cast<int>(field(Width));
    picture.height = static_cast<int>(field(Height));
    const size_t start = field(HeaderSize) + size_t{field(ColourCount)} * 12;
    const size_t stride = field(BytesPerLine);
    if (bytes.size() < start + stride * picture.height)
        return std::nullopt;
    const bool mostSignificantFirst = field(ByteOrder) == 1;
    const uint32_t masks[3] = {field(RedMask), field(GreenMask), field(BlueMask)};
    picture.rgb.resize(static_cast<size_t>(picture.width) * picture.height * 3);
    for (int y = 0; y < picture.height; ++y)
        for (int x = 0; x < picture.width; ++x) {
            const auto* p = reinterpret_cast<const unsigned char*>(bytes.data() + start +
                                                                   y * stride + x * 4);
            const uint32_t value =
                mostSignificantFirst
                    ? (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | p[3]
                    : (uint32_t{p[3]} << 24) | (uint32_t{p[2]} << 16) | (uint32_t{p[1]} << 8) | p[0];
            for (int c = 0; c < 3; ++c)
                picture.rgb[(static_cast<size_t>(y) * picture.width + x) * 3 + c] =
                    static_cast<uint8_t>((value & masks[c]) >> LowestBit(masks[c]));
        }
    return picture;
}

std::optional<Picture> ReadPng(const char* path) {
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    if (png_image_begin_read_from_file(&image, path) == 0)
        return std::nullopt;
    image.format = PNG_FORMAT_RGB;
    Picture picture;
    picture.width = static_cast<int>(image.width);
    picture.height = static_cast<int>(image.height);
    picture.rgb.resize(PNG_IMAGE_SIZE(image));
    if (png_image_finish_read(&image, nullptr, picture.rgb.data(), 0, nullptr) == 0)
        return std::nullopt;
    return picture;
}

bool WritePng(const char* path, const Picture& picture) {
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    image.width = static_cast<png_uint_32>(picture.width);
    image.height = static_cast<png_uint_32>(picture.height);
    image.format = PNG_FORMAT_RGB;
    return png_image_write_to_file(&image, path, 0, picture.rgb.data(), 0, nullptr) != 0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 4 && argc != 5) {
        std::fprintf(stderr, "usage: %s DISPLAY.xwd EXPECTED.png MIN_SHARE [SHOWN.png]\n", argv[0]);
        return 2;
    }
    const std::optional<Picture> shown = ReadXwd(argv[1]);
    const std::optional<Picture> expected = ReadPng(argv[2]);
    if (!shown || !expected) {
        std::fprintf(stderr, "screen_match: cannot read %s\n", shown ? argv[2] : argv[1]);
        return 2;
    }
    if (argc == 5 && !WritePng(argv[4], *shown))
        std::fprintf(stderr, "screen_match: cannot write %s\n", argv[4]);
    if (shown->width != expected->width || shown->height != expected->height) {
        std::printf("display %dx%d, expected picture %dx%d\n", shown->width, shown->height,
                    expected->width, expected->height);
        return 1;
    }
    size_t agreeing = 0;
    const size_t pixels = expected->rgb.size() / 3;
    for (size_t i = 0; i < pixels; ++i) {
        bool same = true;
        for (int c = 0; c < 3; ++c)
            same = same && std::abs(shown->rgb[i * 3 + c] - expected->rgb[i * 3 + c]) <= kTolerance;
        agreeing += same;
    }
    const double share = static_cast<double>(agreeing) / static_cast<double>(pixels);
    const double wanted = std::strtod(argv[3], nullptr);
    std::printf("%.4f of the pixels agree (at least %.4f wanted)\n", share, wanted);
    return share >= wanted ? 0 : 1;
}
