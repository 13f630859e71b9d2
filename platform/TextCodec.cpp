// UTF-8, UTF-16 and Windows-1251 conversions with our own code page table.
#include "platform/TextCodec.h"

#include <array>
#include <cstdint>

namespace platform {
namespace {

constexpr wchar_t kReplacement = 0xFFFD;

// Windows-1251 bytes 0x80 … 0xBF; 0xC0 … 0xFF are А … я (U+0410 … U+044F).
constexpr std::array<char16_t, 64> kUpperHalf = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021, // 80
    0x20AC, 0x2030, 0x0409, 0x2039, 0x040A, 0x040C, 0x040B, 0x040F, // 88
    0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, // 90
    0xFFFD, 0x2122, 0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F, // 98
    0x00A0, 0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6, 0x00A7, // A0
    0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407, // A8
    0x00B0, 0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6, 0x00B7, // B0
    0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457, // B8
};

bool IsHighSurrogate(uint32_t u) { return u >= 0xD800 && u <= 0xDBFF; }
bool IsLowSurrogate(uint32_t u) { return u >= 0xDC00 && u <= 0xDFFF; }

void AppendUtf8(std::string& out, uint32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

void AppendUtf16(std::wstring& out, uint32_t cp) {
    if (cp < 0x10000) {
        out += static_cast<wchar_t>(cp);
    } else {
        cp -= 0x10000;
        out += static_cast<wchar_t>(0xD800 + (cp >> 10));
        out += static_cast<wchar_t>(0xDC00 + (cp & 0x3FF));
    }
}

} // namespace

std::string WideToUtf8(const std::wstring& text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        uint32_t u = static_cast<uint32_t>(text[i]) & 0xFFFF;
        if (IsHighSurrogate(u) && i + 1 < text.size() &&
            IsLowSurrogate(static_cast<uint32_t>(text[i + 1]) & 0xFFFF)) {
            uint32_t low = static_cast<uint32_t>(text[i + 1]) & 0xFFFF;
            AppendUtf8(out, 0x10000 + ((u - 0xD800) << 10) + (low - 0xDC00));
            ++i;
        } else if (IsHighSurrogate(u) || IsLowSurrogate(u)) {
            AppendUtf8(out, kReplacement);
        } else {
            AppendUtf8(out, u);
        }
    }
    return out;
}

std::wstring Utf8ToWide(const std::string& text) {
    std::wstring out;
    out.reserve(text.size());
    const auto* s = reinterpret_cast<const unsigned char*>(text.data());
    size_t n = text.size();
    size_t i = 0;
    while (i < n) {
        unsigned char c = s[i];
        uint32_t cp = 0;
        size_t extra = 0;
        uint32_t minimum = 0;
        if (c < 0x80) {
            cp = c;
        } else if ((c & 0xE0) == 0xC0) {
            cp = c & 0x1F;
            extra = 1;
            minimum = 0x80;
        } else if ((c & 0xF0) == 0xE0) {
            cp = c & 0x0F;
            extra = 2;
            minimum = 0x800;
        } else if ((c & 0xF8) == 0xF0) {
            cp = c & 0x07;
            extra = 3;
            minimum = 0x10000;
        } else {
            out += kReplacement;
            ++i;
            continue;
        }
        size_t j = 1;
        for (; j <= extra; ++j) {
            if (i + j >= n || (s[i + j] & 0xC0) != 0x80)
                break;
            cp = (cp << 6) | (s[i + j] & 0x3F);
        }
        if (j <= extra || cp < minimum || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
            out += kReplacement;
            i += j;
            continue;
        }
        AppendUtf16(out, cp);
        i += extra + 1;
    }
    return out;
}

char WideCharToCp1251(wchar_t unit) {
    uint32_t u = static_cast<uint32_t>(unit);
    if (u < 0x80)
        return static_cast<char>(u);
    if (u >= 0x0410 && u <= 0x044F)
        return static_cast<char>(0xC0 + (u - 0x0410));
    for (size_t i = 0; i < kUpperHalf.size(); ++i) {
        if (kUpperHalf[i] == u && u != kReplacement)
            return static_cast<char>(0x80 + i);
    }
    return '?';
}

wchar_t Cp1251ToWideChar(char byte) {
    auto b = static_cast<unsigned char>(byte);
    if (b < 0x80)
        return static_cast<wchar_t>(b);
    if (b >= 0xC0)
        return static_cast<wchar_t>(0x0410 + (b - 0xC0));
    return static_cast<wchar_t>(kUpperHalf[b - 0x80]);
}

std::string WideToCp1251(const std::wstring& text) {
    std::string out;
    out.reserve(text.size());
    for (wchar_t unit : text)
        out += WideCharToCp1251(unit);
    return out;
}

std::wstring Cp1251ToWide(const std::string& text) {
    std::wstring out;
    out.reserve(text.size());
    for (char byte : text)
        out += Cp1251ToWideChar(byte);
    return out;
}

std::string NarrowAnsi(const std::wstring& text) {
    std::string out;
    out.reserve(text.size());
    for (wchar_t unit : text)
        out += unit == L'"' ? '\'' : WideCharToCp1251(unit);
    return out;
}

} // namespace platform
