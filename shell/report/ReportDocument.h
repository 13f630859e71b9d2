// The student's statistics workbook (SpreadsheetML 2003): one worksheet per
// student in one file per title, kept as a DOM and written whole on Save.
#pragma once

#include "shell/report/ReportStorage.h"

#include <xercesc/util/XercesDefs.hpp>

#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

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

// Why the last Save did not write its file.
enum class SaveFailure {
    None,
    FolderMissing,  // the folder does not exist, or a part of the path is a file
    NotPermitted,   // no permission, or a read-only file system
    DiskFull,
    IsFolder,       // the path names a folder
    Busy,           // another program kept the workbook locked
    Blocked,        // the default file holds a damaged workbook that is kept
    Other,
};

class ReportDocument {
public:
    // Opens the workbook at filePath, or starts it from the built-in template,
    // and finds or adds the student's worksheet (shell/report/WorksheetNames.h
    // has the naming rule). A file that exists but is not a readable workbook
    // is never overwritten: it is renamed to a ".damaged-<time>" name beside
    // the original, and the report starts anew.
    ReportDocument(const std::wstring& filePath, const std::wstring& studentName);
    ~ReportDocument();
    ReportDocument(const ReportDocument&) = delete;
    ReportDocument& operator=(const ReportDocument&) = delete;

    // Appends one statistics row (name, value, type "String" or "Number").
    void AddRow(const std::wstring& name, const std::wstring& value, const std::wstring& type);

    // Appends the empty row that ends a run.
    void FinishRun();

    // Writes the document to path, or to the default file when path is empty
    // or names the default file. Returns whether the file was written.
    //
    // The default file is shared by every program of the title, on this
    // machine and on others that share its folder. Saving it takes the file's
    // lock, reads the file again when another program has replaced it since
    // this one last read or wrote it, adds this report's rows since its last
    // save to the student's worksheet there, and replaces the file atomically;
    // the merged workbook then becomes this document. Another path gets the
    // document as it is. Rows that earlier saves of the default file could not
    // write and kept in kept-rows files (KeptRows.h) are taken into the
    // workbook by the next save that succeeds, and their files removed.
    bool Save(const std::wstring& path);

    // Why the last Save failed (None after a successful one).
    SaveFailure LastSaveFailure() const { return lastFailure; }

    // True while rows added since the last save to the default file exist only
    // in memory.
    bool HasUnsavedRows() const { return !pending.empty(); }

    // Writes the rows that exist only in memory into a workbook of their own
    // (the template and the student's worksheet), in the first of the folders
    // that takes it, and returns its path; the same file is rewritten at the
    // next call and removed once the rows have reached the default file. None
    // when there are no such rows or no folder took them.
    std::optional<std::filesystem::path> KeepUnsavedRows(
        const std::vector<std::filesystem::path>& folders);
    // Where KeepUnsavedRows last put the rows, if they are there still.
    const std::optional<std::filesystem::path>& KeptRowsFile() const { return keptRowsFile; }
    // The rows that exist only in memory as tab-separated lines, the last
    // resort when no file can hold them.
    std::string UnsavedRowsText() const;

    // Takes in what other programs have written to the default file since this
    // one last read or wrote it, keeping this report's own rows. Nothing
    // changes when the file is unchanged, missing or unreadable.
    void Refresh();

    // Prints the header and every row of the student's table as one document
    // on the context. Returns whether the document was handed to the printer;
    // when it was not, nothing is printed.
    bool Print(platform::PrintContext& context, const ReportPrintHeader& header) const;

    // The default file path and the student's name, in 8-bit form.
    const std::string& FilePath() const { return filePath; }
    const std::string& StudentName() const { return studentName; }
    // The student as the report knows them, and their worksheet's name.
    const std::wstring& StudentKey() const { return studentKey; }
    std::wstring SheetName() const;

    // True when path names the default file.
    bool IsDefaultPath(const std::wstring& path) const;

    // The serialised document, exactly the bytes Save writes; empty on failure.
    std::string Serialize() const;

private:
    // A row added since the last save to the default file; an end of a run
    // when it has no cells.
    struct PendingRow {
        std::string name;
        std::string value;
        std::string type;
        bool endOfRun = false;
    };

    bool SaveToDefaultFile();
    bool SaveCopy(const std::filesystem::path& target);
    // The workbook now in the default file with this report's unsaved rows
    // added, or null when the file is what this document already holds.
    // damaged is set when the file is there but not a workbook.
    xercesc::DOMDocument* ReadChangedDefaultFile(xercesc::DOMElement*& sheet, bool& damaged,
                                                 StorageError& error);
    void Adopt(xercesc::DOMDocument* newDocument, xercesc::DOMElement* sheet);
    // A copy of the document with the rows of every other kept-rows file of
    // the default file added to their students' worksheets, and those files in
    // takenIn; null when there are none.
    xercesc::DOMDocument* WithKeptRows(std::vector<std::filesystem::path>& takenIn) const;
    bool Fail(SaveFailure failure, const std::string& message);

    XercesSession session;
    xercesc::DOMDocument* document = nullptr;
    xercesc::DOMElement* worksheet = nullptr;
    std::string filePath;
    std::string studentName;
    std::wstring studentKey;
    xercesc::DOMImplementation* domImplementation = nullptr;
    // Set when a damaged file at filePath could not be moved aside: it must not
    // be overwritten by the default save.
    bool defaultPathBlocked = false;
    // The version of the default file this document holds (read or written by
    // it); none when the file did not exist.
    std::optional<FileStamp> knownFile;
    std::vector<PendingRow> pending;
    std::optional<std::filesystem::path> keptRowsFile;
    SaveFailure lastFailure = SaveFailure::None;
};

// True when the file holds a workbook (an XML document whose root is
// Workbook); false for anything else and for a file that cannot be read.
bool IsWorkbookFile(const std::filesystem::path& path);

// The student of a workbook that holds one student's rows (a kept-rows file):
// the name in its first worksheet's student row, else that worksheet's name.
std::optional<std::wstring> SoleStudentOf(const std::filesystem::path& path);
