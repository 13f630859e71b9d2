// The built-in empty workbook: styles and window settings a spreadsheet expects,
// and no worksheet yet.
#include "shell/report/ReportTemplate.h"

const std::array<std::string_view, 35>& EmptyXmlItems() {
    static constexpr std::array<std::string_view, 35> items = {
        R"(<?xml version="1.0"?>)",
        R"(<?mso-application progid="Excel.Sheet"?>)",
        R"(<Workbook xmlns="urn:schemas-microsoft-com:office:spreadsheet")",
        R"(xmlns:o="urn:schemas-microsoft-com:office:office")",
        R"(xmlns:x="urn:schemas-microsoft-com:office:excel")",
        R"(xmlns:ss="urn:schemas-microsoft-com:office:spreadsheet")",
        R"(xmlns:html="http://www.w3.org/TR/REC-html40">)",
        R"(<DocumentProperties xmlns="urn:schemas-microsoft-com:office:office">)",
        R"(<Version>11.6360</Version>)",
        R"(</DocumentProperties>)",
        R"(<ExcelWorkbook xmlns="urn:schemas-microsoft-com:office:excel">)",
        R"(<WindowHeight>10005</WindowHeight>)",
        R"(<WindowWidth>10005</WindowWidth>)",
        R"(<WindowTopX>120</WindowTopX>)",
        R"(<WindowTopY>135</WindowTopY>)",
        R"(<ProtectStructure>False</ProtectStructure>)",
        R"(<ProtectWindows>False</ProtectWindows>)",
        R"(</ExcelWorkbook>)",
        R"(<Styles>)",
        R"(<Style ss:ID="Default" ss:Name="Normal">)",
        R"(<Alignment ss:Vertical="Bottom"/>)",
        R"(<Borders/>)",
        R"(<Font ss:FontName="Arial Cyr" x:CharSet="204"/>)",
        R"(<Interior/>)",
        R"(<NumberFormat/>)",
        R"(<Protection/>)",
        R"(</Style>)",
        R"(<Style ss:ID="s21">)",
        R"(<NumberFormat ss:Format="Short Date"/>)",
        R"(</Style>)",
        R"(<Style ss:ID="s22">)",
        R"(<NumberFormat ss:Format="Short Time"/>)",
        R"(</Style>)",
        R"(</Styles>)",
        R"(</Workbook>)",
    };
    return items;
}

const std::string& EmptyXml() {
    static const std::string text = [] {
        std::string joined;
        for (std::string_view item : EmptyXmlItems()) {
            if (!joined.empty())
                joined += kEmptyXmlSeparator;
            joined += item;
        }
        return joined;
    }();
    return text;
}
