// The application template every title of the course shares: the single
// application object, its step registry and the operations through which the
// shell's screens and the title cooperate.
#pragma once

#include <boost/function.hpp>
#include <boost/signals2/connection.hpp>

#include <cstdint>
#include <map>
#include <string>

#include "gui/IMWindow.h"
#include "gui/MessageLoop.h"
#include "platform/Clock.h"
#include "platform/Random.h"
#include "shell/report/ReportDocument.h"
#include "shell/report/ReportOperations.h"

// The title class App derives from IMApp<App>; the program has exactly one
// title, so there is exactly one instantiation and one application object.
template <class App> class IMApp {
public:
    // A step of the title: it fills the step's full-screen dialog and returns
    // a value the shell does not use.
    using StepFunction = boost::function<int(IMDialogBase<IMEmptyView>*)>;

    // The application object, none before GetApp creates it and again after it
    // is destroyed, and the number of GetApp calls not yet balanced by
    // ReleaseApp. Both belong to the main thread.
    static inline App* theApp = nullptr;
    static inline int appRefCount = 0;

    IMApp() = default;
    IMApp(const IMApp&) = delete;
    IMApp& operator=(const IMApp&) = delete;

    // The virtual operations, in the order the shell and the title rely on.

    // Members are destroyed in the reverse of their declaration order, which
    // releases them from studentName back to optionsHandler. The window, the
    // report and the dialogs are not ours to delete: the entry point deletes
    // the first two before this object, the dialogs belong to the window.
    virtual ~IMApp() {
        if (applicationObject_ == this) {
            theApp = nullptr;
            applicationObject_ = nullptr;
        }
    }

    // The exit box's Retry. Closing the exit box and the running step needs the
    // window's controls; until they exist neither can be open, so this is the
    // answer for "no step dialog open".
    virtual int Restart() { return 1; }

    // The title registers its steps here; the template has none.
    virtual void RegisterSteps() {}

    virtual int ShowStartScreen() { return 0; }
    virtual int ShowResultsScreen() { return 0; }
    virtual int ShowPraise(IMDialogBase<IMEmptyView>* dialogToClose) { return 0; }
    // The praise animation comes with the shell's screens. Until then the
    // step ends at once, as it would when the praise has played.
    virtual int ShowFinalPraise(int x, int y) {
        if (stepDialog)
            stepDialog->Close(IMEvent(stepDialog, IMEventCode::Close));
        return 0;
    }
    virtual void ShowInstruction(IMDialogBase<IMEmptyView>* dialog) {}

    // F12 opens the exit box; every key-down of the main window comes here.
    virtual int HandleShellKey(const IMKeyboardEvent& event) { return 0; }

    // Creates the application object on the first call and counts every call; a
    // later call returns the same object and ignores its arguments.
    static App* GetApp(const std::wstring& title, bool windowed) {
        if (theApp == nullptr) {
            // The App constructor runs the template's and then gives its
            // resource information.
            theApp = new App();
            applicationObject_ = theApp;
            applicationObject_->OpenMainWindow(title, windowed);
            theApp->windowTitle = title;
            theApp->RegisterSteps();
            platform::SeedRandom(static_cast<uint32_t>(platform::CalendarTime()));
        }
        ++appRefCount;
        return theApp;
    }

    // Balances one GetApp. The last release ends the program's application
    // object: the window goes first, then the report, then the object itself.
    static void ReleaseApp() {
        if (appRefCount == 0)
            return;
        if (--appRefCount > 0)
            return;
        App* app = theApp;
        if (app == nullptr)
            return;
        applicationObject_->CloseMainWindow();
        delete app->report;
        app->report = nullptr;
        delete app;
    }

    void SetResourceInfo(const std::wstring& description, const std::wstring& name,
                         const std::wstring& number) {
        resourceDescription = description;
        resourceName = name;
        resourceNumber = number;
    }

    // Adds a step. An empty name or an empty function is refused, and a name
    // that is already registered keeps its first function. The first
    // registered step is the first to run.
    void RegisterStep(const std::wstring& name, const StepFunction& step) {
        if (name.empty() || step.empty())
            return;
        steps.emplace(name, step);
        if (currentStep.empty())
            currentStep = name;
    }

    // Appends one statistics row (type "String" or "Number") to the student's
    // workbook; without a workbook (no student name) the row is dropped.
    void AddStatistic(const std::wstring& name, const std::wstring& value,
                      const std::wstring& type) {
        ::AddStatistic(report, name, value, type);
    }

    boost::function<void()> optionsHandler;
    IMDialogBase<IMEmptyView>* exitBox = nullptr;
    IMWindow* mainWindow = nullptr;
    std::wstring currentStep;
    std::map<std::wstring, StepFunction> steps;
    IMDialogBase<IMEmptyView>* stepDialog = nullptr;
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

private:
    // The application object as the template sees it. The destructor compares
    // against it because by then the App part is already gone.
    static inline IMApp* applicationObject_ = nullptr;

    // The main window: CreateMainWindow with the default position, an
    // 800 × 600 client area, no menu, the title and the windowed flag, then the
    // three key handlers on its OnKeyDown signal in this order: the F1 repeat
    // of the instruction, HandleShellKey (called virtually) and the credits on
    // Ctrl+I. The instruction and the credits come with the shell's screens;
    // their handlers go round HandleShellKey when they do.
    void OpenMainWindow(const std::wstring& title, bool windowed) {
        using platform::CW_USEDEFAULT;
        mainWindow = CreateMainWindow(
            {CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT + 800, CW_USEDEFAULT + 600}, title,
            windowed);
        mainWindow->OnKeyDown.connect(
            [this](const IMKeyboardEvent& event) -> long { return HandleShellKey(event); });
    }

    // The counterpart at release: deletes mainWindow and sets it to none.
    void CloseMainWindow() {
        delete mainWindow;
        mainWindow = nullptr;
    }
};
