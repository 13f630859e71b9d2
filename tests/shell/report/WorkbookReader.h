// Reads a saved workbook back with a plain parser of the tests' own: each
// worksheet's name and the Data texts of each of its rows.
#pragma once

#include "shell/report/ReportDocument.h"
#include "tests/shell/report/ReportTestFolder.h"

#include <xercesc/dom/DOM.hpp>
#include <xercesc/framework/MemBufInputSource.hpp>
#include <xercesc/parsers/XercesDOMParser.hpp>

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

using Rows = std::vector<std::vector<std::wstring>>;
using Sheets = std::vector<std::pair<std::wstring, Rows>>;

inline std::wstring WideDomText(const XMLCh* text) {
    return std::wstring(text, text + xercesc::XMLString::stringLen(text));
}

inline std::vector<xercesc::DOMElement*> ChildElements(xercesc::DOMElement* parent, const XMLCh* name) {
    std::vector<xercesc::DOMElement*> children;
    for (xercesc::DOMElement* child = parent->getFirstElementChild(); child;
         child = child->getNextElementSibling())
        if (xercesc::XMLString::equals(child->getTagName(), name))
            children.push_back(child);
    return children;
}

inline Sheets ReadSheetsFromBytes(const std::string& bytes) {
    using namespace xercesc;
    XercesSession session;
    XercesDOMParser parser;
    parser.setDisableDefaultEntityResolution(true);
    MemBufInputSource source(reinterpret_cast<const XMLByte*>(bytes.data()), bytes.size(), "test");
    parser.parse(source);
    EXPECT_EQ(parser.getErrorCount(), 0u);
    Sheets sheets;
    DOMDocument* document = parser.getDocument();
    if (document == nullptr || document->getDocumentElement() == nullptr)
        return sheets;
    for (DOMElement* sheet : ChildElements(document->getDocumentElement(), u"Worksheet")) {
        Rows rows;
        for (DOMElement* table : ChildElements(sheet, u"Table"))
            for (DOMElement* row : ChildElements(table, u"Row")) {
                std::vector<std::wstring> cells;
                for (DOMElement* cell : ChildElements(row, u"Cell"))
                    for (DOMElement* data : ChildElements(cell, u"Data"))
                        cells.push_back(WideDomText(data->getTextContent()));
                rows.push_back(cells);
            }
        sheets.emplace_back(WideDomText(sheet->getAttribute(u"ss:Name")), rows);
    }
    return sheets;
}

inline Sheets ReadSheets(const std::filesystem::path& path) {
    SCOPED_TRACE(path.string());
    return ReadSheetsFromBytes(ReportTestFolder::Read(path));
}
