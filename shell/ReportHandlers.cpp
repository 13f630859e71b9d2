// The application object's report operations: the workbook for a confirmed
// name, the statistics rows, saving on exit and under another name, printing.
#include "shell/IMAppBase.h"

#include "gui/IMWindow.h"
#include "platform/print/PrintContext.h"
#include "shell/IMSaveAsDialog.h"
#include "shell/IMSelectPrinterDialog.h"
#include "shell/ReportDialogs_c.h"
#include "shell/report/ReportDocument.h"
#include "shell/report/ReportOperations.h"

#include <memory>

namespace {

// At most one dialog of each kind is open; a second click on its button
// brings the open one back to the keyboard instead of stacking another.
template <class DialogClass> struct OpenDialog {
    DialogClass* dialog = nullptr;
    std::weak_ptr<void> alive;

    DialogClass* Get() const { return alive.expired() ? nullptr : dialog; }
    void Set(DialogClass* opened) {
        dialog = opened;
        alive = opened->LifetimeToken();
    }
};

OpenDialog<IMSaveAsDialog> saveAsDialog;
OpenDialog<IMSelectPrinterDialog> printerDialog;

void CloseDialog(IMControl::Dialog* dialog) {
    dialog->Close(IMEvent(dialog, IMEventCode::Close));
}

// The dialog takes the keyboard; when it closes, the control that had it
// (the results screen) gets it back, so that Enter works there again.
void TakeFocus(IMWindow* window, IMControl::Dialog* dialog) {
    IMControl* previous = window->focusedChild;
    if (previous != nullptr && previous != dialog) {
        std::weak_ptr<void> previousAlive = previous->LifetimeToken();
        dialog->OnClose.connect([previous, previousAlive](const IMEvent&) {
            if (!previousAlive.expired())
                previous->SetFocus(true);
            return 0L;
        });
    }
    dialog->SetFocus(true);
}

bool PrintOn(IMAppBase& app, std::unique_ptr<platform::PrintContext> printer) {
    const ReportPrintHeader header =
        MakePrintHeader(app.resourceName, app.resourceNumber, app.studentName);
    return ::PrintReportTo(std::move(printer), header, app.report);
}

} // namespace

void CloseReportDialogs() {
    if (IMSaveAsDialog* dialog = saveAsDialog.Get())
        CloseDialog(dialog);
    if (IMSelectPrinterDialog* dialog = printerDialog.Get())
        CloseDialog(dialog);
}

void IMAppBase::AddStatistic(const std::wstring& name, const std::wstring& value,
                             const std::wstring& type) {
    ::AddStatistic(report, name, value, type);
}

void IMAppBase::PrepareReport(const std::wstring& name) {
    if (name.empty())
        return;
    const bool first = report == nullptr;
    // Rows that no save has taken yet are kept, never dropped with the
    // document they belong to.
    if (report != nullptr && report->HasUnsavedRows())
        SaveReportOrKeepRows(report);
    std::unique_ptr<ReportDocument> next = PrepareReportDocument(name, windowTitle);
    delete report;
    report = next.release();
    // One connection serves every report the window sees.
    if (first && mainWindow != nullptr)
        mainWindow->OnClose.connect([this](const IMEvent&) { return SaveReportOnExit(); });
}

long IMAppBase::SaveReportOnExit() {
    ::SaveReportOnExit(report);
    return 0;
}

long IMAppBase::SaveReportAs() {
    if (report == nullptr)
        return 0;
    if (IMSaveAsDialog* open = saveAsDialog.Get()) {
        TakeFocus(mainWindow, open);
        return 0;
    }
    auto* dialog = new IMSaveAsDialog(mainWindow);
    saveAsDialog.Set(dialog);
    dialog->SetFileName(SaveAsFieldText(*report));
    TakeFocus(mainWindow, dialog);

    // The path the last Save was asked to confirm replacing; the same path
    // again confirms it.
    auto replaceAsked = std::make_shared<std::wstring>();
    dialog->saveButton->OnClick.connect([this, dialog, replaceAsked](const IMMouseEvent&) {
        const std::wstring path = dialog->GetFileName();
        const bool confirmed = !path.empty() && path == *replaceAsked;
        const SaveAsOutcome outcome = ::SaveReportAs(report, path, confirmed);
        if (outcome == SaveAsOutcome::Saved) {
            CloseDialog(dialog);
            return 0L;
        }
        *replaceAsked = outcome == SaveAsOutcome::AskToReplace ? path : L"";
        dialog->ShowMessage(SaveAsMessage(outcome));
        return 0L;
    });
    return 0;
}

long IMAppBase::PrintReport() {
    if (report == nullptr)
        return 0;
    if (IMSelectPrinterDialog* open = printerDialog.Get()) {
        TakeFocus(mainWindow, open);
        return 0;
    }
    auto* dialog = new IMSelectPrinterDialog(mainWindow);
    printerDialog.Set(dialog);
    TakeFocus(mainWindow, dialog);

    dialog->printButton->OnClick.connect([this, dialog](const IMMouseEvent&) {
        PrintOutcome outcome = PrintOutcome::Printed;
        const std::optional<std::wstring> printer = dialog->SelectedPrinter();
        if (dialog->list->items.empty())
            outcome = PrintOutcome::NoPrinters;
        else if (!printer)
            outcome = PrintOutcome::NoneSelected;
        else if (std::unique_ptr<platform::PrintContext> context = OpenSelectedPrinter(printer))
            outcome = PrintOn(*this, std::move(context)) ? PrintOutcome::Printed : PrintOutcome::Refused;
        else
            outcome = PrintOutcome::PrinterMissing;
        if (outcome == PrintOutcome::Printed) {
            CloseDialog(dialog);
            return 0L;
        }
        dialog->ShowMessage(PrintMessage(outcome));
        return 0L;
    });
    return 0;
}

void IMAppBase::PrintReportTo(std::unique_ptr<platform::PrintContext> printer) {
    PrintOn(*this, std::move(printer));
}
