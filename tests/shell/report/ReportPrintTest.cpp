// Tests of the printed report on the headless printer: where every line and
// column lands, page breaks, and that nothing is printed when it cannot be.
#include "shell/report/ReportDocument.h"

#include "platform/print/HeadlessPrintContext.h"
#include "platform/print/Printers.h"
#include "shell/report/ReportOperations.h"
#include "tests/shell/report/ReportTestFolder.h"

#include <gtest/gtest.h>

#include <algorithm>

using platform::HeadlessPrintContext;
using platform::PrintedDocument;
using platform::PrintedTextRun;

namespace {

class ReportPrintTest : public testing::Test {
protected:
    ReportPrintTest() : report(Utf8ToWideForTest(folder.Reports() / "report.xls"), L"Аня") {}

    static HeadlessPrintContext::Options Page(int width, int height) {
        HeadlessPrintContext::Options options;
        options.pageWidth = width;
        options.pageHeight = height;
        return options;
    }

    // Prints on a fresh headless context and returns what it kept.
    PrintedDocument Print(HeadlessPrintContext::Options options, const ReportPrintHeader& header) {
        HeadlessPrintContext context(options);
        EXPECT_TRUE(report.Print(context, header));
        EXPECT_EQ(context.Documents().size(), 1u);
        return context.Documents().at(0);
    }

    void AddRun(int rows) {
        for (int i = 0; i < rows; ++i)
            report.AddRow(L"Предмет " + std::to_wstring(i), std::to_wstring(i * 10), L"Number");
        report.FinishRun();
    }

    const ReportPrintHeader header = MakePrintHeader(L"Тренажер «Зельтарик»", L"00517", L"Аня");
    ReportTestFolder folder;
    ReportDocument report;
    HeadlessPrintContext probe;  // the shared font's numbers
    const int margin = probe.GetTextMetrics().tmAveCharWidth;
    const int lineHeight = probe.GetTextMetrics().tmHeight + probe.GetTextMetrics().tmExternalLeading;
    int Width(const std::wstring& text) const { return probe.GetTextExtent(text).cx; }
};

TEST_F(ReportPrintTest, AShortTablePrintsUnderTheHeaderOnOnePage) {
    report.AddRow(L"Время начала работы с упражнением", L"05-March-2008 14:07", L"String");
    report.AddRow(L"Дракон \"Ёж\"", L"12", L"Number");
    report.FinishRun();
    const PrintedDocument printed = Print(Page(2480, 3508), header);

    EXPECT_EQ(printed.documentName, L"Print1: Printing");
    EXPECT_EQ(printed.pageCount, 1);
    EXPECT_TRUE(printed.sent);
    const int half = 2480 / 2;
    const std::vector<PrintedTextRun> expected = {
        {0, margin, lineHeight, L"Название"},
        {0, margin + half, lineHeight, L"Тренажер «Зельтарик»"},
        {0, margin, 2 * lineHeight, L"Номер ЦОР"},
        {0, margin + half, 2 * lineHeight, L"00517"},
        {0, margin, 3 * lineHeight, L"Ученик"},
        {0, margin + half, 3 * lineHeight, L"Аня"},
        {0, margin, 5 * lineHeight, L"Время начала работы с упражнением"},
        {0, margin + half, 5 * lineHeight, L"05-March-2008 14:07"},
        {0, margin, 6 * lineHeight, L"Дракон 'Ёж'"},
        {0, margin + half, 6 * lineHeight, L"12"},
    };
    ASSERT_EQ(printed.runs.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(printed.runs[i].page, expected[i].page);
        EXPECT_EQ(printed.runs[i].x, expected[i].x);
        EXPECT_EQ(printed.runs[i].y, expected[i].y);
        EXPECT_EQ(printed.runs[i].text, expected[i].text);
    }
}

TEST_F(ReportPrintTest, ATextWiderThanHalfThePagePushesTheNextColumn) {
    const std::wstring label = L"Количество дополнительных вызовов инструкций";
    report.AddRow(label, L"3", L"Number");
    report.AddRow(L"a", L"b", L"String");
    const int narrow = Width(label);  // the page is too narrow to hold it in half
    const PrintedDocument printed = Print(Page(narrow, 3508), {{label, L"value"}});

    ASSERT_EQ(printed.runs.size(), 6u);
    const int pushed = margin + margin + narrow;
    EXPECT_EQ(printed.runs[1].x, pushed) << "header value";
    EXPECT_EQ(printed.runs[3].x, pushed) << "row value";
    EXPECT_EQ(printed.runs[5].x, margin + std::max(margin + Width(L"a"), narrow / 2));
}

TEST_F(ReportPrintTest, EveryRunIsFollowedByAnEmptyLine) {
    AddRun(2);
    AddRun(1);
    const PrintedDocument printed = Print(Page(2480, 3508), header);

    std::vector<int> rowLines;
    for (size_t i = 6; i < printed.runs.size(); i += 2)
        rowLines.push_back(printed.runs[i].y / lineHeight);
    EXPECT_EQ(rowLines, (std::vector<int>{5, 6, 8}));  // 7 and 9 are the runs' empty rows
}

TEST_F(ReportPrintTest, ALongReportContinuesOnNewPagesFromTheFirstLine) {
    AddRun(23);  // 24 table rows with the run's empty row
    // Room for the header and eight rows on the first page: the break comes
    // once y + lineHeight reaches the page height.
    const int height = 14 * lineHeight;
    const PrintedDocument printed = Print(Page(2480, height), header);

    std::vector<std::pair<int, int>> firstOfPage;  // page, line of its first row
    for (size_t i = 6; i < printed.runs.size(); i += 2)
        if (firstOfPage.empty() || printed.runs[i].page != firstOfPage.back().first)
            firstOfPage.emplace_back(printed.runs[i].page, printed.runs[i].y / lineHeight);
    EXPECT_EQ(firstOfPage, (std::vector<std::pair<int, int>>{{0, 5}, {1, 1}, {2, 1}}));
    const auto onPage = [&](int page) {
        return std::count_if(printed.runs.begin() + 6, printed.runs.end(),
                             [&](const PrintedTextRun& run) { return run.page == page; }) / 2;
    };
    // Lines 5…12, then 1…12 on each further page; the 24th row is the empty one.
    EXPECT_EQ(onPage(0), 8);
    EXPECT_EQ(onPage(1), 12);
    EXPECT_EQ(onPage(2), 3);
    EXPECT_EQ(printed.pageCount, 3);
}

TEST_F(ReportPrintTest, AReportThatFillsItsLastPageExactlyFeedsNoBlankPage) {
    AddRun(7);  // eight table rows: lines 5…12 of a page with room for twelve
    const PrintedDocument printed = Print(Page(2480, 14 * lineHeight), header);
    EXPECT_EQ(printed.pageCount, 1);
}

TEST_F(ReportPrintTest, NothingIsPrintedWithoutAPrinterATableOrAJob) {
    AddRun(1);
    EXPECT_FALSE(PrintReportTo(nullptr, header, &report));
    EXPECT_FALSE(PrintReportTo(std::make_unique<HeadlessPrintContext>(), header, nullptr));

    HeadlessPrintContext::Options refusing;
    refusing.failStartDoc = true;
    HeadlessPrintContext unavailable(refusing);
    EXPECT_FALSE(report.Print(unavailable, header));
    EXPECT_TRUE(unavailable.Documents().empty());

    HeadlessPrintContext::Options failing;
    failing.failEndDoc = true;
    HeadlessPrintContext failed(failing);
    EXPECT_FALSE(report.Print(failed, header));
    EXPECT_FALSE(failed.Documents().at(0).sent);

    // A worksheet that a spreadsheet program left without its table.
    std::filesystem::create_directories(folder.Reports());
    const std::filesystem::path bare = folder.Reports() / "bare.xls";
    ReportTestFolder::Write(bare, R"(<?xml version="1.0"?><Workbook><Worksheet ss:Name="Аня"/></Workbook>)");
    ReportDocument tableless(Utf8ToWideForTest(bare), L"Аня");
    HeadlessPrintContext context;
    EXPECT_FALSE(tableless.Print(context, header));
    EXPECT_TRUE(context.Documents().empty());
}

TEST_F(ReportPrintTest, PrintReportToPrintsOnThePickedPrinterOnly) {
    AddRun(1);
    platform::HeadlessPrinters printers({L"Кабинет 12", L"Учительская"}, L"Учительская");

    EXPECT_EQ(OpenSelectedPrinter(std::nullopt), nullptr);
    EXPECT_EQ(OpenSelectedPrinter(L"Нет такого"), nullptr);
    EXPECT_TRUE(PrintReportTo(OpenSelectedPrinter(L"Кабинет 12"), header, &report));

    ASSERT_EQ(printers.Documents().size(), 1u);
    EXPECT_EQ(printers.Documents()[0].printerName, L"Кабинет 12");
    EXPECT_EQ(printers.Documents()[0].runs.size(), 3u * 2 + 2);
}

} // namespace
