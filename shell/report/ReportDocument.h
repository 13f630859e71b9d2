// The student's statistics workbook (SpreadsheetML 2003): one worksheet per
// student in one file per title, kept as a DOM and written whole on Save.
#pragma once

#include <xercesc/util/XercesDefs.hpp>

#include <map>
#include <string>

XERCES_CPP_NAMESPACE_BEGIN
class DOMDocument;
class DOMElement;
class DOMImplementation;
XERCES_CPP_NAMESPACE_END

namespace platform {
class PrintContext;
}

// The three header lines of a printout, label → value, printed in the map's
// order (plain comparison of UTF-16 units).
using ReportPrintHeader = std::map<std::wstring, std::wstring>;

// Keeps the XML library initialised for as long as a document lives. The
// library counts its initialisations, so documents may overlap or follow one
// another freely.
class XercesSession {
public:
    XercesSession();
    ~XercesSession();
    XercesSession(const XercesSession&) = delete;
    XercesSession& operator=(const XercesSession&) = delete;
};

class ReportDocument {
public:
    // Opens the workbook at filePath, or starts it from the built-in template,
    // and finds or adds the student's worksheet. A file that exists but is not
    // a readable workbook is never overwritten: it is renamed to a
    // ".damaged-<time>" name beside the original, and the report starts anew.
    ReportDocument(const std::wstring& filePath, const std::wstring& studentName);
    ~ReportDocument();
    ReportDocument(const ReportDocument&) = delete;
    ReportDocument& operator=(const ReportDocument&) = delete;

    // Appends one statistics row (name, value, type "String" or "Number").
    void AddRow(const std::wstring& name, const std::wstring& value, const std::wstring& type);

    // Appends the empty row that ends a run.
    void FinishRun();

    // Writes the whole document to path, or to the default file when path is
    // empty. Returns whether the file was written.
    bool Save(const std::wstring& path);

    // Prints the header and every row of the student's table as one document
    // on the context. Returns whether the document was handed to the printer;
    // when it was not, nothing is printed.
    bool Print(platform::PrintContext& context, const ReportPrintHeader& header) const;

    // The default file path and the worksheet's name, in 8-bit form.
    const std::string& FilePath() const { return filePath; }
    const std::string& StudentName() const { return studentName; }

    // The serialised document, exactly the bytes Save writes; empty on failure.
    std::string Serialize() const;

private:
    xercesc::DOMElement* FindOrAddWorksheet();
    xercesc::DOMElement* FirstTable() const;
    xercesc::DOMElement* FindOrAddTable();

    XercesSession session;
    xercesc::DOMDocument* document = nullptr;
    xercesc::DOMElement* worksheet = nullptr;
    std::string filePath;
    std::string studentName;
    xercesc::DOMImplementation* domImplementation = nullptr;
    // Set when a damaged file at filePath could not be moved aside: it must not
    // be overwritten by the default save.
    bool defaultPathBlocked = false;
};
