// What a teacher's long-used workbook costs: opening it, adding one run's rows
// and saving it atomically, with 1000 students of 10 runs each in the file.
#include "platform/TextCodec.h"
#include "shell/report/ReportDocument.h"
#include "shell/report/ReportTemplate.h"

#include <benchmark/benchmark.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace {

namespace fs = std::filesystem;

constexpr int kStudents = 1000;
constexpr int kRunsPerStudent = 10;

std::string Student(int index) {
    return "Ученик " + std::to_string(index);
}

// One run as the program writes it: the start time, fourteen search times,
// the instruction count, the total time and the empty row.
std::string Run(int run) {
    auto row = [](const std::string& name, const std::string& type, const std::string& value) {
        return "<Row><Cell><Data ss:Type=\"String\">" + name + "</Data></Cell><Cell><Data ss:Type=\"" +
               type + "\">" + value + "</Data></Cell></Row>";
    };
    std::string text = row("Время начала работы с упражнением", "String",
                           std::to_string(run + 1) + "-March-2008 14:07");
    for (int item = 0; item < 14; ++item)
        text += row("Время поиска предмета " + std::to_string(item + 1) + ". с.", "Number",
                    std::to_string(3 + item * 2));
    text += row("Количество дополнительных вызовов инструкций", "Number", "1");
    text += row("Общее время работы с упражнением. с.", "Number", "245");
    return text + "<Row/>";
}

// The workbook the program would have written, built directly: the template
// with every student's sheet appended.
const std::string& ClassroomWorkbook() {
    static const std::string text = [] {
        std::string sheets;
        for (int student = 0; student < kStudents; ++student) {
            sheets += "<Worksheet ss:Name=\"" + Student(student) +
                      "\"><Table><Column ss:AutoFitWidth=\"0\" ss:Width=\"240\"/>"
                      "<Column ss:AutoFitWidth=\"0\" ss:Width=\"96\"/>";
            for (int run = 0; run < kRunsPerStudent; ++run)
                sheets += Run(run);
            sheets += "</Table></Worksheet>";
        }
        std::string workbook = EmptyXml();
        workbook.insert(workbook.rfind("</Workbook>"), sheets);
        return workbook;
    }();
    return text;
}

class Folder {
public:
    Folder() {
        std::string pattern = (fs::temp_directory_path() / "zel-report-bench-XXXXXX").string();
        path_ = ::mkdtemp(pattern.data());
    }
    ~Folder() { fs::remove_all(path_); }
    fs::path File() const { return path_ / "workbook.xls"; }
    void Reset() const { std::ofstream(File(), std::ios::binary) << ClassroomWorkbook(); }

private:
    fs::path path_;
};

std::wstring Wide(const fs::path& path) {
    return platform::Utf8ToWide(path.string());
}

void AddRun(ReportDocument& report) {
    for (int row = 0; row < 19; ++row)
        report.AddRow(L"Время поиска предмета. с.", std::to_wstring(row), L"Number");
    report.FinishRun();
}

// The whole of what the teacher waits for: open, one run of 20 rows, save.
void BM_OpenAddTwentyRowsAndSave(benchmark::State& state) {
    Folder folder;
    const std::wstring student = platform::Utf8ToWide(Student(kStudents / 2));
    for (auto _ : state) {
        state.PauseTiming();
        folder.Reset();
        state.ResumeTiming();
        ReportDocument report(Wide(folder.File()), student);
        AddRun(report);
        if (!report.Save(L""))
            state.SkipWithError("the save failed");
    }
    state.counters["file_MB"] = static_cast<double>(fs::file_size(folder.File())) / 1e6;
}
BENCHMARK(BM_OpenAddTwentyRowsAndSave)->Unit(benchmark::kMillisecond)->Iterations(3);

// The three parts on their own.
void BM_Open(benchmark::State& state) {
    Folder folder;
    folder.Reset();
    for (auto _ : state) {
        ReportDocument report(Wide(folder.File()), L"Новый ученик");
        benchmark::DoNotOptimize(&report);
    }
}
BENCHMARK(BM_Open)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_AddTwentyRows(benchmark::State& state) {
    Folder folder;
    folder.Reset();
    ReportDocument report(Wide(folder.File()), platform::Utf8ToWide(Student(kStudents - 1)));
    for (auto _ : state)
        AddRun(report);
}
BENCHMARK(BM_AddTwentyRows)->Unit(benchmark::kMicrosecond);

void BM_Save(benchmark::State& state) {
    Folder folder;
    folder.Reset();
    ReportDocument report(Wide(folder.File()), L"Новый ученик");
    AddRun(report);
    for (auto _ : state)
        if (!report.Save(L""))
            state.SkipWithError("the save failed");
}
BENCHMARK(BM_Save)->Unit(benchmark::kMillisecond)->Iterations(3);

// A save after another program has saved the same workbook: the file is read
// again and this program's run merged into it before it is written.
void BM_SaveAfterAnotherProgramSaved(benchmark::State& state) {
    Folder folder;
    folder.Reset();
    ReportDocument mine(Wide(folder.File()), L"Новый ученик");
    ReportDocument theirs(Wide(folder.File()), L"Другой ученик");
    for (auto _ : state) {
        state.PauseTiming();
        AddRun(theirs);
        if (!theirs.Save(L""))
            state.SkipWithError("the other save failed");
        AddRun(mine);
        state.ResumeTiming();
        if (!mine.Save(L""))
            state.SkipWithError("the save failed");
    }
}
BENCHMARK(BM_SaveAfterAnotherProgramSaved)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace
