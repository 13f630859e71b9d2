// Finding and making fonts, and their per-character caches.
#include "media/FontRegistry.h"

int FontRegistry::GetFont(const std::wstring& faceName, int height, bool bold, bool italic,
                          bool underline) {
    for (size_t i = 0; i < fontList.size(); ++i) {
        const FontRecord& record = *fontList[i];
        if (record.faceName == faceName && record.height == height && record.bold == bold &&
            record.italic == italic)
            return static_cast<int>(i);
    }
    auto record = std::make_unique<FontRecord>();
    record->faceName = faceName;
    record->height = height;
    record->bold = bold;
    record->italic = italic;
    record->underline = underline;
    record->font = platform::Font::Create(faceName, height, bold ? 700 : 400, italic, underline);
    if (record->font)
        record->metrics = record->font->Metrics();
    fontList.push_back(std::move(record));
    return static_cast<int>(fontList.size() - 1);
}

const platform::CharWidths& FontRecord::CharWidths(wchar_t character) {
    auto found = abcWidths.find(character);
    if (found != abcWidths.end())
        return found->second;
    platform::CharWidths widths;
    if (font && !font->GetCharABCWidths(static_cast<char16_t>(character), widths))
        widths = {};
    return abcWidths.emplace(character, widths).first->second;
}

const std::vector<uint8_t>& FontRecord::Outline(wchar_t character, uint32_t& size) {
    auto found = outlines.find(character);
    if (found == outlines.end()) {
        std::vector<uint8_t> buffer;
        platform::GlyphMetrics metrics;
        uint32_t returned = platform::kOutlineError;
        if (font) {
            buffer.resize(kOutlineBufferSize);
            returned = font->GetGlyphOutline(static_cast<char16_t>(character), metrics,
                                             buffer.data(), kOutlineBufferSize);
        }
        buffer.resize(returned == platform::kOutlineError ? 0 : returned);
        buffer.shrink_to_fit();
        glyphMetrics[character] = metrics;
        outlineSizes[character] = returned;
        found = outlines.emplace(character, std::move(buffer)).first;
    }
    size = outlineSizes[character];
    return found->second;
}
