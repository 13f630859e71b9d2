// Fonts over FreeType; the face files come from fontconfig (FaceFiles.cpp) or, on Windows,
// from the system's font folder (FaceFilesWin32.cpp).
//
// Implemented: faces by family name (through fontconfig, preferring faces that cover Russian), cell
// and character-height sizing, GDI's text metrics derived from the face's unrounded scaled values,
// ABC widths and glyph metrics of unhinted glyphs, unhinted outlines in the GGO_NATIVE layout
// (TrueType contours keep their exact on/off-curve structure; the cubic curves of CFF faces are
// approximated by quadratic ones), emboldening and slanting for faces without a bold or italic
// style.
// Left out: bitmap-only faces (they have no outline and are never loaded), kerning, hinting, any
// transformation of outlines other than the identity, strike-out.
//
// GDI's cell of a TrueType font is the face's ascent plus descent scaled to the requested height.
// FreeType's cell request scales the same sum to the same height, but it rounds the ascender up
// and the descender down on their own (a cell of 18 becomes 15 + 4 = 19). The metrics here are
// therefore rounded from the unrounded scaled values, so that a cell of 18 is 18 pixels high.
#include "platform/fonts/Font.h"
#include "platform/fonts/FaceFiles_c.h"

#include "platform/TextCodec.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_BBOX_H
#include FT_OUTLINE_H
#include FT_TRUETYPE_TABLES_H

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <vector>

namespace platform {
namespace {

// One FreeType library for every font alive; the last font to go frees it.
std::shared_ptr<FT_LibraryRec_> SharedLibrary() {
    static std::weak_ptr<FT_LibraryRec_> current;
    if (auto library = current.lock())
        return library;
    FT_Library raw = nullptr;
    if (FT_Init_FreeType(&raw) != 0) {
        std::fprintf(stderr, "fonts: FreeType cannot start\n");
        return nullptr;
    }
    std::shared_ptr<FT_LibraryRec_> library(raw, [](FT_Library l) { FT_Done_FreeType(l); });
    current = library;
    return library;
}

int RoundPixels(FT_Pos value26_6) {
    return static_cast<int>(std::lround(value26_6 / 64.0));
}
int FloorPixels(FT_Pos value26_6) {
    return static_cast<int>(std::floor(value26_6 / 64.0));
}
int CeilPixels(FT_Pos value26_6) {
    return static_cast<int>(std::ceil(value26_6 / 64.0));
}

// 26.6 to 16.16, kept inside what a FIXED can hold.
int32_t ToFixed(double value26_6) {
    double fixed = std::round(value26_6 * 1024.0);
    return static_cast<int32_t>(std::clamp(fixed, -2147483648.0, 2147483647.0));
}

struct Point26_6 {
    double x = 0;
    double y = 0;
};

Point26_6 Mid(Point26_6 a, Point26_6 b) {
    return {(a.x + b.x) / 2, (a.y + b.y) / 2};
}

// Writes contours in the GGO_NATIVE layout, merging consecutive line points into one record and
// ending every spline record at its on-curve point.
class OutlineWriter {
public:
    void BeginContour(Point26_6 start) {
        contourStart_ = bytes_.size();
        PolygonHeader header;
        header.start = {ToFixed(start.x), ToFixed(start.y)};
        Append(&header, sizeof header);
        lineRecord_ = kNone;
    }
    void LineTo(Point26_6 point) {
        if (lineRecord_ == kNone) {
            lineRecord_ = bytes_.size();
            PolyCurveHeader curve{kPrimitiveLine, 0};
            Append(&curve, sizeof curve);
        }
        AppendPoint(point);
        ++CurveAt(lineRecord_).cpfx;
    }
    // Control points off the curve, then the on-curve end.
    void SplineTo(const std::vector<Point26_6>& controls, Point26_6 end) {
        lineRecord_ = kNone;
        PolyCurveHeader curve{kPrimitiveQSpline, static_cast<uint16_t>(controls.size() + 1)};
        Append(&curve, sizeof curve);
        for (Point26_6 control : controls)
            AppendPoint(control);
        AppendPoint(end);
    }
    void EndContour() {
        lineRecord_ = kNone;
        uint32_t cb = static_cast<uint32_t>(bytes_.size() - contourStart_);
        std::memcpy(bytes_.data() + contourStart_, &cb, sizeof cb);
    }
    const std::vector<uint8_t>& Bytes() const { return bytes_; }

private:
    static constexpr size_t kNone = static_cast<size_t>(-1);

    void Append(const void* data, size_t size) {
        const auto* from = static_cast<const uint8_t*>(data);
        bytes_.insert(bytes_.end(), from, from + size);
    }
    void AppendPoint(Point26_6 point) {
        PointFx fixed{ToFixed(point.x), ToFixed(point.y)};
        Append(&fixed, sizeof fixed);
    }
    PolyCurveHeader& CurveAt(size_t offset) {
        return *reinterpret_cast<PolyCurveHeader*>(bytes_.data() + offset);
    }

    std::vector<uint8_t> bytes_;
    size_t contourStart_ = 0;
    size_t lineRecord_ = kNone;
};

// One quadratic curve for each half of the cubic from `from` (the classic mid-point
// approximation): close enough at text sizes, and it keeps the outline in the two record types
// the rasteriser draws.
void CubicTo(OutlineWriter& writer, Point26_6 from, Point26_6 c1, Point26_6 c2, Point26_6 to) {
    Point26_6 ab = Mid(from, c1), bc = Mid(c1, c2), cd = Mid(c2, to);
    Point26_6 abc = Mid(ab, bc), bcd = Mid(bc, cd), middle = Mid(abc, bcd);
    auto quadControl = [](Point26_6 p0, Point26_6 p1, Point26_6 p2, Point26_6 p3) {
        return Point26_6{(3 * (p1.x + p2.x) - p0.x - p3.x) / 4,
                         (3 * (p1.y + p2.y) - p0.y - p3.y) / 4};
    };
    writer.SplineTo({quadControl(from, ab, abc, middle)}, middle);
    writer.SplineTo({quadControl(middle, bcd, cd, to)}, to);
}

// Converts FreeType's outline (points with on, conic-off and cubic-off tags) into GDI's records.
// A contour starts at its first on-curve point, or at the midpoint of its first and last points
// when both are off the curve, and closes back to that start.
std::vector<uint8_t> NativeOutline(const FT_Outline& outline) {
    OutlineWriter writer;
    int first = 0;
    for (int c = 0; c < outline.n_contours; ++c) {
        int last = outline.contours[c];
        int count = last - first + 1;
        if (count <= 0) {
            first = last + 1;
            continue;
        }
        auto point = [&](int k) {
            const FT_Vector& v = outline.points[first + (k % count)];
            return Point26_6{static_cast<double>(v.x), static_cast<double>(v.y)};
        };
        auto tag = [&](int k) { return FT_CURVE_TAG(outline.tags[first + (k % count)]); };

        int begin;
        Point26_6 start;
        if (tag(0) == FT_CURVE_TAG_ON) {
            start = point(0);
            begin = 1;
        } else if (tag(count - 1) == FT_CURVE_TAG_ON) {
            start = point(count - 1);
            begin = 0;
            --count; // the last point is the start and is not walked again
        } else {
            start = Mid(point(0), point(count - 1));
            begin = 0;
        }
        writer.BeginContour(start);
        Point26_6 current = start;
        std::vector<Point26_6> controls;
        std::vector<Point26_6> cubic;
        for (int k = begin; k <= count; ++k) {
            bool closing = k == count;
            Point26_6 p = closing ? start : point(k);
            int t = closing ? FT_CURVE_TAG_ON : tag(k);
            if (t == FT_CURVE_TAG_CUBIC) {
                cubic.push_back(p);
                continue;
            }
            if (t == FT_CURVE_TAG_CONIC) {
                controls.push_back(p);
                continue;
            }
            if (cubic.size() >= 2) {
                CubicTo(writer, current, cubic[0], cubic[1], p);
            } else if (!controls.empty()) {
                writer.SplineTo(controls, p);
            } else if (!closing) {
                writer.LineTo(p);
            }
            cubic.clear();
            controls.clear();
            current = p;
        }
        writer.EndContour();
        first = last + 1;
    }
    return writer.Bytes();
}

class FreeTypeFont final : public Font {
public:
    FreeTypeFont(std::shared_ptr<FT_LibraryRec_> library, FT_Face face, bool embolden, bool slant,
                 int weight, bool italic, bool underline)
        : library_(std::move(library)), face_(face), embolden_(embolden), slant_(slant) {
        metrics_.tmWeight = weight;
        metrics_.tmItalic = italic;
        metrics_.tmUnderlined = underline;
    }
    ~FreeTypeFont() override { FT_Done_Face(face_); }

    bool SetHeight(int height) {
        FT_Size_RequestRec request{};
        if (height > 0) {
            request.type = FT_SIZE_REQUEST_TYPE_CELL;
            request.height = static_cast<FT_Long>(height) * 64;
        } else {
            request.type = FT_SIZE_REQUEST_TYPE_NOMINAL;
            request.height =
                static_cast<FT_Long>(height < 0 ? -static_cast<long>(height) : 16) * 64;
        }
        if (FT_Request_Size(face_, &request) != 0)
            return false;
        const FT_Size_Metrics& size = face_->size->metrics;
        FT_Pos ascender = FT_MulFix(face_->ascender, size.y_scale);
        FT_Pos descender = -FT_MulFix(face_->descender, size.y_scale);
        metrics_.tmAscent = RoundPixels(ascender);
        metrics_.tmHeight = RoundPixels(ascender + descender);
        metrics_.tmDescent = metrics_.tmHeight - metrics_.tmAscent;
        metrics_.tmMaxCharWidth = RoundPixels(FT_MulFix(face_->max_advance_width, size.x_scale));

        // GDI's leading is the line gap less what the Windows ascent and descent add to the cell.
        FT_Long cell = face_->ascender - face_->descender;
        FT_Long lineGap = face_->height - cell;
        FT_Long windowsCell = cell;
        auto* os2 = static_cast<TT_OS2*>(FT_Get_Sfnt_Table(face_, FT_SFNT_OS2));
        if (os2 && os2->version != 0xFFFF)
            windowsCell = static_cast<FT_Long>(os2->usWinAscent) + os2->usWinDescent;
        FT_Long leading = std::max<FT_Long>(0, lineGap - (windowsCell - cell));
        metrics_.tmExternalLeading = RoundPixels(FT_MulFix(leading, size.y_scale));

        if (os2 && os2->version != 0xFFFF && os2->xAvgCharWidth > 0) {
            metrics_.tmAveCharWidth = RoundPixels(FT_MulFix(os2->xAvgCharWidth, size.x_scale));
        } else {
            CharWidths x;
            metrics_.tmAveCharWidth = GetCharABCWidths(u'x', x) ? x.Advance() : 0;
        }
        return true;
    }

    const FontMetrics& Metrics() const override { return metrics_; }
    std::string FamilyName() const override {
        return face_->family_name ? face_->family_name : std::string();
    }

    bool GetCharABCWidths(char16_t character, CharWidths& widths) override {
        GlyphMetrics metrics;
        if (!LoadGlyph(character, metrics))
            return false;
        widths.abcA = metrics.gmptGlyphOriginX;
        widths.abcB = metrics.gmBlackBoxX;
        widths.abcC = metrics.gmCellIncX - widths.abcA - static_cast<int>(widths.abcB);
        return true;
    }

    uint32_t GetGlyphOutline(char16_t character, GlyphMetrics& metrics, uint8_t* buffer,
                             uint32_t size) override {
        if (!LoadGlyph(character, metrics))
            return kOutlineError;
        std::vector<uint8_t> outline = NativeOutline(face_->glyph->outline);
        uint32_t needed = static_cast<uint32_t>(outline.size());
        if (!buffer || size == 0)
            return needed;
        if (needed > size)
            return kOutlineError;
        if (needed > 0)
            std::memcpy(buffer, outline.data(), needed);
        return needed;
    }

private:
    // Loads the unhinted glyph of the code unit into the face's slot, emboldened or slanted as the
    // font needs, and measures it as GDI would: the black box from the outline's extent rounded
    // outwards, the advance rounded to whole pixels.
    bool LoadGlyph(char16_t character, GlyphMetrics& metrics) {
        FT_UInt index = FT_Get_Char_Index(face_, character);
        if (FT_Load_Glyph(face_, index, FT_LOAD_NO_HINTING | FT_LOAD_NO_BITMAP) != 0)
            return false;
        FT_GlyphSlot slot = face_->glyph;
        if (slot->format != FT_GLYPH_FORMAT_OUTLINE)
            return false;
        FT_Pos advance = slot->advance.x;
        if (slant_) {
            // About 12 degrees, the slant of a typical italic.
            FT_Matrix shear{0x10000, 0x0366A, 0, 0x10000};
            FT_Outline_Transform(&slot->outline, &shear);
        }
        if (embolden_) {
            FT_Pos strength = FT_MulFix(face_->units_per_EM, face_->size->metrics.y_scale) / 24;
            FT_Outline_EmboldenXY(&slot->outline, strength, strength);
            advance += strength;
        }
        metrics = GlyphMetrics{};
        metrics.gmCellIncX = RoundPixels(advance);
        if (slot->outline.n_points > 0) {
            FT_BBox box;
            FT_Outline_Get_BBox(&slot->outline, &box);
            metrics.gmptGlyphOriginX = FloorPixels(box.xMin);
            metrics.gmptGlyphOriginY = CeilPixels(box.yMax);
            metrics.gmBlackBoxX =
                static_cast<unsigned>(CeilPixels(box.xMax) - FloorPixels(box.xMin));
            metrics.gmBlackBoxY =
                static_cast<unsigned>(CeilPixels(box.yMax) - FloorPixels(box.yMin));
        }
        return true;
    }

public:
    // The face's file in memory when it was not read from a path; FreeType
    // reads from it as long as the face lives.
    std::shared_ptr<const std::vector<unsigned char>> faceData;

private:
    std::shared_ptr<FT_LibraryRec_> library_;
    FT_Face face_;
    bool embolden_;
    bool slant_;
    FontMetrics metrics_;
};

} // namespace

std::unique_ptr<Font> Font::Create(const std::wstring& faceName, int height, int weight,
                                   bool italic, bool underline) {
    bool bold = weight >= 600;
    FaceFile file;
    if (!MatchFace(WideToUtf8(faceName), bold, italic, file)) {
        std::fprintf(stderr, "fonts: no face for \"%s\"\n", WideToUtf8(faceName).c_str());
        return nullptr;
    }
    std::shared_ptr<FT_LibraryRec_> library = SharedLibrary();
    if (!library)
        return nullptr;
    FT_Face face = nullptr;
    const FT_Error opened =
        file.data ? FT_New_Memory_Face(library.get(), file.data->data(),
                                       static_cast<FT_Long>(file.data->size()), file.index, &face)
                  : FT_New_Face(library.get(), file.path.c_str(), file.index, &face);
    if (opened != 0) {
        std::fprintf(stderr, "fonts: cannot open \"%s\"\n", file.path.c_str());
        return nullptr;
    }
    if (!FT_IS_SCALABLE(face)) {
        std::fprintf(stderr, "fonts: \"%s\" has no outlines\n", file.path.c_str());
        FT_Done_Face(face);
        return nullptr;
    }
    FT_Select_Charmap(face, FT_ENCODING_UNICODE);
    auto font =
        std::make_unique<FreeTypeFont>(std::move(library), face, bold && !file.bold,
                                       italic && !file.italic, bold ? 700 : 400, italic, underline);
    font->faceData = file.data;
    if (!font->SetHeight(height)) {
        std::fprintf(stderr, "fonts: \"%s\" cannot be sized to %d\n", file.path.c_str(), height);
        return nullptr;
    }
    return font;
}

} // namespace platform
