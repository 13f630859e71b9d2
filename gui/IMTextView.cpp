// Glyph pictures and their keys, editing the glyph sequence, restyling it, and drawing it.
#include "gui/IMTextView.h"

#include "media/IMResourceManager.h"
#include "platform/resources/AssetResources.h"

#include <algorithm>

using platform::Rect;

namespace {

// An index no registry slot ever has; releasing or drawing it does nothing.
constexpr int kNoPicture = -1;

bool IsWhitespace(wchar_t c) {
    return c == L' ' || c == L'\t' || c == L'\n' || c == L'\r';
}

struct MarkerPicture {
    const char* asset;
    int width;
    int height;
};

// The embedded picture that shows a whitespace character (or, for a hidden line feed, nothing).
MarkerPicture MarkerFor(wchar_t c, bool showWhitespace) {
    if (!showWhitespace)
        return {"marker_empty", 1, 1};
    switch (c) {
    case L' ':
        return {"marker_space", 3, 3};
    case L'\t':
        return {"marker_tab", 10, 5};
    default:
        return {"marker_lineend", 11, 21};
    }
}

// Registers the marker under the key. Should its picture be missing from the program, a
// transparent one of the same size keeps the text's layout as it would be.
int LoadMarker(const std::wstring& key, const MarkerPicture& marker) {
    platform::AssetBytes bytes = platform::FindEmbeddedAsset(std::string_view(marker.asset));
    int index = Renderer->InvalidTexture();
    if (bytes)
        index = Renderer->LoadTextureFromMemory(key, bytes.data, bytes.size);
    if (!Renderer->IsValidTexture(index))
        index = Renderer->CreateBlankTexture(key, marker.width, marker.height,
                                             platform::TextureFormat::A8R8G8B8);
    return index;
}

// Appends the number in decimal, as %d writes it. (std::to_wstring goes through the wide printf
// machinery, which dominated laying out long texts.)
void AppendDecimal(std::wstring& text, int32_t value) {
    wchar_t digits[12];
    wchar_t* end = digits + 12;
    wchar_t* p = end;
    int64_t magnitude = value < 0 ? -static_cast<int64_t>(value) : value;
    do {
        *--p = static_cast<wchar_t>(L'0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude > 0);
    if (value < 0)
        *--p = L'-';
    text.append(p, end);
}

} // namespace

IMTextView::~IMTextView() {
    for (const auto& glyph : glyphs)
        ReleasePicture(*glyph);
}

std::wstring IMTextView::FormatKey(const Glyph& glyph) {
    std::wstring key;
    key.reserve(glyph.fontName.size() + 32);
    key += glyph.fontName;
    key += glyph.ch;
    AppendDecimal(key, glyph.size);
    AppendDecimal(key, static_cast<int32_t>(glyph.color));
    key += glyph.bold ? L'1' : L'0';
    key += glyph.underline ? L'1' : L'0';
    key += glyph.italic ? L'1' : L'0';
    AppendDecimal(key, static_cast<int32_t>(glyph.backColor));
    key += glyph.marker ? L'1' : L'0';
    return key;
}

std::unique_ptr<Glyph> IMTextView::MakeGlyph(wchar_t character) const {
    auto glyph = std::make_unique<Glyph>();
    glyph->ch = character;
    glyph->color = color;
    glyph->underline = underline;
    glyph->bold = bold;
    glyph->italic = italic;
    glyph->size = fontSize;
    glyph->fontName = fontName;
    glyph->backColor = backColor;
    AssignPicture(*glyph);
    return glyph;
}

void IMTextView::AssignPicture(Glyph& glyph) const {
    const wchar_t c = glyph.ch;
    glyph.marker = IsWhitespace(c) && showWhitespace;
    glyph.key = FormatKey(glyph);
    glyph.textureId = kNoPicture;
    glyph.pictureWidth = glyph.pictureHeight = 0;
    if (!Renderer)
        return;
    int index;
    if (glyph.marker || c == L'\n') {
        index = LoadMarker(glyph.key, MarkerFor(c, showWhitespace));
    } else {
        // Tabs and carriage returns that are not shown look like spaces.
        const wchar_t drawn = IsWhitespace(c) ? L' ' : c;
        index = Renderer->CreateTextTexture(glyph.key, drawn, nullptr, glyph.color, glyph.size,
                                            glyph.fontName, glyph.italic, glyph.bold,
                                            glyph.underline, glyph.backColor);
    }
    if (const TextureSlot* slot = Renderer->Slot(index)) {
        glyph.textureId = index;
        glyph.pictureWidth = slot->image.Width();
        glyph.pictureHeight = slot->image.Height();
    } else {
        // Nothing could be made (no device): the glyph keeps no picture and takes no room. The
        // registry's invalid index would name the next slot registered, so it is not kept.
        glyph.textureId = kNoPicture;
    }
}

void IMTextView::ReleasePicture(const Glyph& glyph) {
    if (Renderer)
        Renderer->ReleaseTexture(glyph.textureId);
}

void IMTextView::InsertText(int position, const std::wstring& text) {
    if (position < 0 || position > static_cast<int>(glyphs.size()))
        return;
    for (size_t i = 0; i < text.size(); ++i)
        glyphs.insert(glyphs.begin() + position + static_cast<ptrdiff_t>(i), MakeGlyph(text[i]));
    Layout(position);
    // The extent may stay the same while the glyphs change.
    if (!text.empty())
        SetDirty(true);
}

void IMTextView::DeleteText(int position, int count) {
    const int size = static_cast<int>(glyphs.size());
    if (position < 0 || position > size)
        return;
    const int end = position + std::clamp(count, 0, size - position);
    for (int j = position; j < end; ++j)
        ReleasePicture(*glyphs[j]);
    glyphs.erase(glyphs.begin() + position, glyphs.begin() + end);
    Layout(position);
    if (end > position)
        SetDirty(true);
}

void IMTextView::SetText(const std::wstring& text) {
    for (const auto& glyph : glyphs)
        ReleasePicture(*glyph);
    glyphs.clear();
    SetSourceRect(Rect{});
    InsertText(0, text);
}

std::wstring IMTextView::GetText() const {
    std::wstring text;
    text.reserve(glyphs.size());
    for (const auto& glyph : glyphs)
        text += glyph->ch;
    return text;
}

void IMTextView::SetFormat(std::optional<uint32_t> newColor, std::optional<bool> newUnderline,
                           std::optional<bool> newBold, std::optional<bool> newItalic,
                           std::optional<int> newSize, std::optional<std::wstring> newFontName,
                           std::optional<uint32_t> newBackColor) {
    if (newColor)
        color = *newColor;
    if (newUnderline)
        underline = *newUnderline;
    if (newBold)
        bold = *newBold;
    if (newItalic)
        italic = *newItalic;
    if (newSize)
        fontSize = *newSize;
    if (newFontName)
        fontName = *newFontName;
    if (newBackColor)
        backColor = *newBackColor;

    bool resized = false;
    for (const auto& glyph : glyphs) {
        Glyph styled = *glyph;
        if (newColor)
            styled.color = *newColor;
        if (newUnderline)
            styled.underline = *newUnderline;
        if (newBold)
            styled.bold = *newBold;
        if (newItalic)
            styled.italic = *newItalic;
        if (newSize)
            styled.size = *newSize;
        if (newFontName)
            styled.fontName = *newFontName;
        if (newBackColor)
            styled.backColor = *newBackColor;
        if (FormatKey(styled) == glyph->key)
            continue;
        // The new picture is taken before the old one goes, so a picture both share survives.
        AssignPicture(styled);
        ReleasePicture(*glyph);
        resized = resized || styled.pictureWidth != glyph->pictureWidth ||
                  styled.pictureHeight != glyph->pictureHeight;
        *glyph = std::move(styled);
    }
    if (resized)
        Layout(0);
    SetDirty(true);
}

void IMTextView::Layout(int first) {
    const Rect extent =
        LayoutGlyphs(glyphs, lineStarts, first, TextLayoutRules{multiline, GetWidth(), lineHeight});
    SetSourceRect(extent);
}

void IMTextView::Render() {
    if (!Renderer) {
        dirty = false;
        return;
    }
    const Rect viewport = Renderer->GetViewport();
    const int ox = Renderer->originX;
    const int oy = Renderer->originY;
    const Rect area = GetRect();
    const Rect clip = platform::IntersectRect(viewport, area.Offset(ox, oy));
    if (clip.IsEmpty()) {
        dirty = false;
        return;
    }
    Renderer->SetViewport(clip);
    Renderer->originX = ox + area.left;
    Renderer->originY = oy + area.top;

    const VisibleLines lines = FindVisibleLines(glyphs, lineStarts, clip.top - Renderer->originY,
                                                clip.bottom - Renderer->originY);
    const int count = static_cast<int>(glyphs.size());
    const int lastLine = static_cast<int>(lineStarts.size()) - 1;
    for (int line = lines.first; line <= lines.last; ++line) {
        const int end = line < lastLine ? std::min(lineStarts[line + 1], count) : count;
        for (int j = lineStarts[line]; j < end; ++j) {
            const Glyph& glyph = *glyphs[j];
            Renderer->DrawTexture(glyph.textureId, glyph.rect, nullptr, 0xFFFFFFFF, 0.0f);
        }
    }

    Renderer->originX = ox;
    Renderer->originY = oy;
    Renderer->SetViewport(viewport);
    dirty = false;
}
