// Tests of the printing context's shared part and its headless twin: the
// font's numbers, the order of documents and pages, and the headless printers.
#include "platform/print/HeadlessPrintContext.h"
#include "platform/print/Printers.h"

#include "platform/TextCodec.h"

#include <cups/cups.h>
#include <gtest/gtest.h>

#include <cstdlib>

namespace platform {
namespace {

TEST(PrintContextTest, TheDefaultFontIsTwelvePointsAtThePrintResolution) {
    HeadlessPrintContext context;
    const TextMetrics& metrics = context.GetTextMetrics();
    // A 50-pixel em: the cell is a little taller, "x" about half as wide.
    EXPECT_GE(metrics.tmHeight, 50);
    EXPECT_LE(metrics.tmHeight, 64);
    EXPECT_EQ(metrics.tmHeight, metrics.tmAscent + metrics.tmDescent);
    EXPECT_GE(metrics.tmExternalLeading, 0);
    EXPECT_GE(metrics.tmAveCharWidth, 20);
    EXPECT_LE(metrics.tmAveCharWidth, 32);
    EXPECT_EQ(context.PageWidth(), 2480);
    EXPECT_EQ(context.PageHeight(), 3508);
}

TEST(PrintContextTest, ExtentsGrowWithTheTextAndAgreeBetweenWideAndAnsiText) {
    HeadlessPrintContext context;
    const std::wstring word = L"Зельтарик «1251»";
    const TextSize size = context.GetTextExtent(word);
    EXPECT_EQ(size.cy, context.GetTextMetrics().tmHeight);
    EXPECT_GT(size.cx, context.GetTextExtent(L"Зельтарик").cx);
    EXPECT_EQ(context.GetTextExtentA(WideToCp1251(word)).cx, size.cx);
    EXPECT_EQ(context.GetTextExtent(L"").cx, 0);
    EXPECT_GT(context.GetTextExtent(L"ЖЖЖЖ").cx, context.GetTextExtent(L"iiii").cx);
}

TEST(PrintContextTest, KeepsTextRunsByPageAndRefusesCallsOutOfOrder) {
    HeadlessPrintContext context;
    EXPECT_FALSE(context.TextOut(1, 1, L"before the document"));
    EXPECT_FALSE(context.StartPage());
    EXPECT_EQ(context.StartDoc(L"Print1: Printing"), 1);
    EXPECT_EQ(context.StartDoc(L"again"), 0);
    EXPECT_FALSE(context.TextOut(1, 1, L"between pages"));
    ASSERT_TRUE(context.StartPage());
    EXPECT_TRUE(context.TextOut(10, 20, L"один"));
    EXPECT_TRUE(context.EndPage());
    ASSERT_TRUE(context.StartPage());
    EXPECT_TRUE(context.TextOutA(30, 40, WideToCp1251(L"два")));
    EXPECT_TRUE(context.EndDoc());  // closes the open page
    EXPECT_EQ(context.StartDoc(L"second"), 2);
    context.AbortDoc();

    ASSERT_EQ(context.Documents().size(), 2u);
    const PrintedDocument& first = context.Documents()[0];
    EXPECT_EQ(first.documentName, L"Print1: Printing");
    EXPECT_EQ(first.pageCount, 2);
    EXPECT_TRUE(first.sent);
    ASSERT_EQ(first.runs.size(), 2u);
    EXPECT_EQ((std::tuple(first.runs[0].page, first.runs[0].x, first.runs[0].y, first.runs[0].text)),
              std::tuple(0, 10, 20, std::wstring(L"один")));
    EXPECT_EQ((std::tuple(first.runs[1].page, first.runs[1].x, first.runs[1].y, first.runs[1].text)),
              std::tuple(1, 30, 40, std::wstring(L"два")));
    EXPECT_TRUE(context.Documents()[1].aborted);
    EXPECT_FALSE(context.Documents()[1].sent);
}

TEST(PrintContextTest, HeadlessPrintersStandInForThePrintSystem) {
    {
        HeadlessPrinters printers({L"B", L"A"}, L"A");
        EXPECT_TRUE(HeadlessPrinters::IsInstalled());
        EXPECT_EQ(PrinterNames(), (std::vector<std::wstring>{L"B", L"A"}));
        EXPECT_EQ(DefaultPrinterName(), L"A");
        EXPECT_EQ(OpenPrinter(L"C"), nullptr);

        HeadlessPrintContext::Options small;
        small.pageWidth = 100;
        small.pageHeight = 200;
        printers.SetOptions(small);
        auto context = OpenPrinter(L"B");
        ASSERT_NE(context, nullptr);
        EXPECT_EQ(context->PageWidth(), 100);
        context->StartDoc(L"doc");
        context->StartPage();
        context->TextOut(1, 2, L"kept");
        context->EndDoc();
        context.reset();  // the documents outlive the context
        ASSERT_EQ(printers.Documents().size(), 1u);
        EXPECT_EQ(printers.Documents()[0].printerName, L"B");
        EXPECT_EQ(printers.Documents()[0].runs.at(0).text, L"kept");
    }
    EXPECT_FALSE(HeadlessPrinters::IsInstalled());
}

TEST(PrintContextTest, AnUnknownPrinterIsRefusedBeforeAnyJob) {
    // No scheduler answers on this socket: the real backend must still say
    // "no such printer" instead of failing later with another message.
    const std::string socket = "/nonexistent-zel-cups.sock";
    ::setenv("CUPS_SERVER", socket.c_str(), 1);
    cupsSetServer(nullptr);
    EXPECT_TRUE(PrinterNames().empty());
    EXPECT_EQ(DefaultPrinterName(), L"");
    EXPECT_EQ(OpenPrinter(L"NoSuchPrinter"), nullptr);
    ::unsetenv("CUPS_SERVER");
    cupsSetServer(nullptr);  // CUPS keeps the name it read; make it read again
}

} // namespace
} // namespace platform
