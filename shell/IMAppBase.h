// The shell's side of the application object: every field the screens share and
// every operation of the shell, in one class that is not a template, so that
// each screen lives in its own source file (StartScreen.cpp, Instruction.cpp,
// Praise.cpp, StepSequence.cpp, ResultsScreen.cpp, ExitBox.cpp, Credits.cpp,
// ReportHandlers.cpp) and the title's headers do not carry them. IMApp<App>
// (shell/IMApp.h) adds only the typed application object and its counting.
#pragma once

#include <boost/function.hpp>
#include <boost/signals2/connection.hpp>
#include <boost/signals2/shared_connection_block.hpp>

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>

#include "gui/IMDialogBase.h"
#include "gui/IMEvent.h"
#include "shell/DialogWatch.h"

class IMWindow;
class ReportDocument;

namespace platform {
class PrintContext;
}

class IMAppBase {
public:
    using Dialog = IMDialogBase<IMEmptyView>;
    // A step of the title: it fills the step's full-screen dialog and returns
    // a value the shell does not use.
    using StepFunction = boost::function<int(Dialog*)>;

    IMAppBase() = default;
    IMAppBase(const IMAppBase&) = delete;
    IMAppBase& operator=(const IMAppBase&) = delete;

    // The virtual operations, in the order the shell and the title rely on.

    // Members are destroyed in the reverse of their declaration order, which
    // releases them from studentName back to optionsHandler. The window, the
    // report and the dialogs are not ours to delete: the entry point deletes
    // the first two before this object, the dialogs belong to the window.
    virtual ~IMAppBase();
    // The exit box's Retry (ExitBox.cpp).
    virtual int Restart();
    // The title registers its steps here; the shell has none.
    virtual void RegisterSteps();
    virtual int ShowStartScreen();
    virtual int ShowResultsScreen();
    virtual int ShowPraise(Dialog* dialogToClose);
    virtual int ShowFinalPraise(int x, int y);
    // The shell's default instruction; titles bring their own.
    virtual void ShowInstruction(Dialog* dialog);
    // Every key-down of the main window comes here; F12 opens the exit box.
    virtual int HandleShellKey(const IMKeyboardEvent& event);

    // Resource information and steps, given by the title (IMAppBase.cpp).
    void SetResourceInfo(const std::wstring& description, const std::wstring& name,
                         const std::wstring& number);
    // Adds a step. An empty name or an empty function is refused, and a name
    // that is already registered keeps its first function. The first
    // registered step is the first to run.
    void RegisterStep(const std::wstring& name, const StepFunction& step);
    void SetStudentName(const std::wstring& name);

    // Statistics and the report (ReportHandlers.cpp). AddStatistic appends one
    // row (type "String" or "Number") to the student's workbook; without a
    // workbook (no student name) the row is dropped.
    void AddStatistic(const std::wstring& name, const std::wstring& value,
                      const std::wstring& type);
    void PrepareReport(const std::wstring& name);
    long SaveReportOnExit();
    long SaveReportAs();
    long PrintReport();
    void PrintReportTo(std::unique_ptr<platform::PrintContext> printer);

    // The run's sequence (StepSequence.cpp): the next step, or the end of the
    // run and the results screen.
    long NextStep();

    // Instruction (Instruction.cpp).
    void BeginInstruction();
    long RepeatInstruction(const IMKeyboardEvent& event);
    int EndInstruction(Dialog* dialog, bool playEndSound, bool showKeyHint);

    // Exit box (ExitBox.cpp) and credits (Credits.cpp).
    void ShowExitBox();
    void CloseExitBox();
    long ShowCredits(const IMKeyboardEvent& event);

    boost::function<void()> optionsHandler;
    Dialog* exitBox = nullptr;
    IMWindow* mainWindow = nullptr;
    std::wstring currentStep;
    std::map<std::wstring, StepFunction> steps;
    Dialog* stepDialog = nullptr;
    boost::signals2::connection instructionConnection;
    ReportDocument* report = nullptr;
    std::wstring windowTitle;
    bool instructionShown = false;
    int extraInstructionCount = 0;
    int64_t stepStartTime = 0;
    std::wstring resourceDescription;
    std::wstring resourceName;
    std::wstring resourceNumber;
    std::wstring studentName;

protected:
    // The main window: CreateMainWindow with the default position, an
    // 800 × 600 client area, no menu, the title and the windowed flag, then the
    // three key handlers on its OnKeyDown signal in this order: the F1 repeat
    // of the instruction, HandleShellKey (called virtually, so that a title's
    // own would run) and the credits on Ctrl+I.
    void OpenMainWindow(const std::wstring& title, bool windowed);
    // The counterpart at release: deletes mainWindow and sets it to none.
    void CloseMainWindow();

private:
    // The instruction dialog the shell opened last. However it closes, the
    // instruction is no longer shown, so F1 works again.
    void TrackShownInstruction(Dialog* dialog);
    DialogWatch shownInstruction_;
    // The Esc handler of the run's first instruction and the Space handler of
    // the last instruction that showed the key hint: each stands for the rest
    // of the run, and the next one replaces it, so that a key runs as many
    // handlers after a hundred runs as after one.
    boost::signals2::scoped_connection escapeConnection_;
    boost::signals2::scoped_connection spaceConnection_;
    // Keeps instructionConnection blocked until the next key-down.
    std::optional<boost::signals2::shared_connection_block> instructionBlock_;
};
