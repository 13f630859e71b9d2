// Text conversions. Inside the program text is wide: every std::wstring holds
// UTF-16 code units, one per wchar_t (a character outside the BMP takes two
// elements, as on Windows). The file system, SDL and FreeType speak UTF-8; the
// report and the program's narrow paths speak Windows-1251.
#pragma once

#include <string>

namespace platform {

// UTF-16 units ↔ UTF-8. Lone surrogates and malformed UTF-8 become U+FFFD.
std::string WideToUtf8(const std::wstring& text);
std::wstring Utf8ToWide(const std::string& text);

// One UTF-16 unit ↔ Windows-1251. Units the code page lacks give '?'; bytes the
// code page leaves undefined (0x98) give U+FFFD.
char WideCharToCp1251(wchar_t unit);
wchar_t Cp1251ToWideChar(char byte);
std::string WideToCp1251(const std::wstring& text);
std::wstring Cp1251ToWide(const std::string& text);

// The program's 8-bit form of a wide text (the report's names and values, the
// program's narrow file paths): a double quote becomes an apostrophe, every
// other unit is converted to Windows-1251 with '?' for what it lacks.
std::string NarrowAnsi(const std::wstring& text);

} // namespace platform
