// The text rasteriser: one texture per character and style, its glyph filled with anti-aliasing
// by AGG straight into the locked texture, then registered under the caller's name.
#include "media/GlyphPath.h"
#include "media/IMResourceManager.h"

#include <agg_conv_curve.h>
#include <agg_pixfmt_rgba.h>
#include <agg_rasterizer_scanline_aa.h>
#include <agg_renderer_base.h>
#include <agg_renderer_scanline.h>
#include <agg_rendering_buffer.h>
#include <agg_scanline_u.h>

#include <algorithm>

namespace {

// Blends non-premultiplied colours into a non-premultiplied BGRA buffer. With coverage c and text
// alpha a the effective alpha is (a × (c + 1)) >> 8; an effective alpha of 255 writes the text
// colour, any other moves each channel towards the text by that alpha and combines the alphas as
// a + d − a × d / 255.
struct TextBlender : agg::conv_rgba_plain<agg::rgba8, agg::order_bgra> {
    using color_type = agg::rgba8;
    using order_type = agg::order_bgra;
    using value_type = color_type::value_type;

    static void blend_pix(value_type* p, value_type cr, value_type cg, value_type cb,
                          value_type alpha, agg::cover_type cover) {
        Blend(p, cr, cg, cb, (unsigned(alpha) * (unsigned(cover) + 1)) >> 8);
    }
    static void blend_pix(value_type* p, value_type cr, value_type cg, value_type cb,
                          value_type alpha) {
        Blend(p, cr, cg, cb, alpha);
    }

    static void Blend(value_type* p, int cr, int cg, int cb, int alpha) {
        if (alpha == 0)
            return;
        if (alpha == 255) {
            p[order_type::R] = static_cast<value_type>(cr);
            p[order_type::G] = static_cast<value_type>(cg);
            p[order_type::B] = static_cast<value_type>(cb);
            p[order_type::A] = 255;
            return;
        }
        auto channel = [alpha](int text, int destination) {
            return static_cast<value_type>(((text - destination) * alpha + (destination << 8)) >>
                                           8);
        };
        int a = p[order_type::A];
        p[order_type::R] = channel(cr, p[order_type::R]);
        p[order_type::G] = channel(cg, p[order_type::G]);
        p[order_type::B] = channel(cb, p[order_type::B]);
        p[order_type::A] = static_cast<value_type>((alpha + a) - ((alpha * a + 255) >> 8));
    }
};

using TextPixelFormat = agg::pixfmt_alpha_blend_rgba<TextBlender, agg::rendering_buffer>;

agg::rgba8 FromArgb(uint32_t argb) {
    return agg::rgba8(argb >> 16 & 0xFF, argb >> 8 & 0xFF, argb & 0xFF, argb >> 24);
}

// Fills width × height pixels of the locked texture. The buffer runs upwards (a negative row
// step), so that row 0 of the path, where y = 0, is the texture's last picture row.
void Rasterise(uint8_t* bits, int pitch, int width, int height, GlyphPath& path, uint32_t textColor,
               uint32_t backgroundColor) {
    agg::rendering_buffer buffer(bits, width, height, -pitch);
    TextPixelFormat pixels(buffer);
    agg::renderer_base<TextPixelFormat> base(pixels);
    base.clip_box(0, 0, width - 1, height - 1);
    base.clear(FromArgb(backgroundColor));

    agg::rasterizer_scanline_aa<> rasterizer;
    agg::conv_curve<GlyphPath> curves(path);
    rasterizer.add_path(curves);
    agg::scanline_u8 scanline;
    agg::render_scanlines_aa_solid(rasterizer, scanline, base, FromArgb(textColor));
}

} // namespace

int IMResourceManager::GetFont(const std::wstring& faceName, int height, bool bold, bool italic,
                               bool underline) {
    return fonts.GetFont(faceName, height, bold, italic, underline);
}

int IMResourceManager::CreateTextTexture(const std::wstring& name, wchar_t character,
                                         const platform::Rect* box, uint32_t textColor, int height,
                                         const std::wstring& faceName, bool italic, bool bold,
                                         bool underline, uint32_t backgroundColor) {
    if (int shared = ShareRegistered(name); shared != InvalidTexture())
        return shared;
    int fontIndex = GetFont(faceName, height, bold, italic, underline);
    GlyphPath path = BuildGlyphPath(fontIndex, *fonts.fontList[fontIndex], character, underline);

    // A box with its right or bottom before its left or top is as empty as one of zero size.
    int pictureWidth = std::max(box ? box->Width() : path.advance, 1);
    int pictureHeight = std::max(box ? box->Height() : path.lineHeight, 1);
    std::unique_ptr<platform::DeviceTexture> texture =
        CreateTextureEvicting(name, pictureWidth, pictureHeight, platform::TextureFormat::A8R8G8B8);
    if (!texture)
        return InvalidTexture();
    {
        platform::TextureLock lock(*texture);
        if (lock)
            Rasterise(lock.Bits(), lock.Pitch(), pictureWidth, pictureHeight, path, textColor,
                      backgroundColor);
    }
    return RegisterTexture(name, std::move(texture), pictureWidth, pictureHeight);
}
