// The text view: a text held as a row of glyph pictures, one per character, each rasterised from
// a font in the view's style and shared with every other glyph of the same character and style;
// laid out in one line or in several (with line breaks and word wrap), and drawn line by line,
// only where the clip rectangle shows it.
#pragma once

#include "gui/IMTextViewLayout.h"
#include "gui/IMView.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

class IMTextView : public IMView {
public:
    IMTextView() = default;
    // Releases every glyph's picture.
    ~IMTextView() override;

    // Draws the visible lines' glyphs, clipped to the view's rectangle.
    void Render() override;

    // Inserts the characters before glyph `position` (0 … glyph count; other positions do
    // nothing), in the view's current style, and lays the text out again from there.
    virtual void InsertText(int position, const std::wstring& text);
    // Deletes `count` glyphs from `position` on (stopping at the end of the text) and lays the
    // rest out again. Positions outside 0 … glyph count do nothing.
    virtual void DeleteText(int position, int count);

    // Replaces the whole text.
    void SetText(const std::wstring& text);
    std::wstring GetText() const;

    // Sets the given attributes for new glyphs and gives them to every glyph there is, making
    // their pictures again where the style changed; lays the text out again when a picture's
    // size changed. Marks the view dirty.
    void SetFormat(std::optional<uint32_t> newColor = {}, std::optional<bool> newUnderline = {},
                   std::optional<bool> newBold = {}, std::optional<bool> newItalic = {},
                   std::optional<int> newSize = {}, std::optional<std::wstring> newFontName = {},
                   std::optional<uint32_t> newBackColor = {});
    void SetColor(uint32_t value) { SetFormat(value); }
    void SetBackColor(uint32_t value) { SetFormat({}, {}, {}, {}, {}, {}, value); }
    void SetFontSize(int value) { SetFormat({}, {}, {}, {}, value); }
    void SetBold(bool value) { SetFormat({}, {}, value); }

    // Lays the glyphs out from `first` on; the source rectangle becomes the text's extent.
    void Layout(int first);

    // The registry name of a glyph's picture: face, character, size, colour (as a signed number),
    // bold, underline, italic, background colour and marker, one after the other.
    static std::wstring FormatKey(const Glyph& glyph);

    // ARGB of new glyphs' text and background.
    uint32_t color = 0xFFFFFFFF;
    uint32_t backColor = 0x00AFAFAF;
    // Line breaks and word wrap at the view's width.
    bool multiline = false;
    bool underline = false;
    bool bold = false;
    bool italic = false;
    // Spaces, tabs and line breaks show marker pictures.
    bool showWhitespace = false;
    int fontSize = 16;
    std::wstring fontName = L"Arial";
    GlyphList glyphs;
    // The least height of a line, and the height of an empty one.
    int lineHeight = 16;
    // The index of the first glyph of every line.
    std::vector<int> lineStarts{0};

private:
    std::unique_ptr<Glyph> MakeGlyph(wchar_t character) const;
    // Gives the glyph the picture of its character and style, taking a reference to it.
    void AssignPicture(Glyph& glyph) const;
    static void ReleasePicture(const Glyph& glyph);
};
