// Arbitrary bytes as the workbook on disk: the report opens them for a student, adds a run's rows,
// prints them, and what it would save must open again with the rows in it. A file that is not a
// readable workbook must be kept aside byte for byte.
#include "platform/TextCodec.h"
#include "platform/print/HeadlessPrintContext.h"
#include "shell/report/ReportDocument.h"
#include "tests/fuzz/FuzzCheck.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <unistd.h>

namespace fs = std::filesystem;

namespace {

constexpr const char* kRowValue = "fuzz-row-5417";

const fs::path& Folder() {
    static const fs::path folder = [] {
        std::string pattern = (fs::temp_directory_path() / "zel-workbook-fuzz-XXXXXX").string();
        fuzz::Require(::mkdtemp(pattern.data()) != nullptr, "cannot make a folder");
        return fs::path(pattern);
    }();
    return folder;
}

void RemoveFolder() {
    std::error_code ignored;
    fs::remove_all(Folder(), ignored);
}

void Write(const fs::path& path, const void* data, size_t size) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(static_cast<const char*>(data), static_cast<std::streamsize>(size));
    fuzz::Require(static_cast<bool>(file), "cannot write the workbook");
}

std::string Read(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

// The files a damaged workbook was moved to.
std::vector<fs::path> KeptAside() {
    std::vector<fs::path> kept;
    for (const fs::directory_entry& entry : fs::directory_iterator(Folder()))
        if (entry.path().filename().string().find(".damaged-") != std::string::npos)
            kept.push_back(entry.path());
    return kept;
}

void Empty() {
    for (const fs::directory_entry& entry : fs::directory_iterator(Folder()))
        fs::remove_all(entry.path());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // The XML library stays initialised for the whole run, as it does in the program.
    static XercesSession session;
    static const std::wstring student = L"Иванов \"Петя\"";
    static const bool removedAtExit = (Folder(), std::atexit(RemoveFolder) == 0);
    (void)removedAtExit;

    Empty();
    const fs::path workbook = Folder() / "Workbook.xls";
    Write(workbook, data, size);
    const std::wstring path = platform::Utf8ToWide(workbook.string());

    std::string saved;
    {
        ReportDocument report(path, student);
        report.AddRow(L"Поиск", platform::Utf8ToWide(kRowValue), L"String");
        report.AddRow(L"Время", L"12", L"Number");
        report.FinishRun();
        platform::HeadlessPrintContext printer;
        report.Print(printer, {{L"Ученик", student}});
        saved = report.Serialize();
    }
    const std::vector<fs::path> kept = KeptAside();
    fuzz::Require(kept.size() <= 1, "a damaged workbook was kept twice");
    if (!kept.empty()) {
        const std::string original(reinterpret_cast<const char*>(data), size);
        fuzz::Require(Read(kept.front()) == original,
                      "the damaged workbook was not kept as it was");
        fs::remove(kept.front());
    }
    fuzz::Require(!saved.empty(), "the workbook cannot be written");
    fuzz::Require(saved.find(kRowValue) != std::string::npos,
                  "the run's row is not in the workbook");

    // What the exit save writes is read again at the next start.
    Write(workbook, saved.data(), saved.size());
    {
        ReportDocument reopened(path, student);
        fuzz::Require(KeptAside().empty(), "the saved workbook does not open again");
        fuzz::Require(reopened.Serialize().find(kRowValue) != std::string::npos,
                      "the run's row is gone after reopening");
    }
    return 0;
}
