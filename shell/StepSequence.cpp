// The run's sequence: each registered step in its own full-screen dialog,
// the statistics rows around them, and the results screen at the end.
#include "shell/IMAppBase.h"

#include <ctime>
#include <iterator>

#include "gui/IMWindow.h"
#include "platform/Clock.h"
#include "platform/window/Window.h"
#include "shell/report/ReportDocument.h"

namespace {

// The start time as "%d-%B-%Y %H:%M" in local time with the "C" locale's
// English month names, whatever language the machine speaks. The names are
// written here rather than asked of the C library, whose answer follows the
// process's locale.
std::wstring FormatStartTime(int64_t calendarSeconds) {
    static const wchar_t* const kMonths[] = {L"January",   L"February", L"March",    L"April",
                                             L"May",       L"June",     L"July",     L"August",
                                             L"September", L"October",  L"November", L"December"};
    const std::time_t seconds = static_cast<std::time_t>(calendarSeconds);
    std::tm local{};
    if (localtime_r(&seconds, &local) == nullptr)
        return std::wstring();
    auto twoDigits = [](int value) {
        return std::wstring{wchar_t(L'0' + value / 10 % 10), wchar_t(L'0' + value % 10)};
    };
    return twoDigits(local.tm_mday) + L"-" + kMonths[local.tm_mon] + L"-" +
           std::to_wstring(local.tm_year + 1900L) + L" " + twoDigits(local.tm_hour) + L":" +
           twoDigits(local.tm_min);
}

} // namespace

long IMAppBase::NextStep() {
    platform::ShowCursor(true);
    if (currentStep.empty()) {
        AddStatistic(L"Количество дополнительных вызовов инструкций",
                     std::to_wstring(extraInstructionCount), L"Number");
        AddStatistic(L"Общее время работы с упражнением. с.",
                     std::to_wstring(platform::CalendarTime() - stepStartTime), L"Number");
        if (report)
            report->FinishRun();
        ShowResultsScreen();
        return 0;
    }

    stepStartTime = platform::CalendarTime();
    AddStatistic(L"Время начала работы с упражнением", FormatStartTime(stepStartTime), L"String");
    extraInstructionCount = 0;
    const auto step = steps.find(currentStep);
    if (step == steps.end())
        return 0;

    auto* dialog = new Dialog(mainWindow, 0);
    stepDialog = dialog;
    dialog->SetFocus(true);
    // A step that has closed is no longer the running one: Restart must not
    // take it for an open step. The test comes first because the next step's
    // dialog is made inside NextStep.
    dialog->OnClose.connect([this](const IMEvent& event) {
        if (stepDialog == event.control)
            stepDialog = nullptr;
        return NextStep();
    });
    const auto next = std::next(step);
    currentStep = next == steps.end() ? std::wstring() : next->first;
    step->second(dialog);
    return 0;
}
