// Our Windows-1251 table against glibc's iconv, and the program's 8-bit rules.
#include "platform/TextCodec.h"

#include <gtest/gtest.h>

#include <iconv.h>

#include <optional>

using namespace platform;

namespace {
// What glibc makes of one Windows-1251 byte; nothing when it refuses it.
std::optional<char32_t> IconvCp1251(unsigned char byte) {
    iconv_t cd = iconv_open("UTF-32LE", "CP1251");
    if (cd == reinterpret_cast<iconv_t>(-1))
        return std::nullopt;
    char in[1] = {static_cast<char>(byte)};
    char out[4] = {};
    char* inp = in;
    char* outp = out;
    size_t inLeft = 1;
    size_t outLeft = 4;
    size_t r = iconv(cd, &inp, &inLeft, &outp, &outLeft);
    iconv_close(cd);
    if (r == static_cast<size_t>(-1))
        return std::nullopt;
    return static_cast<char32_t>(static_cast<unsigned char>(out[0]) |
                                 (static_cast<unsigned char>(out[1]) << 8));
}
} // namespace

TEST(TextCodecTest, Cp1251TableAgreesWithIconvForEveryByte) {
    if (IconvCp1251('A') != U'A')
        GTEST_SKIP() << "iconv has no CP1251";
    for (int b = 0; b < 256; ++b) {
        std::optional<char32_t> expected = IconvCp1251(static_cast<unsigned char>(b));
        wchar_t ours = Cp1251ToWideChar(static_cast<char>(b));
        if (!expected) {
            EXPECT_EQ(ours, 0xFFFD) << "byte " << b;
            continue;
        }
        EXPECT_EQ(static_cast<char32_t>(ours), *expected) << "byte " << b;
        EXPECT_EQ(static_cast<unsigned char>(WideCharToCp1251(ours)), b) << "byte " << b;
    }
}

TEST(TextCodecTest, NarrowAnsiTurnsQuotesIntoApostrophesAndUnknownsIntoQuestionMarks) {
    EXPECT_EQ(NarrowAnsi(L"Петя \"Ё\" é€"), WideToCp1251(L"Петя 'Ё' ?€"));
    EXPECT_EQ(Cp1251ToWide(NarrowAnsi(L"Zoë")), L"Zo?");
}

TEST(TextCodecTest, Utf8RoundTripKeepsSurrogatePairsAndReplacesLoneOnes) {
    std::wstring text = L"Тренажер «Зельтарик»";
    EXPECT_EQ(Utf8ToWide(WideToUtf8(text)), text);

    std::wstring pair = {static_cast<wchar_t>(0xD83D), static_cast<wchar_t>(0xDE00)};
    EXPECT_EQ(WideToUtf8(pair), "\xF0\x9F\x98\x80");
    EXPECT_EQ(Utf8ToWide("\xF0\x9F\x98\x80"), pair);

    std::wstring lone = {L'a', static_cast<wchar_t>(0xDC00), L'b'};
    EXPECT_EQ(WideToUtf8(lone), "a\xEF\xBF\xBD" "b");
    EXPECT_EQ(Utf8ToWide("a\xC3"), std::wstring(L"a\xFFFD"));
}
