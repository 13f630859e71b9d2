// Decodes the committed PNG, Ogg Vorbis and Ogg Theora files for the asset checks.
#include "AssetDecoders.h"

#include <png.h>
#include <theora/theoradec.h>
#include <vorbis/vorbisfile.h>

#include <csetjmp>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <memory>

namespace assets_test {

std::string AssetPath(const std::string& relative) {
    return std::string(ZEL_SOURCE_DIR) + "/assets/" + relative;
}

std::optional<PngPicture> ReadPng(const std::string& path) {
    std::unique_ptr<FILE, int (*)(FILE*)> file(std::fopen(path.c_str(), "rb"), &std::fclose);
    if (!file)
        return std::nullopt;
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!info) {
        png_destroy_read_struct(&png, nullptr, nullptr);
        return std::nullopt;
    }
    PngPicture picture;
    std::vector<png_bytep> rows;
    // libpng reports errors by longjmp; everything that must be freed lives outside this frame.
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_read_struct(&png, &info, nullptr);
        return std::nullopt;
    }
    png_init_io(png, file.get());
    png_read_info(png, info);
    picture.width = static_cast<int>(png_get_image_width(png, info));
    picture.height = static_cast<int>(png_get_image_height(png, info));
    picture.bitDepth = png_get_bit_depth(png, info);
    const int colourType = png_get_color_type(png, info);
    picture.hasAlpha = colourType == PNG_COLOR_TYPE_RGB_ALPHA;
    picture.isRgb = colourType == PNG_COLOR_TYPE_RGB || colourType == PNG_COLOR_TYPE_RGB_ALPHA;
    png_set_expand(png);
    png_set_strip_16(png);
    png_set_gray_to_rgb(png);
    png_set_add_alpha(png, 0xFF, PNG_FILLER_AFTER);
    png_read_update_info(png, info);
    picture.rgba.resize(4 * static_cast<size_t>(picture.width) * picture.height);
    rows.resize(picture.height);
    for (int y = 0; y < picture.height; ++y)
        rows[y] = &picture.rgba[4 * static_cast<size_t>(y) * picture.width];
    png_read_image(png, rows.data());
    png_read_end(png, nullptr);
    png_destroy_read_struct(&png, &info, nullptr);
    return picture;
}

std::optional<VorbisSound> ReadVorbis(const std::string& path) {
    OggVorbis_File vf;
    if (ov_fopen(path.c_str(), &vf) != 0)
        return std::nullopt;
    VorbisSound sound;
    const vorbis_info* vi = ov_info(&vf, -1);
    sound.channels = vi->channels;
    sound.rate = vi->rate;
    sound.seconds = ov_time_total(&vf, -1);
    char buffer[8192];
    int section = 0;
    bool failed = false;
    for (;;) {
        const long got = ov_read(&vf, buffer, sizeof buffer, 0, 2, 1, &section);
        if (got == 0)
            break;
        if (got < 0) {
            failed = true;
            break;
        }
        sound.decodedFrames += got / (2 * sound.channels);
    }
    ov_clear(&vf);
    if (failed)
        return std::nullopt;
    return sound;
}

std::optional<TheoraVideo> ReadTheora(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return std::nullopt;
    const std::vector<char> bytes((std::istreambuf_iterator<char>(in)),
                                  std::istreambuf_iterator<char>());

    ogg_sync_state sync;
    ogg_sync_init(&sync);
    char* buffer = ogg_sync_buffer(&sync, static_cast<long>(bytes.size()));
    std::copy(bytes.begin(), bytes.end(), buffer);
    ogg_sync_wrote(&sync, static_cast<long>(bytes.size()));

    th_info info;
    th_comment comment;
    th_info_init(&info);
    th_comment_init(&comment);
    th_setup_info* setup = nullptr;
    th_dec_ctx* decoder = nullptr;
    ogg_stream_state stream;
    bool haveStream = false;
    int headers = 0;
    TheoraVideo video;
    video.allDecoded = true;

    ogg_page page;
    while (ogg_sync_pageout(&sync, &page) == 1) {
        if (!haveStream) {
            if (!ogg_page_bos(&page))
                continue;
            ogg_stream_init(&stream, ogg_page_serialno(&page));
            haveStream = true;
        }
        if (ogg_page_serialno(&page) != stream.serialno)
            continue;
        ogg_stream_pagein(&stream, &page);
        ogg_packet packet;
        while (ogg_stream_packetout(&stream, &packet) == 1) {
            if (headers < 3) {
                if (th_decode_headerin(&info, &comment, &setup, &packet) <= 0) {
                    video.allDecoded = false;
                    break;
                }
                if (++headers == 3)
                    decoder = th_decode_alloc(&info, setup);
                continue;
            }
            ogg_int64_t granule = 0;
            const int result = th_decode_packetin(decoder, &packet, &granule);
            if (result == 0 || result == TH_DUPFRAME)
                ++video.frames;
            else
                video.allDecoded = false;
        }
    }
    const bool ok = headers == 3 && decoder != nullptr;
    if (ok) {
        video.width = static_cast<int>(info.pic_width);
        video.height = static_cast<int>(info.pic_height);
        video.fps = info.fps_denominator
                        ? static_cast<double>(info.fps_numerator) / info.fps_denominator
                        : 0;
    }
    if (decoder)
        th_decode_free(decoder);
    th_setup_free(setup);
    th_comment_clear(&comment);
    th_info_clear(&info);
    if (haveStream)
        ogg_stream_clear(&stream);
    ogg_sync_clear(&sync);
    if (!ok)
        return std::nullopt;
    return video;
}

} // namespace assets_test
