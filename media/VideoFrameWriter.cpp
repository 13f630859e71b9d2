// Video frames into textures and their pixel copies.
#include "media/VideoFrameWriter.h"

#include "media/IMResourceManager.h"

#include <algorithm>

YuvPlanes PlanesOf(const yuv_buffer& frame) {
    return YuvPlanes{.y = frame.y,
                     .cb = frame.u,
                     .cr = frame.v,
                     .yStride = frame.y_stride,
                     .chromaStride = frame.uv_stride,
                     .width = frame.y_width,
                     .height = frame.y_height,
                     .chromaWidth = frame.uv_width,
                     .chromaHeight = frame.uv_height};
}

void WriteVideoFrame(IMResourceManager& media, int index, const YuvPlanes& frame) {
    TextureSlot* slot = media.Slot(index);
    if (!slot)
        return;
    const int textureWidth = slot->textureWidth;
    const int textureHeight = slot->textureHeight;
    media.UpdateTexture(index, [&](uint8_t* bits, int pitch, int) {
        // The writer is told the picture's rows; the encoded frame below them is written too, as
        // far as the texture reaches.
        const BgrxTarget target{.bits = bits,
                                .pitch = pitch,
                                .columns = std::min(textureWidth, pitch / 4),
                                .rows = textureHeight};
        const BgrxTarget copy{.bits = slot->pixels.get(),
                              .pitch = textureWidth * 4,
                              .columns = textureWidth,
                              .rows = textureHeight};
        ConvertYuvToBgrx(frame, target, slot->pixels ? &copy : nullptr);
    });
}
