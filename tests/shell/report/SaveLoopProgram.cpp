// A program that does nothing but save one student's report, again and again,
// for the test that kills it in the middle of a save. Arguments: the workbook,
// the student, the first value. It adds one numbered row before each save and
// writes the row's number to stdout once the save has returned; "ready" comes
// first, once the workbook is open.
#include "shell/report/ReportDocument.h"

#include "platform/TextCodec.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: %s <workbook> <student> <first value>\n", argv[0]);
        return 2;
    }
    ReportDocument report(platform::Utf8ToWide(argv[1]), platform::Utf8ToWide(argv[2]));
    auto say = [](const std::string& line) {
        const std::string text = line + "\n";
        return ::write(1, text.data(), text.size()) == static_cast<ssize_t>(text.size());
    };
    if (!say("ready"))
        return 1;
    for (long value = std::atol(argv[3]);; ++value) {
        report.AddRow(L"save", std::to_wstring(value), L"Number");
        if (!report.Save(L"") || !say(std::to_string(value)))
            return 1;
    }
}
