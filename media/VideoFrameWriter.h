// Writes a decoded video frame into a registered texture: the conversion to BGRX into the locked
// texture, and the same pixels into the slot's system-memory copy, so that a texture brought back
// after the device was lost shows the frame it showed before.
#pragma once

#include "media/YuvConversion.h"

#include <theora/theora.h>

class IMResourceManager;

// The planes of a frame as libtheora's legacy decoder hands them out.
YuvPlanes PlanesOf(const yuv_buffer& frame);

// Converts the whole encoded frame (the picture lies in its top-left part) into the texture at
// `index`, cut to the texture's size. An invalid index does nothing; a texture that cannot be
// locked is skipped with the media layer's debug line.
void WriteVideoFrame(IMResourceManager& media, int index, const YuvPlanes& frame);
