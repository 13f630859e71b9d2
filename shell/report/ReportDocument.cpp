// The report workbook over the Xerces-C DOM: opening or starting it, the
// student's worksheet, rows, printing, the merging atomic save and the file
// that keeps rows no save could take.
#include "shell/report/ReportDocument.h"

#include "platform/Clock.h"
#include "platform/TextCodec.h"
#include "platform/files/FileLock.h"
#include "platform/print/PrintContext.h"
#include "shell/report/KeptRows.h"
#include "shell/report/ReportTemplate.h"
#include "shell/report/ReportText.h"
#include "shell/report/WorksheetNames.h"

#include <xercesc/dom/DOM.hpp>
#include <xercesc/framework/MemBufFormatTarget.hpp>
#include <xercesc/framework/MemBufInputSource.hpp>
#include <xercesc/parsers/XercesDOMParser.hpp>
#include <xercesc/sax/HandlerBase.hpp>
#include <xercesc/sax/SAXParseException.hpp>
#include <xercesc/util/OutOfMemoryException.hpp>
#include <xercesc/util/PlatformUtils.hpp>
#include <xercesc/util/SecurityManager.hpp>
#include <xercesc/util/XMLEntityResolver.hpp>
#include <xercesc/util/XMLException.hpp>
#include <xercesc/util/XMLResourceIdentifier.hpp>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <stdexcept>
#include <vector>

using namespace xercesc;

namespace {

// Workbooks use no entities of their own, so this bound only ever stops a
// document built to exhaust memory by nested expansion.
constexpr XMLSize_t kEntityExpansionLimit = 10000;

std::string Narrow(const XMLCh* text) {
    return platform::WideToUtf8(FromDomText(text));
}

// Every external entity and DTD resolves to nothing. The workbook sits in a
// folder every user can write to; following a reference would copy a local
// file, or the answer of a server, into the report.
class NothingResolver final : public XMLEntityResolver {
public:
    InputSource* resolveEntity(XMLResourceIdentifier* resource) override {
        static const XMLByte nothing[1] = {0};
        return new MemBufInputSource(nothing, 0,
                                     resource->getSystemId() ? resource->getSystemId() : u"");
    }
};

class ThrowingErrorHandler final : public HandlerBase {
public:
    void warning(const SAXParseException&) override {}
    void error(const SAXParseException& exception) override { throw exception; }
    void fatalError(const SAXParseException& exception) override { throw exception; }
};

// Parses bytes into a document the caller owns, or returns null with the
// reason in error.
DOMDocument* ParseWorkbook(const XMLByte* bytes, XMLSize_t length, const char* name,
                           std::string& error) {
    NothingResolver resolver;
    ThrowingErrorHandler errors;
    SecurityManager security;
    security.setEntityExpansionLimit(kEntityExpansionLimit);

    XercesDOMParser parser;
    parser.setXMLEntityResolver(&resolver);
    parser.setDisableDefaultEntityResolution(true);
    parser.setLoadExternalDTD(false);
    // Entities are replaced by their text as the document is read, so that
    // nothing in it depends on the document type, which is dropped below.
    parser.setCreateEntityReferenceNodes(false);
    parser.setSecurityManager(&security);
    parser.setErrorHandler(&errors);

    MemBufInputSource source(bytes, length, name);
    try {
        parser.parse(source);
    } catch (const SAXParseException& exception) {
        error = "line " + std::to_string(exception.getLineNumber()) + ": " +
                Narrow(exception.getMessage());
        return nullptr;
    } catch (const XMLException& exception) {
        error = Narrow(exception.getMessage());
        return nullptr;
    } catch (const DOMException& exception) {
        error = Narrow(exception.getMessage());
        return nullptr;
    } catch (const OutOfMemoryException&) {
        error = "out of memory";
        return nullptr;
    }
    DOMDocument* document = parser.adoptDocument();
    const DOMElement* root = document ? document->getDocumentElement() : nullptr;
    if (root == nullptr || XMLString::compareString(root->getTagName(), u"Workbook") != 0) {
        error = "it is not a workbook";
        if (document)
            document->release();
        return nullptr;
    }
    // The serializer writes a document type's internal subset back as the
    // parser kept it, with its attribute defaults already unescaped: a default
    // holding "&amp;" comes back as a bare "&" and the saved file no longer
    // parses. Workbooks need no document type; what it gave the document
    // (entity texts, default attributes) is in the elements by now.
    if (DOMDocumentType* type = document->getDoctype())
        document->removeChild(type)->release();
    // Workbooks are XML 1.0. An XML 1.1 document may hold control characters
    // that the serializer refuses to write back, so no save of it could ever
    // succeed.
    if (XMLString::equals(document->getXmlVersion(), u"1.1")) {
        error = "it is XML 1.1";
        document->release();
        return nullptr;
    }
    return document;
}

// The elements named name below parent, in document order. A walk of our own:
// Xerces's live node lists rescan from the start whenever they are used
// alongside other lists, which makes a long table quadratic to read.
std::vector<DOMElement*> ElementsNamed(const DOMNode* parent, const XMLCh* name) {
    std::vector<DOMElement*> elements;
    const DOMNode* node = parent->getFirstChild();
    while (node != nullptr) {
        if (node->getNodeType() == DOMNode::ELEMENT_NODE &&
            XMLString::equals(node->getNodeName(), name))
            elements.push_back(const_cast<DOMElement*>(static_cast<const DOMElement*>(node)));
        if (node->getFirstChild() != nullptr) {
            node = node->getFirstChild();
            continue;
        }
        while (node != parent && node->getNextSibling() == nullptr)
            node = node->getParentNode();
        node = node == parent ? nullptr : node->getNextSibling();
    }
    return elements;
}


// How long a save waits while another program saves the same workbook. A
// large workbook takes a few seconds to write; a program holding the lock for
// longer than this has stopped in the middle.
constexpr std::chrono::milliseconds kLockPatience{15000};

DOMDocument* ParseBytes(const std::string& bytes, const char* name, std::string& error) {
    return ParseWorkbook(reinterpret_cast<const XMLByte*>(bytes.data()), bytes.size(), name, error);
}

DOMDocument* ParseTemplate() {
    // The template goes to the parser with its terminating zero.
    const std::string& empty = EmptyXml();
    std::string error;
    DOMDocument* document = ParseWorkbook(reinterpret_cast<const XMLByte*>(empty.c_str()),
                                          empty.size() + 1, kEmptyXmlName, error);
    if (document == nullptr)
        throw std::logic_error("the built-in workbook does not parse: " + error);
    return document;
}

std::wstring SheetNameOf(const DOMElement* sheet) {
    return FromDomText(sheet->getAttribute(u"ss:Name"));
}

DOMElement* FirstTableOf(const DOMElement* sheet) {
    // item(0) stops at the first match; asking the list for its length would
    // walk the whole worksheet on every row added.
    return static_cast<DOMElement*>(
        const_cast<DOMElement*>(sheet)->getElementsByTagName(u"Table")->item(0));
}

DOMElement* FindOrAddTableOf(DOMDocument* document, DOMElement* sheet) {
    if (DOMElement* table = FirstTableOf(sheet))
        return table;
    DOMElement* table = document->createElement(u"Table");
    sheet->appendChild(table);
    return table;
}

DOMElement* FirstRowOf(const DOMElement* table) {
    for (DOMElement* child = table->getFirstElementChild(); child != nullptr;
         child = child->getNextElementSibling())
        if (XMLString::equals(child->getTagName(), u"Row"))
            return child;
    return nullptr;
}

// The student key a row names when it is the row that names the student.
std::optional<std::wstring> StudentOfRow(const DOMElement* row) {
    if (row == nullptr)
        return std::nullopt;
    const std::vector<DOMElement*> data = ElementsNamed(row, u"Data");
    if (data.size() != 2 || FromDomText(data[0]->getTextContent()) != kStudentRowLabel)
        return std::nullopt;
    return FromDomText(data[1]->getTextContent());
}

// The student a worksheet's first row names, if it has such a row.
std::optional<std::wstring> StudentOfSheet(const DOMElement* sheet) {
    const DOMElement* table = FirstTableOf(sheet);
    return table ? StudentOfRow(FirstRowOf(table)) : std::nullopt;
}

DOMElement* MakeRow(DOMDocument* document, const std::u16string& name, const std::u16string& type,
                    const std::u16string& value) {
    DOMElement* row = document->createElement(u"Row");
    auto addCell = [&](const std::u16string& cellType, const std::u16string& text) {
        DOMElement* cell = document->createElement(u"Cell");
        row->appendChild(cell);
        DOMElement* data = document->createElement(u"Data");
        cell->appendChild(data);
        data->setAttribute(u"ss:Type", cellType.c_str());
        data->appendChild(document->createTextNode(text.c_str()));
    };
    addCell(u"String", name);
    addCell(type, value);
    return row;
}

// The row naming the student: the key goes in as typed, letters outside
// Windows-1251 included, because it is what tells two students apart.
DOMElement* MakeStudentRow(DOMDocument* document, const std::wstring& key) {
    return MakeRow(document, ToDomText(kStudentRowLabel), u"String", ToDomText(key));
}

void PutStudentRowFirst(DOMDocument* document, DOMElement* sheet, const std::wstring& key) {
    DOMElement* table = FindOrAddTableOf(document, sheet);
    // Columns come before the rows of a table.
    table->insertBefore(MakeStudentRow(document, key), FirstRowOf(table));
}

std::vector<std::wstring> NamesOfSheets(const std::vector<DOMElement*>& sheets,
                                        const DOMElement* except) {
    std::vector<std::wstring> names;
    for (const DOMElement* sheet : sheets)
        if (sheet != except)
            names.push_back(SheetNameOf(sheet));
    return names;
}

// Finds the student's worksheet or adds it, by the rule of WorksheetNames.h.
// oldName is the name earlier versions gave the worksheet (the 8-bit form of
// the typed name, read back).
DOMElement* FindOrAddStudentSheet(DOMDocument* document, const std::wstring& key,
                                  const std::wstring& oldName) {
    DOMElement* root = document->getDocumentElement();
    const std::vector<DOMElement*> sheets = ElementsNamed(root, u"Worksheet");
    for (DOMElement* sheet : sheets)
        if (StudentOfSheet(sheet) == key)
            return sheet;

    for (DOMElement* sheet : sheets) {
        if (StudentOfSheet(sheet) || SheetNameOf(sheet) != oldName)
            continue;
        // A worksheet of an earlier version. It becomes valid for the
        // spreadsheet programs, and a name that lost letters on its way into
        // 8 bits is claimed by this student, so that the next one whose name
        // lost the same letters gets a worksheet of their own.
        const std::vector<std::wstring> others = NamesOfSheets(sheets, sheet);
        if (key != oldName || !IsPlainSheetName(oldName) || IsTakenIgnoringCase(oldName, others)) {
            sheet->setAttribute(u"ss:Name", ToDomText(DeriveSheetName(key, others)).c_str());
            PutStudentRowFirst(document, sheet, key);
        }
        return sheet;
    }

    const std::vector<std::wstring> taken = NamesOfSheets(sheets, nullptr);
    const bool plain = IsPlainSheetName(key) && !IsTakenIgnoringCase(key, taken);
    DOMElement* sheet = document->createElement(u"Worksheet");
    sheet->setAttribute(u"ss:Name", ToDomText(plain ? key : DeriveSheetName(key, taken)).c_str());
    DOMElement* table = document->createElement(u"Table");
    sheet->appendChild(table);
    for (const char16_t* width : {u"240", u"96"}) {
        DOMElement* column = document->createElement(u"Column");
        column->setAttribute(u"ss:AutoFitWidth", u"0");
        column->setAttribute(u"ss:Width", width);
        table->appendChild(column);
    }
    if (!plain)
        table->appendChild(MakeStudentRow(document, key));
    root->appendChild(sheet);
    return sheet;
}

std::string SerializeDocument(DOMImplementation* implementation, DOMDocument* document) {
    DOMLSSerializer* serializer = implementation->createLSSerializer();
    DOMLSOutput* output = implementation->createLSOutput();
    MemBufFormatTarget target(64 * 1024);
    output->setByteStream(&target);
    output->setEncoding(u"UTF-8");
    // Attributes a document type once gave by default are written out, as the
    // saved file has no document type to give them again.
    serializer->getDomConfig()->setParameter(XMLUni::fgDOMWRTDiscardDefaultContent, false);
    std::string bytes;
    try {
        if (serializer->write(document, output))
            bytes.assign(reinterpret_cast<const char*>(target.getRawBuffer()), target.getLen());
    } catch (const DOMLSException& exception) {
        std::fprintf(stderr, "report: the workbook cannot be written: %s\n",
                     Narrow(exception.getMessage()).c_str());
    } catch (const DOMException& exception) {
        std::fprintf(stderr, "report: the workbook cannot be written: %s\n",
                     Narrow(exception.getMessage()).c_str());
    } catch (const OutOfMemoryException&) {
        std::fprintf(stderr, "report: the workbook cannot be written: out of memory\n");
    }
    output->release();
    serializer->release();
    return bytes;
}

SaveFailure FailureOf(int code) {
    switch (code) {
    case ENOENT:
    case ENOTDIR:
        return SaveFailure::FolderMissing;
    case EACCES:
    case EPERM:
    case EROFS:
        return SaveFailure::NotPermitted;
    case ENOSPC:
#ifdef EDQUOT
    case EDQUOT:
#endif
        return SaveFailure::DiskFull;
    case EISDIR:
        return SaveFailure::IsFolder;
    case EWOULDBLOCK:
        return SaveFailure::Busy;
    default:
        return SaveFailure::Other;
    }
}

// True when this program may remove the file: it may write its folder, and
// a sticky folder (the machine's temporary folders) lets it remove only its
// own files.
bool CanRemove(const std::filesystem::path& file) {
#ifdef _WIN32
    // Windows has no sticky folders; the file's own attributes decide.
    std::error_code error;
    return std::filesystem::is_regular_file(file, error) &&
           (std::filesystem::status(file, error).permissions() &
            std::filesystem::perms::owner_write) != std::filesystem::perms::none;
#else
    const std::filesystem::path folder = file.has_parent_path() ? file.parent_path() : ".";
    struct stat folderStatus {};
    struct stat fileStatus {};
    if (::stat(folder.c_str(), &folderStatus) != 0 || ::lstat(file.c_str(), &fileStatus) != 0 ||
        ::access(folder.c_str(), W_OK | X_OK) != 0)
        return false;
    const uid_t me = ::geteuid();
    return (folderStatus.st_mode & S_ISVTX) == 0 || me == 0 || fileStatus.st_uid == me ||
           folderStatus.st_uid == me;
#endif
}

std::filesystem::path Normalised(const std::filesystem::path& path) {
    std::error_code error;
    const std::filesystem::path absolute = std::filesystem::absolute(path, error);
    return (error ? path : absolute).lexically_normal();
}

} // namespace

XercesSession::XercesSession() {
    XMLPlatformUtils::Initialize("en_US");
}

XercesSession::~XercesSession() {
    XMLPlatformUtils::Terminate();
}

ReportDocument::ReportDocument(const std::wstring& filePath, const std::wstring& studentName)
    : filePath(platform::NarrowAnsi(filePath)),
      studentName(ReportNarrow(studentName)),
      studentKey(::StudentKey(studentName)) {
    domImplementation = DOMImplementationRegistry::getDOMImplementation(u"LS");

    const std::filesystem::path path = PathFromAnsi(this->filePath);
    std::string bytes;
    FileStamp stamp;
    StorageError readError;
    std::string error;
    const FileRead read = ReadFileWithStamp(path, bytes, stamp, readError);
    if (read == FileRead::Read) {
        document = ParseBytes(bytes, path.string().c_str(), error);
        if (document != nullptr)
            knownFile = stamp;
    } else if (read == FileRead::Unreadable) {
        error = readError.text;
    }

    if (document == nullptr && read != FileRead::Missing) {
        std::string moveError;
        if (auto aside = MoveAside(path, platform::CalendarTime(), moveError)) {
            std::fprintf(stderr,
                         "report: %s is not a readable workbook (%s); it was kept as %s and a new "
                         "workbook was started\n",
                         path.string().c_str(), error.c_str(), aside->string().c_str());
        } else if (!std::filesystem::exists(std::filesystem::symlink_status(path))) {
            // Another program moved it aside first.
        } else {
            defaultPathBlocked = true;
            std::fprintf(stderr,
                         "report: %s is not a readable workbook (%s) and could not be moved aside "
                         "(%s); it will not be overwritten\n",
                         path.string().c_str(), error.c_str(), moveError.c_str());
        }
    }

    if (document == nullptr)
        document = ParseTemplate();
    worksheet = FindOrAddStudentSheet(document, studentKey, platform::Cp1251ToWide(this->studentName));
}

ReportDocument::~ReportDocument() {
    document->release();
}

std::wstring ReportDocument::SheetName() const {
    return SheetNameOf(worksheet);
}

void ReportDocument::AddRow(const std::wstring& name, const std::wstring& value,
                            const std::wstring& type) {
    PendingRow row{ReportNarrow(name), ReportNarrow(value), ReportNarrow(type)};
    FindOrAddTableOf(document, worksheet)
        ->appendChild(MakeRow(document, ToDomText(row.name), ToDomText(row.type), ToDomText(row.value)));
    pending.push_back(std::move(row));
}

void ReportDocument::FinishRun() {
    FindOrAddTableOf(document, worksheet)->appendChild(document->createElement(u"Row"));
    pending.push_back(PendingRow{{}, {}, {}, true});
}

std::string ReportDocument::Serialize() const {
    return SerializeDocument(domImplementation, document);
}

bool ReportDocument::IsDefaultPath(const std::wstring& path) const {
    const std::filesystem::path target = PathFromAnsi(platform::NarrowAnsi(path));
    const std::filesystem::path defaultFile = PathFromAnsi(filePath);
    if (Normalised(target) == Normalised(defaultFile))
        return true;
    std::error_code error;
    return std::filesystem::equivalent(target, defaultFile, error);
}

bool ReportDocument::Save(const std::wstring& path) {
    if (path.empty() || IsDefaultPath(path))
        return SaveToDefaultFile();
    return SaveCopy(PathFromAnsi(platform::NarrowAnsi(path)));
}

bool ReportDocument::Fail(SaveFailure failure, const std::string& message) {
    std::fprintf(stderr, "report: %s\n", message.c_str());
    lastFailure = failure;
    return false;
}

bool ReportDocument::SaveCopy(const std::filesystem::path& target) {
    const std::string bytes = Serialize();
    if (bytes.empty())
        return Fail(SaveFailure::Other, "not saved to " + target.string());
    StorageError error;
    if (!WriteFileAtomically(target, bytes, error))
        return Fail(FailureOf(error.code), "not saved to " + target.string() + ": " + error.text);
    lastFailure = SaveFailure::None;
    return true;
}

DOMDocument* ReportDocument::ReadChangedDefaultFile(DOMElement*& sheet, bool& damaged,
                                                    StorageError& error) {
    const std::filesystem::path path = PathFromAnsi(filePath);
    const std::optional<FileStamp> now = StampOf(path);
    if (!now || now == knownFile)
        return nullptr;
    std::string bytes;
    FileStamp stamp;
    const FileRead read = ReadFileWithStamp(path, bytes, stamp, error);
    if (read != FileRead::Read)
        return nullptr;
    std::string parseError;
    DOMDocument* onDisk = ParseBytes(bytes, path.string().c_str(), parseError);
    if (onDisk == nullptr) {
        damaged = true;
        error.text = parseError;
        return nullptr;
    }
    sheet = FindOrAddStudentSheet(onDisk, studentKey, platform::Cp1251ToWide(studentName));
    DOMElement* table = FindOrAddTableOf(onDisk, sheet);
    for (const PendingRow& row : pending)
        table->appendChild(row.endOfRun ? onDisk->createElement(u"Row")
                                        : MakeRow(onDisk, ToDomText(row.name), ToDomText(row.type),
                                                  ToDomText(row.value)));
    knownFile = stamp;
    return onDisk;
}

void ReportDocument::Adopt(DOMDocument* newDocument, DOMElement* sheet) {
    document->release();
    document = newDocument;
    worksheet = sheet;
}

void ReportDocument::Refresh() {
    DOMElement* sheet = nullptr;
    bool damaged = false;
    StorageError error;
    if (DOMDocument* onDisk = ReadChangedDefaultFile(sheet, damaged, error))
        Adopt(onDisk, sheet);
}

bool ReportDocument::SaveToDefaultFile() {
    const std::filesystem::path target = PathFromAnsi(filePath);
    if (defaultPathBlocked)
        return Fail(SaveFailure::Blocked,
                    "not saved, " + target.string() + " holds a damaged workbook that must be kept");

    std::string lockError;
    int lockCode = 0;
    const platform::FileLock lock =
        platform::LockForReplacing(target, kLockPatience, lockError, lockCode);
    if (!lock)
        return Fail(FailureOf(lockCode), "not saved to " + target.string() + ": " + lockError);

    // A program killed while it saved left its temporary file; each would
    // hold a whole workbook, and a classroom's shared folder would fill up.
    RemoveUnfinishedWrites(target);

    // Under the lock nobody else replaces the file: what is read here is what
    // the new file replaces.
    DOMElement* sheet = nullptr;
    bool damaged = false;
    StorageError readError;
    if (DOMDocument* onDisk = ReadChangedDefaultFile(sheet, damaged, readError))
        Adopt(onDisk, sheet);
    else if (damaged) {
        std::string moveError;
        const auto aside = MoveAside(target, platform::CalendarTime(), moveError);
        if (!aside)
            return Fail(SaveFailure::Blocked, "not saved, " + target.string() +
                                                  " became unreadable (" + readError.text +
                                                  ") and could not be moved aside: " + moveError);
        std::fprintf(stderr, "report: %s became unreadable (%s); it was kept as %s\n",
                     target.string().c_str(), readError.text.c_str(), aside->string().c_str());
    } else if (readError.code != 0) {
        return Fail(FailureOf(readError.code),
                    "not saved to " + target.string() + ": " + readError.text);
    }

    // Rows that earlier saves could not write wait in kept-rows files; they go
    // into the workbook with this save, and their files go once it is on disk.
    // Until then this document stays as it was, so a failed save takes in
    // nothing twice.
    std::vector<std::filesystem::path> takenIn;
    DOMDocument* withKept = WithKeptRows(takenIn);
    const std::string bytes = SerializeDocument(domImplementation, withKept ? withKept : document);
    StorageError writeError;
    if (bytes.empty() || !WriteFileAtomically(target, bytes, writeError)) {
        if (withKept)
            withKept->release();
        if (bytes.empty())
            return Fail(SaveFailure::Other, "not saved to " + target.string());
        return Fail(FailureOf(writeError.code),
                    "not saved to " + target.string() + ": " + writeError.text);
    }
    if (withKept)
        Adopt(withKept, FindOrAddStudentSheet(withKept, studentKey, platform::Cp1251ToWide(studentName)));
    for (const std::filesystem::path& file : takenIn) {
        std::error_code ignored;
        std::filesystem::remove(file, ignored);
        std::fprintf(stderr, "report: the rows kept in %s are now in %s\n", file.string().c_str(),
                     target.string().c_str());
    }
    knownFile = StampOf(target);
    pending.clear();
    if (keptRowsFile) {
        std::error_code ignored;
        std::filesystem::remove(*keptRowsFile, ignored);
        keptRowsFile.reset();
    }
    lastFailure = SaveFailure::None;
    return true;
}

DOMDocument* ReportDocument::WithKeptRows(std::vector<std::filesystem::path>& takenIn) const {
    DOMDocument* merged = nullptr;
    for (const KeptRows& kept : FindKeptRowsOf(PathFromAnsi(filePath))) {
        std::error_code error;
        // This report's own kept rows are among its unsaved ones already.
        if (keptRowsFile && std::filesystem::equivalent(kept.file, *keptRowsFile, error))
            continue;
        // Rows whose file could not be removed afterwards would come in again
        // at every save; and a file another user left in a shared temporary
        // folder is theirs, not this workbook's.
        if (!CanRemove(kept.file))
            continue;
        std::string bytes;
        FileStamp stamp;
        StorageError readError;
        std::string parseError;
        if (ReadFileWithStamp(kept.file, bytes, stamp, readError) != FileRead::Read)
            continue;
        DOMDocument* keptDocument = ParseBytes(bytes, kept.file.string().c_str(), parseError);
        if (keptDocument == nullptr)
            continue;
        const std::vector<DOMElement*> sheets =
            ElementsNamed(keptDocument->getDocumentElement(), u"Worksheet");
        const DOMElement* keptTable = sheets.empty() ? nullptr : FirstTableOf(sheets.front());
        if (keptTable != nullptr) {
            if (merged == nullptr) {
                // A copy of the document through its own bytes: exactly what
                // a program reading the saved workbook gets.
                std::string copyError;
                merged = ParseBytes(Serialize(), "", copyError);
                if (merged == nullptr) {
                    keptDocument->release();
                    return nullptr;
                }
            }
            DOMElement* sheet = FindOrAddStudentSheet(
                merged, kept.studentName, platform::Cp1251ToWide(ReportNarrow(kept.studentName)));
            DOMElement* table = FindOrAddTableOf(merged, sheet);
            const DOMElement* studentRow =
                StudentOfRow(FirstRowOf(keptTable)) ? FirstRowOf(keptTable) : nullptr;
            for (const DOMElement* row = keptTable->getFirstElementChild(); row != nullptr;
                 row = row->getNextElementSibling())
                if (row != studentRow && XMLString::equals(row->getTagName(), u"Row"))
                    table->appendChild(merged->importNode(row, true));
            takenIn.push_back(kept.file);
        }
        keptDocument->release();
    }
    return merged;
}

std::optional<std::filesystem::path> ReportDocument::KeepUnsavedRows(
    const std::vector<std::filesystem::path>& folders) {
    if (pending.empty())
        return std::nullopt;
    DOMDocument* kept = ParseTemplate();
    DOMElement* sheet = FindOrAddStudentSheet(kept, studentKey, platform::Cp1251ToWide(studentName));
    DOMElement* table = FindOrAddTableOf(kept, sheet);
    for (const PendingRow& row : pending)
        table->appendChild(row.endOfRun ? kept->createElement(u"Row")
                                        : MakeRow(kept, ToDomText(row.name), ToDomText(row.type),
                                                  ToDomText(row.value)));
    const std::string bytes = SerializeDocument(domImplementation, kept);
    kept->release();
    if (bytes.empty())
        return std::nullopt;

    StorageError error;
    if (keptRowsFile && WriteFileAtomically(*keptRowsFile, bytes, error))
        return keptRowsFile;
    keptRowsFile.reset();
    const std::filesystem::path name = PathFromAnsi(filePath).filename();
    const int64_t now = platform::CalendarTime();
    for (const std::filesystem::path& folder : folders) {
        std::error_code ignored;
        const bool made = std::filesystem::create_directories(folder, ignored);
        for (int counter = 1; counter < 1000; ++counter) {
            const std::filesystem::path candidate = StampedName(folder / name, "recovery", now, counter);
            if (std::filesystem::exists(std::filesystem::symlink_status(candidate)))
                continue;
            if (WriteFileAtomically(candidate, bytes, error)) {
                keptRowsFile = candidate;
                return keptRowsFile;
            }
            std::fprintf(stderr, "report: the unsaved rows cannot be kept in %s: %s\n",
                         folder.string().c_str(), error.text.c_str());
            break;
        }
        // A folder made for nothing goes again.
        if (made)
            std::filesystem::remove(folder, ignored);
    }
    return std::nullopt;
}

std::string ReportDocument::UnsavedRowsText() const {
    std::string text;
    for (const PendingRow& row : pending) {
        if (!row.endOfRun)
            text += platform::WideToUtf8(platform::Cp1251ToWide(row.name)) + "\t" +
                    platform::WideToUtf8(platform::Cp1251ToWide(row.value));
        text += "\n";
    }
    return text;
}

bool ReportDocument::Print(platform::PrintContext& context,
                           const ReportPrintHeader& header) const {
    const DOMElement* table = FirstTableOf(worksheet);
    if (table == nullptr)
        return false;

    const int pageWidth = context.PageWidth();
    const int pageHeight = context.PageHeight();
    const platform::TextMetrics& metrics = context.GetTextMetrics();
    const int margin = metrics.tmAveCharWidth;
    const int lineHeight = metrics.tmHeight + metrics.tmExternalLeading;
    auto columnStep = [&](int textWidth) { return std::max(margin + textWidth, pageWidth / 2); };

    if (context.StartDoc(L"Print1: Printing") <= 0)
        return false;
    auto abandon = [&] {
        context.AbortDoc();
        return false;
    };
    if (!context.StartPage())
        return abandon();

    int y = lineHeight;
    for (const auto& [label, value] : header) {
        context.TextOut(margin, y, label);
        context.TextOut(margin + columnStep(context.GetTextExtent(label).cx), y, value);
        y += lineHeight;
    }
    y += lineHeight;

    // The row naming the student repeats the header's line; it is not printed.
    const DOMElement* studentRow = StudentOfRow(FirstRowOf(table)) ? FirstRowOf(table) : nullptr;
    // A full page is closed only when another row needs the space, so that a
    // report ending exactly at the bottom of a page does not feed a blank one.
    bool pageFull = false;
    for (const DOMElement* row : ElementsNamed(table, u"Row")) {
        if (row == studentRow)
            continue;
        if (pageFull) {
            if (!context.EndPage() || !context.StartPage())
                return abandon();
            y = lineHeight;
            pageFull = false;
        }
        int x = margin;
        for (const DOMElement* data : ElementsNamed(row, u"Data")) {
            const std::string text = platform::WideToCp1251(FromDomText(data->getTextContent()));
            context.TextOutA(x, y, text);
            x += columnStep(context.GetTextExtentA(text).cx);
        }
        y += lineHeight;
        if (y + lineHeight >= pageHeight)
            pageFull = true;
    }
    if (!context.EndPage())
        return abandon();
    return context.EndDoc();
}

bool IsWorkbookFile(const std::filesystem::path& path) {
    XercesSession session;
    std::string bytes;
    FileStamp stamp;
    StorageError error;
    if (ReadFileWithStamp(path, bytes, stamp, error) != FileRead::Read)
        return false;
    std::string parseError;
    DOMDocument* document = ParseBytes(bytes, path.string().c_str(), parseError);
    if (document == nullptr)
        return false;
    document->release();
    return true;
}

std::optional<std::wstring> SoleStudentOf(const std::filesystem::path& path) {
    XercesSession session;
    std::string bytes;
    FileStamp stamp;
    StorageError error;
    if (ReadFileWithStamp(path, bytes, stamp, error) != FileRead::Read)
        return std::nullopt;
    std::string parseError;
    DOMDocument* document = ParseBytes(bytes, path.string().c_str(), parseError);
    if (document == nullptr)
        return std::nullopt;
    std::optional<std::wstring> student;
    const std::vector<DOMElement*> sheets = ElementsNamed(document->getDocumentElement(), u"Worksheet");
    if (!sheets.empty())
        student = StudentOfSheet(sheets.front()).value_or(SheetNameOf(sheets.front()));
    document->release();
    return student;
}
