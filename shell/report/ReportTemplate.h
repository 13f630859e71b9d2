// The built-in empty workbook that a report starts from when its file does not
// exist yet.
#pragma once

#include <array>
#include <string>
#include <string_view>

// The 35 pieces of the template in order; consecutive pieces are joined by
// kEmptyXmlSeparator, and nothing stands before the first or after the last.
const std::array<std::string_view, 35>& EmptyXmlItems();

inline constexpr std::string_view kEmptyXmlSeparator = "\t\t\t\t\t\t\t ";

// The whole template, 1322 characters. c_str() ends in the terminating zero,
// and the parser is handed the characters together with that zero.
const std::string& EmptyXml();

// The name the parser knows the template by.
inline constexpr const char* kEmptyXmlName = "EmptyXML";
