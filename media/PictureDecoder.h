// The picture decoders: PNG (libpng) and JPEG (libjpeg) from memory, from a resource or from a
// file, decoded straight into a new A8R8G8B8 device texture whose size is rounded up to powers
// of two, with the picture in its top-left corner.
//
// Every picture comes out as 4 bytes per pixel, blue, green, red, alpha; pictures without alpha
// are opaque. A decoding error never ends the program: the message goes to stderr ("libpng
// error: …" or "libjpeg error: …") and the attempt fails with nothing left behind.
#pragma once

#include "platform/graphics/GraphicsDevice.h"
#include "platform/resources/AssetResources.h"

#include <cstddef>
#include <memory>
#include <string>

enum class DecodeStatus {
    Decoded,
    // The data does not start like this format; nothing was reported. Callers try the next one.
    NotThisFormat,
    // The data, file or resource was there but could not be decoded or read (or is missing).
    Failed,
};

struct DecodedPicture {
    DecodeStatus status = DecodeStatus::Failed;
    // The new texture, owned by the caller.
    std::unique_ptr<platform::DeviceTexture> texture;
    // The picture's size (the texture may be larger).
    int width = 0;
    int height = 0;

    explicit operator bool() const { return status == DecodeStatus::Decoded; }
};

// Each of them throws std::bad_alloc when texture memory is exhausted while making the texture,
// after releasing everything the attempt held.
DecodedPicture DecodePngFromMemory(platform::GraphicsDevice* device, const void* data,
                                   size_t length);
DecodedPicture DecodePngFromResource(platform::GraphicsDevice* device,
                                     const platform::AssetModule& module, int number);
// The wide path is opened as UTF-8.
DecodedPicture DecodePngFromFile(platform::GraphicsDevice* device, const std::wstring& path);

DecodedPicture DecodeJpegFromMemory(platform::GraphicsDevice* device, const void* data,
                                    size_t length);
DecodedPicture DecodeJpegFromResource(platform::GraphicsDevice* device,
                                      const platform::AssetModule& module, int number);
DecodedPicture DecodeJpegFromFile(platform::GraphicsDevice* device, const std::wstring& path);

// PNG first; JPEG when the bytes are not a PNG at all.
DecodedPicture DecodePictureFromMemory(platform::GraphicsDevice* device, const void* data,
                                       size_t length);
DecodedPicture DecodePictureFromFile(platform::GraphicsDevice* device, const std::wstring& path);

// Pictures wider or taller than this are refused: no asset comes near, and a corrupt header must
// not make the program allocate gigabytes.
constexpr int kMaxPictureSize = 8192;
