// PNG and JPEG decoding straight into locked device textures.
//
// Both libraries report errors through a callback that must not return; it jumps back to the
// recovery point of the decode in progress. The state of one decode lives in a struct owned by
// the caller of the function that sets the recovery point, so none of it is lost in the jump, and
// the frames jumped over (the libraries' own and this file's callbacks) hold nothing that needs
// destroying. Decodes may therefore nest and need no process-wide state.
#include "media/PictureDecoder.h"

#include "media/IMResourceManager.h"
#include "platform/TextCodec.h"

#include <png.h>

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

// jpeglib.h needs size_t and FILE declared first.
#include <jerror.h>
#include <jpeglib.h>

using platform::DeviceTexture;
using platform::GraphicsDevice;
using platform::LockedRect;
using platform::TextureFormat;

namespace {

constexpr size_t kPngSignatureSize = 8;

DecodedPicture Outcome(DecodeStatus status) {
    DecodedPicture picture;
    picture.status = status;
    return picture;
}

std::FILE* OpenForReading(const std::wstring& path) {
    return std::fopen(platform::WideToUtf8(path).c_str(), "rb");
}

// --- PNG

struct PngDecode {
    std::jmp_buf recovery;
    // Where the bytes come from: memory, or a file already past the signature.
    const uint8_t* data = nullptr;
    size_t length = 0;
    size_t position = 0;
    std::FILE* file = nullptr;

    png_structp png = nullptr;
    png_infop info = nullptr;
    png_bytep* rows = nullptr;
    std::unique_ptr<DeviceTexture> texture;
    std::optional<LockedRect> lock;
    int width = 0;
    int height = 0;
};

// libpng allocates an ancillary chunk whole, and clears it, as soon as it has read the chunk's
// length, before any of its data: a few bytes announcing a chunk of 2 GB would take 2 GB. Its
// own limit on chunk sizes only warns while reading. Nothing libpng needs for a picture of up to
// kMaxPictureSize a side comes near this (a row is at most 64 kB), so a larger request is
// refused; libpng then skips that chunk, or fails the decode.
constexpr size_t kMaxPngAllocation = 8u << 20;

png_voidp PngAllocate(png_structp, png_alloc_size_t size) {
    return size <= kMaxPngAllocation ? std::malloc(size) : nullptr;
}

void PngFree(png_structp, png_voidp memory) {
    std::free(memory);
}

[[noreturn]] void PngError(png_structp png, png_const_charp message) {
    std::fprintf(stderr, "libpng error: %s\n", message);
    std::longjmp(static_cast<PngDecode*>(png_get_error_ptr(png))->recovery, 1);
}

void PngRead(png_structp png, png_bytep out, size_t count) {
    auto* decode = static_cast<PngDecode*>(png_get_io_ptr(png));
    if (decode->file) {
        if (std::fread(out, 1, count, decode->file) != count)
            png_error(png, "Read Error");
        return;
    }
    if (count > decode->length - decode->position)
        png_error(png, "Read Error");
    std::memcpy(out, decode->data + decode->position, count);
    decode->position += count;
}

// Requests the transformations that turn any PNG into 8-bit blue, green, red, alpha.
void RequestBgra(png_structp png, png_infop info) {
    png_uint_32 width, height;
    int bitDepth, colorType;
    png_get_IHDR(png, info, &width, &height, &bitDepth, &colorType, nullptr, nullptr, nullptr);
    if (bitDepth == 16)
        png_set_strip_16(png);
    if (colorType == PNG_COLOR_TYPE_PALETTE && bitDepth <= 8)
        png_set_expand(png);
    if (colorType == PNG_COLOR_TYPE_GRAY) {
        if (bitDepth < 8)
            png_set_expand(png);
        png_set_gray_to_rgb(png);
    }
    if (colorType == PNG_COLOR_TYPE_GRAY_ALPHA)
        png_set_gray_to_rgb(png);
    // An opaque fourth byte for everything that would otherwise come out with three: RGB, and
    // palette and grey pictures without transparency or with alpha composited onto a background.
    // libpng adds it only to rows that have no alpha.
    png_set_filler(png, 0xFF, PNG_FILLER_AFTER);
    png_set_bgr(png);
    png_color_16p background;
    if (png_get_bKGD(png, info, &background))
        png_set_background(png, background, PNG_BACKGROUND_GAMMA_FILE, 1, 1.0);
    double fileGamma;
    if (png_get_gAMA(png, info, &fileGamma))
        png_set_gamma(png, 2.2, fileGamma);
    png_set_interlace_handling(png);
}

// Everything from here to the end of the decode may jump back to the recovery point, so this
// function keeps its state in *d and holds no objects of its own.
DecodeStatus RunPngDecode(PngDecode* d, GraphicsDevice* device) {
    if (setjmp(d->recovery))
        return DecodeStatus::Failed;
    d->png = png_create_read_struct_2(PNG_LIBPNG_VER_STRING, d, PngError, nullptr, nullptr,
                                      PngAllocate, PngFree);
    if (!d->png)
        return DecodeStatus::Failed;
    png_set_read_fn(d->png, d, PngRead);
    d->info = png_create_info_struct(d->png);
    if (!d->info)
        return DecodeStatus::Failed;
    png_set_user_limits(d->png, kMaxPictureSize, kMaxPictureSize);
    png_set_sig_bytes(d->png, kPngSignatureSize);
    png_read_info(d->png, d->info);
    RequestBgra(d->png, d->info);
    png_read_update_info(d->png, d->info);
    if (png_get_channels(d->png, d->info) != 4 || png_get_bit_depth(d->png, d->info) != 8)
        png_error(d->png, "Visual PNG: unexpected pixel layout");
    d->width = static_cast<int>(png_get_image_width(d->png, d->info));
    d->height = static_cast<int>(png_get_image_height(d->png, d->info));

    if (!CreateDeviceTexture(device, d->width, d->height, TextureFormat::A8R8G8B8, d->texture))
        return DecodeStatus::Failed;
    d->lock = d->texture->Lock();
    if (!d->lock)
        return DecodeStatus::Failed;
    d->rows = static_cast<png_bytep*>(std::malloc(sizeof(png_bytep) * d->height));
    if (!d->rows)
        png_error(d->png, "Visual PNG: out of memory");
    for (int row = 0; row < d->height; ++row)
        d->rows[row] = d->lock->bits + static_cast<size_t>(row) * d->lock->pitch;
    png_read_image(d->png, d->rows);
    png_read_end(d->png, nullptr);
    return DecodeStatus::Decoded;
}

void FinishPngDecode(PngDecode& d) {
    std::free(d.rows);
    d.rows = nullptr;
    if (d.lock)
        d.texture->Unlock();
    d.lock.reset();
    if (d.png)
        png_destroy_read_struct(&d.png, d.info ? &d.info : nullptr, nullptr);
}

// Runs a decode that keeps its state in d, releases what d holds however it
// ends, and hands over the texture of a decoded picture.
template <class Decode, class Run>
DecodedPicture Complete(Decode& d, Run run, void (*finish)(Decode&)) {
    DecodeStatus status;
    try {
        status = run();
    } catch (...) {
        // Texture memory ran out: the caller frees some and tries again.
        finish(d);
        throw;
    }
    finish(d);
    DecodedPicture result = Outcome(status);
    if (status == DecodeStatus::Decoded) {
        result.texture = std::move(d.texture);
        result.width = d.width;
        result.height = d.height;
    }
    return result;
}

DecodedPicture DecodePng(PngDecode& d, GraphicsDevice* device) {
    return Complete(d, [&] { return RunPngDecode(&d, device); }, FinishPngDecode);
}

// --- JPEG

struct JpegErrorManager {
    jpeg_error_mgr base;
    std::jmp_buf recovery;
};

struct JpegDecode {
    jpeg_decompress_struct cinfo;
    JpegErrorManager error;
    jpeg_source_mgr source;
    bool created = false;
    std::unique_ptr<DeviceTexture> texture;
    std::optional<LockedRect> lock;
    JSAMPLE* scanline = nullptr;
    int width = 0;
    int height = 0;
};

[[noreturn]] void JpegErrorExit(j_common_ptr cinfo) {
    char message[JMSG_LENGTH_MAX];
    cinfo->err->format_message(cinfo, message);
    std::fprintf(stderr, "libjpeg error: %s\n", message);
    std::longjmp(reinterpret_cast<JpegErrorManager*>(cinfo->err)->recovery, 1);
}

void JpegOutputMessage(j_common_ptr cinfo) {
    char message[JMSG_LENGTH_MAX];
    cinfo->err->format_message(cinfo, message);
    std::fprintf(stderr, "libjpeg warning: %s\n", message);
}

void JpegInitSource(j_decompress_ptr) {}
void JpegTermSource(j_decompress_ptr) {}

// A well-formed stream ends with its end-of-image marker before the data does; asking for more
// means the data is cut short, which fails the decode like a truncated PNG.
boolean JpegFillInputBuffer(j_decompress_ptr cinfo) {
    ERREXIT(cinfo, JERR_INPUT_EOF);
    return FALSE;
}

void JpegSkipInputData(j_decompress_ptr cinfo, long count) {
    if (count <= 0)
        return;
    jpeg_source_mgr* source = cinfo->src;
    size_t skip = static_cast<size_t>(count);
    if (skip > source->bytes_in_buffer)
        skip = source->bytes_in_buffer; // the next read reports the end of the data
    source->next_input_byte += skip;
    source->bytes_in_buffer -= skip;
}

void ConvertJpegRow(const JSAMPLE* in, uint8_t* out, int width, int components) {
    for (int x = 0; x < width; ++x, out += 4) {
        switch (components) {
        case 1:
            out[0] = out[1] = out[2] = in[x];
            out[3] = 0xFF;
            break;
        case 3:
            out[0] = in[3 * x + 2];
            out[1] = in[3 * x + 1];
            out[2] = in[3 * x];
            out[3] = 0xFF;
            break;
        default:
            out[0] = in[4 * x + 2];
            out[1] = in[4 * x + 1];
            out[2] = in[4 * x];
            out[3] = in[4 * x + 3];
            break;
        }
    }
}

// Like RunPngDecode: all state in *d, nothing of its own across the recovery point.
DecodeStatus RunJpegDecode(JpegDecode* d, GraphicsDevice* device, const void* data, size_t length) {
    d->cinfo.err = jpeg_std_error(&d->error.base);
    d->error.base.error_exit = JpegErrorExit;
    d->error.base.output_message = JpegOutputMessage;
    if (setjmp(d->error.recovery))
        return DecodeStatus::Failed;
    jpeg_create_decompress(&d->cinfo);
    d->created = true;
    d->source.next_input_byte = static_cast<const JOCTET*>(data);
    d->source.bytes_in_buffer = length;
    d->source.init_source = JpegInitSource;
    d->source.fill_input_buffer = JpegFillInputBuffer;
    d->source.skip_input_data = JpegSkipInputData;
    d->source.resync_to_restart = jpeg_resync_to_restart;
    d->source.term_source = JpegTermSource;
    d->cinfo.src = &d->source;

    jpeg_read_header(&d->cinfo, TRUE);
    if (d->cinfo.image_width > static_cast<JDIMENSION>(kMaxPictureSize) ||
        d->cinfo.image_height > static_cast<JDIMENSION>(kMaxPictureSize)) {
        std::fprintf(stderr, "libjpeg error: a picture of %u x %u is too large\n",
                     d->cinfo.image_width, d->cinfo.image_height);
        return DecodeStatus::Failed;
    }
    jpeg_start_decompress(&d->cinfo);
    int components = d->cinfo.output_components;
    if (components != 1 && components != 3 && components != 4) {
        std::fprintf(stderr, "libjpeg error: %d colour components are not supported\n", components);
        return DecodeStatus::Failed;
    }
    d->width = static_cast<int>(d->cinfo.output_width);
    d->height = static_cast<int>(d->cinfo.output_height);
    if (!CreateDeviceTexture(device, d->width, d->height, TextureFormat::A8R8G8B8, d->texture))
        return DecodeStatus::Failed;
    d->lock = d->texture->Lock();
    if (!d->lock)
        return DecodeStatus::Failed;
    d->scanline = static_cast<JSAMPLE*>(std::malloc(static_cast<size_t>(d->width) * components));
    if (!d->scanline)
        ERREXIT1(&d->cinfo, JERR_OUT_OF_MEMORY, 0);
    while (d->cinfo.output_scanline < d->cinfo.output_height) {
        JDIMENSION row = d->cinfo.output_scanline;
        JSAMPROW rows[1] = {d->scanline};
        jpeg_read_scanlines(&d->cinfo, rows, 1);
        ConvertJpegRow(d->scanline, d->lock->bits + static_cast<size_t>(row) * d->lock->pitch,
                       d->width, components);
    }
    jpeg_finish_decompress(&d->cinfo);
    return DecodeStatus::Decoded;
}

void FinishJpegDecode(JpegDecode& d) {
    std::free(d.scanline);
    d.scanline = nullptr;
    if (d.lock)
        d.texture->Unlock();
    d.lock.reset();
    if (d.created)
        jpeg_destroy_decompress(&d.cinfo);
    d.created = false;
}

// The resource's bytes through a decoder of pictures in memory.
DecodedPicture DecodeResource(GraphicsDevice* device, const platform::AssetModule& module,
                              int number,
                              DecodedPicture (*fromMemory)(GraphicsDevice*, const void*, size_t)) {
    platform::AssetBytes bytes = module.FindResource(static_cast<uint32_t>(number));
    if (!bytes)
        return Outcome(DecodeStatus::Failed);
    return fromMemory(device, bytes.data, bytes.size);
}

bool ReadWholeFile(std::FILE* file, std::vector<uint8_t>& bytes) {
    uint8_t buffer[65536];
    size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0)
        bytes.insert(bytes.end(), buffer, buffer + got);
    return !std::ferror(file);
}

} // namespace

DecodedPicture DecodePngFromMemory(GraphicsDevice* device, const void* data, size_t length) {
    if (!data || length < kPngSignatureSize ||
        png_sig_cmp(static_cast<png_const_bytep>(data), 0, kPngSignatureSize) != 0)
        return Outcome(DecodeStatus::NotThisFormat);
    PngDecode d;
    d.data = static_cast<const uint8_t*>(data);
    d.length = length;
    d.position = kPngSignatureSize;
    return DecodePng(d, device);
}

DecodedPicture DecodePngFromResource(GraphicsDevice* device, const platform::AssetModule& module,
                                     int number) {
    return DecodeResource(device, module, number, DecodePngFromMemory);
}

DecodedPicture DecodePngFromFile(GraphicsDevice* device, const std::wstring& path) {
    std::FILE* file = OpenForReading(path);
    if (!file)
        return Outcome(DecodeStatus::Failed);
    png_byte signature[kPngSignatureSize];
    DecodedPicture result = Outcome(DecodeStatus::NotThisFormat);
    if (std::fread(signature, 1, sizeof signature, file) == sizeof signature &&
        png_sig_cmp(signature, 0, kPngSignatureSize) == 0) {
        PngDecode d;
        d.file = file;
        try {
            result = DecodePng(d, device);
        } catch (...) {
            std::fclose(file);
            throw;
        }
    }
    std::fclose(file);
    return result;
}

DecodedPicture DecodeJpegFromMemory(GraphicsDevice* device, const void* data, size_t length) {
    JpegDecode d;
    return Complete(d, [&] { return RunJpegDecode(&d, device, data, data ? length : 0); },
                    FinishJpegDecode);
}

DecodedPicture DecodeJpegFromResource(GraphicsDevice* device, const platform::AssetModule& module,
                                      int number) {
    return DecodeResource(device, module, number, DecodeJpegFromMemory);
}

DecodedPicture DecodeJpegFromFile(GraphicsDevice* device, const std::wstring& path) {
    std::FILE* file = OpenForReading(path);
    if (!file)
        return Outcome(DecodeStatus::Failed);
    std::vector<uint8_t> bytes;
    bool read = ReadWholeFile(file, bytes);
    std::fclose(file);
    if (!read)
        return Outcome(DecodeStatus::Failed);
    return DecodeJpegFromMemory(device, bytes.data(), bytes.size());
}

DecodedPicture DecodePictureFromMemory(GraphicsDevice* device, const void* data, size_t length) {
    DecodedPicture picture = DecodePngFromMemory(device, data, length);
    if (picture.status == DecodeStatus::NotThisFormat)
        return DecodeJpegFromMemory(device, data, length);
    return picture;
}

DecodedPicture DecodePictureFromFile(GraphicsDevice* device, const std::wstring& path) {
    DecodedPicture picture = DecodePngFromFile(device, path);
    if (picture.status == DecodeStatus::NotThisFormat)
        return DecodeJpegFromFile(device, path);
    return picture;
}
