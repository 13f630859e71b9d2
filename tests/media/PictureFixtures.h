// Encoders that make real PNG and JPEG bytes for the media tests, the fixture tool and the
// benchmark: libpng's writer and libjpeg's compressor into memory.
#pragma once

#include <png.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <stdexcept>
#include <string>
#include <vector>

#include <jpeglib.h>

namespace fixtures {

struct PngPicture {
    int width = 0;
    int height = 0;
    int colorType = PNG_COLOR_TYPE_RGBA;
    int bitDepth = 8;
    // Rows as PNG stores them: samples in R, G, B, A order (or grey, grey + alpha, palette index),
    // big-endian for 16 bits, packed for fewer than 8.
    std::vector<uint8_t> samples;
    std::vector<png_color> palette;
    std::vector<uint8_t> transparency; // tRNS alpha per palette entry
    double gamma = 0.0;                // gAMA when non-zero
    bool hasBackground = false;
    png_color_16 background{};
    bool interlaced = false;
    int compression = 6;

    size_t RowBytes() const {
        int channels = colorType == PNG_COLOR_TYPE_RGBA         ? 4
                       : colorType == PNG_COLOR_TYPE_RGB        ? 3
                       : colorType == PNG_COLOR_TYPE_GRAY_ALPHA ? 2
                                                                : 1;
        return (static_cast<size_t>(width) * channels * bitDepth + 7) / 8;
    }
};

inline void AppendBytes(png_structp png, png_bytep data, size_t length) {
    auto* out = static_cast<std::vector<uint8_t>*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + length);
}

inline std::vector<uint8_t> EncodePng(const PngPicture& picture) {
    std::vector<uint8_t> out;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        throw std::runtime_error("cannot encode the PNG fixture");
    }
    png_set_write_fn(png, &out, AppendBytes, nullptr);
    png_set_compression_level(png, picture.compression);
    png_set_IHDR(png, info, picture.width, picture.height, picture.bitDepth, picture.colorType,
                 picture.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    if (!picture.palette.empty())
        png_set_PLTE(png, info, picture.palette.data(), static_cast<int>(picture.palette.size()));
    if (!picture.transparency.empty())
        png_set_tRNS(png, info, picture.transparency.data(),
                     static_cast<int>(picture.transparency.size()), nullptr);
    if (picture.gamma != 0.0)
        png_set_gAMA(png, info, picture.gamma);
    if (picture.hasBackground)
        png_set_bKGD(png, info, &picture.background);
    png_write_info(png, info);
    std::vector<png_bytep> rows(picture.height);
    for (int y = 0; y < picture.height; ++y)
        rows[y] = const_cast<png_bytep>(picture.samples.data()) + y * picture.RowBytes();
    png_write_image(png, rows.data());
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return out;
}

// An 8-bit RGBA picture from a function giving each pixel as 0xAARRGGBB.
template <class PixelAt> PngPicture RgbaPicture(int width, int height, PixelAt pixelAt) {
    PngPicture picture;
    picture.width = width;
    picture.height = height;
    picture.samples.reserve(static_cast<size_t>(width) * height * 4);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            uint32_t argb = pixelAt(x, y);
            picture.samples.push_back(static_cast<uint8_t>(argb >> 16));
            picture.samples.push_back(static_cast<uint8_t>(argb >> 8));
            picture.samples.push_back(static_cast<uint8_t>(argb));
            picture.samples.push_back(static_cast<uint8_t>(argb >> 24));
        }
    return picture;
}

// An 8-bit RGB picture from a function giving each pixel as 0xRRGGBB.
template <class PixelAt> PngPicture RgbPicture(int width, int height, PixelAt pixelAt) {
    PngPicture picture;
    picture.width = width;
    picture.height = height;
    picture.colorType = PNG_COLOR_TYPE_RGB;
    picture.samples.reserve(static_cast<size_t>(width) * height * 3);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            uint32_t rgb = pixelAt(x, y);
            picture.samples.push_back(static_cast<uint8_t>(rgb >> 16));
            picture.samples.push_back(static_cast<uint8_t>(rgb >> 8));
            picture.samples.push_back(static_cast<uint8_t>(rgb));
        }
    return picture;
}

// Baseline JPEG of `components` (1 grey, 3 RGB) samples per pixel, quality 95.
inline std::vector<uint8_t> EncodeJpeg(int width, int height, int components,
                                       const std::vector<uint8_t>& samples) {
    jpeg_compress_struct cinfo;
    jpeg_error_mgr error;
    cinfo.err = jpeg_std_error(&error);
    jpeg_create_compress(&cinfo);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&cinfo, &buffer, &size);
    cinfo.image_width = width;
    cinfo.image_height = height;
    cinfo.input_components = components;
    cinfo.in_color_space = components == 1 ? JCS_GRAYSCALE : JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, 95, TRUE);
    jpeg_start_compress(&cinfo, TRUE);
    while (cinfo.next_scanline < cinfo.image_height) {
        JSAMPROW row =
            const_cast<JSAMPLE*>(samples.data()) + cinfo.next_scanline * width * components;
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    std::vector<uint8_t> out(buffer, buffer + size);
    std::free(buffer);
    return out;
}

inline void WriteFile(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file)
        throw std::runtime_error("cannot write " + path);
    std::fwrite(bytes.data(), 1, bytes.size(), file);
    std::fclose(file);
}

} // namespace fixtures
