// The student's statistics workbook (SpreadsheetML 2003): one worksheet per
// student in one file per title, kept as a DOM and written whole on Save.
#pragma once

#include <string>

// The public interface the shell uses; the document's fields and the printing
// entry point are completed with the workbook itself.
class ReportDocument {
public:
    // Opens the workbook at filePath, or starts it from the built-in template,
    // and finds or adds the student's worksheet.
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
};
