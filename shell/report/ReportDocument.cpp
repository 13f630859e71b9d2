// The report workbook over the Xerces-C DOM: opening or starting it, the
// student's worksheet, rows, printing and the atomic save.
#include "shell/report/ReportDocument.h"

#include "platform/Clock.h"
#include "platform/TextCodec.h"
#include "platform/print/PrintContext.h"
#include "shell/report/ReportStorage.h"
#include "shell/report/ReportTemplate.h"
#include "shell/report/ReportText.h"

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

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <optional>
#include <sstream>
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

enum class FileRead { Missing, Read, Unreadable };

FileRead ReadWholeFile(const std::filesystem::path& path, std::string& bytes, std::string& error) {
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        const int code = errno;
        if (code == ENOENT || code == ENOTDIR)
            return FileRead::Missing;
        error = std::strerror(code);
        return FileRead::Unreadable;
    }
    std::ostringstream contents;
    contents << file.rdbuf();
    if (file.bad()) {
        error = "it cannot be read";
        return FileRead::Unreadable;
    }
    bytes = std::move(contents).str();
    return FileRead::Read;
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

} // namespace

XercesSession::XercesSession() {
    XMLPlatformUtils::Initialize("en_US");
}

XercesSession::~XercesSession() {
    XMLPlatformUtils::Terminate();
}

ReportDocument::ReportDocument(const std::wstring& filePath, const std::wstring& studentName)
    : filePath(platform::NarrowAnsi(filePath)), studentName(ReportNarrow(studentName)) {
    domImplementation = DOMImplementationRegistry::getDOMImplementation(u"LS");

    const std::filesystem::path path = PathFromAnsi(this->filePath);
    std::string bytes;
    std::string error;
    const FileRead read = ReadWholeFile(path, bytes, error);
    if (read == FileRead::Read)
        document = ParseWorkbook(reinterpret_cast<const XMLByte*>(bytes.data()), bytes.size(),
                                 path.c_str(), error);

    if (document == nullptr && read != FileRead::Missing) {
        std::string moveError;
        if (auto aside = MoveAside(path, platform::CalendarTime(), moveError)) {
            std::fprintf(stderr,
                         "report: %s is not a readable workbook (%s); it was kept as %s and a new "
                         "workbook was started\n",
                         path.c_str(), error.c_str(), aside->c_str());
        } else {
            defaultPathBlocked = true;
            std::fprintf(stderr,
                         "report: %s is not a readable workbook (%s) and could not be moved aside "
                         "(%s); it will not be overwritten\n",
                         path.c_str(), error.c_str(), moveError.c_str());
        }
    }

    if (document == nullptr) {
        // The template goes to the parser with its terminating zero.
        const std::string& empty = EmptyXml();
        document = ParseWorkbook(reinterpret_cast<const XMLByte*>(empty.c_str()), empty.size() + 1,
                                 kEmptyXmlName, error);
        if (document == nullptr)
            throw std::logic_error("the built-in workbook does not parse: " + error);
    }
    worksheet = FindOrAddWorksheet();
}

ReportDocument::~ReportDocument() {
    document->release();
}

DOMElement* ReportDocument::FindOrAddWorksheet() {
    DOMElement* root = document->getDocumentElement();
    const std::u16string name = ToDomText(studentName);
    for (DOMElement* sheet : ElementsNamed(root, u"Worksheet"))
        if (name == sheet->getAttribute(u"ss:Name"))
            return sheet;

    DOMElement* sheet = document->createElement(u"Worksheet");
    sheet->setAttribute(u"ss:Name", name.c_str());
    DOMElement* table = document->createElement(u"Table");
    sheet->appendChild(table);
    for (const char16_t* width : {u"240", u"96"}) {
        DOMElement* column = document->createElement(u"Column");
        column->setAttribute(u"ss:AutoFitWidth", u"0");
        column->setAttribute(u"ss:Width", width);
        table->appendChild(column);
    }
    root->appendChild(sheet);
    return sheet;
}

DOMElement* ReportDocument::FirstTable() const {
    // item(0) stops at the first match; asking the list for its length would
    // walk the whole worksheet on every row added.
    return static_cast<DOMElement*>(worksheet->getElementsByTagName(u"Table")->item(0));
}

DOMElement* ReportDocument::FindOrAddTable() {
    if (DOMElement* table = FirstTable())
        return table;
    DOMElement* table = document->createElement(u"Table");
    worksheet->appendChild(table);
    return table;
}

void ReportDocument::AddRow(const std::wstring& name, const std::wstring& value,
                            const std::wstring& type) {
    DOMElement* row = document->createElement(u"Row");
    FindOrAddTable()->appendChild(row);
    auto addCell = [&](const std::u16string& cellType, const std::u16string& text) {
        DOMElement* cell = document->createElement(u"Cell");
        row->appendChild(cell);
        DOMElement* data = document->createElement(u"Data");
        cell->appendChild(data);
        data->setAttribute(u"ss:Type", cellType.c_str());
        data->appendChild(document->createTextNode(text.c_str()));
    };
    addCell(u"String", ToDomText(ReportNarrow(name)));
    addCell(ToDomText(ReportNarrow(type)), ToDomText(ReportNarrow(value)));
}

void ReportDocument::FinishRun() {
    FindOrAddTable()->appendChild(document->createElement(u"Row"));
}

std::string ReportDocument::Serialize() const {
    DOMLSSerializer* serializer = domImplementation->createLSSerializer();
    DOMLSOutput* output = domImplementation->createLSOutput();
    MemBufFormatTarget target(64 * 1024);
    output->setByteStream(&target);
    output->setEncoding(u"UTF-8");
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

bool ReportDocument::Save(const std::wstring& path) {
    if (path.empty() && defaultPathBlocked) {
        std::fprintf(stderr, "report: not saved, %s holds a damaged workbook that must be kept\n",
                     PathFromAnsi(filePath).c_str());
        return false;
    }
    const std::filesystem::path target =
        PathFromAnsi(path.empty() ? filePath : platform::NarrowAnsi(path));
    const std::string bytes = Serialize();
    if (bytes.empty()) {
        std::fprintf(stderr, "report: not saved to %s\n", target.c_str());
        return false;
    }
    std::string error;
    if (!WriteFileAtomically(target, bytes, error)) {
        std::fprintf(stderr, "report: not saved to %s: %s\n", target.c_str(), error.c_str());
        return false;
    }
    return true;
}

bool ReportDocument::Print(platform::PrintContext& context,
                           const ReportPrintHeader& header) const {
    const DOMElement* table = FirstTable();
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

    // A full page is closed only when another row needs the space, so that a
    // report ending exactly at the bottom of a page does not feed a blank one.
    bool pageFull = false;
    for (const DOMElement* row : ElementsNamed(table, u"Row")) {
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
