// The report's text conversions.
#include "shell/report/ReportText.h"

#include "platform/TextCodec.h"

std::string ReportNarrow(const std::wstring& text) {
    std::string narrow = platform::NarrowAnsi(text);
    for (char& byte : narrow) {
        const unsigned char code = static_cast<unsigned char>(byte);
        if (code < 0x20 && code != '\t' && code != '\n' && code != '\r')
            byte = '?';
    }
    return narrow;
}

std::u16string ToDomText(const std::string& narrow) {
    return ToDomText(platform::Cp1251ToWide(narrow));
}

std::u16string ToDomText(const std::wstring& text) {
    return std::u16string(text.begin(), text.end());
}

std::wstring FromDomText(const char16_t* text) {
    std::wstring wide;
    if (text != nullptr)
        for (; *text != 0; ++text)
            wide += static_cast<wchar_t>(*text);
    return wide;
}
