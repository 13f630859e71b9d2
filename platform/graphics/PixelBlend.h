// Source-over blending of 32-bit ARGB pixels with their own alpha, to the bit as SDL's software
// blitter blends an ARGB8888 surface onto another with SDL_BLENDMODE_BLEND and no colour or
// alpha modulation: a pixel of alpha 0 leaves the target as it is, one of alpha 255 replaces it,
// and any other gives each channel (s × a >> 8) + (t × (255 − a) >> 8), the alpha channel
// (a × 255 >> 8) + (t × (255 − a) >> 8). Internal to platform/.
#pragma once

#include <cstdint>

namespace platform {

// Blends count source pixels over as many target pixels. Four pixels at a time where the
// processor has vector instructions (SSE2).
void BlendOver(const uint32_t* source, uint32_t* target, int count);
// The same pixels one at a time: the reference the vectorised loop must match.
void BlendOverOneByOne(const uint32_t* source, uint32_t* target, int count);
// Draws count pixels without alpha (X8R8G8B8) over as many ARGB target pixels, as SDL's blitter
// blends such a surface: each comes out with its own colour and alpha 255, whatever its fourth
// byte and the target held.
void CopyOpaque(const uint32_t* source, uint32_t* target, int count);

} // namespace platform
