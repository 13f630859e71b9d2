// How text travels into and out of the report workbook: the program's 8-bit
// form (Windows-1251, double quotes as apostrophes) and the UTF-16 units the
// DOM holds.
#pragma once

#include <string>

// The 8-bit form of a text bound for the document. On top of the program's
// usual rules, the control characters that XML 1.0 cannot hold (everything
// below U+0020 except tab, line feed and carriage return) become '?', like
// every other character the report cannot keep, so that the document can
// always be written.
std::string ReportNarrow(const std::wstring& text);

// The DOM's units of an 8-bit text, through Windows-1251.
std::u16string ToDomText(const std::string& narrow);
// The DOM's units of a wide text, unit for unit.
std::u16string ToDomText(const std::wstring& text);
std::wstring FromDomText(const char16_t* text);
