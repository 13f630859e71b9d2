// The application object's shell fields: construction and release, the main
// window with its three key handlers, the resource information and the steps.
#include "shell/IMAppBase.h"

#include "gui/IMWindow.h"
#include "gui/MessageLoop.h"
#include "platform/WinCodes.h"

IMAppBase::~IMAppBase() = default;

void IMAppBase::RegisterSteps() {}

void IMAppBase::SetResourceInfo(const std::wstring& description, const std::wstring& name,
                                const std::wstring& number) {
    resourceDescription = description;
    resourceName = name;
    resourceNumber = number;
}

void IMAppBase::RegisterStep(const std::wstring& name, const StepFunction& step) {
    if (name.empty() || step.empty())
        return;
    steps.emplace(name, step);
    if (currentStep.empty())
        currentStep = name;
}

void IMAppBase::SetStudentName(const std::wstring& name) {
    studentName = name;
}

void IMAppBase::OpenMainWindow(const std::wstring& title, bool windowed) {
    using platform::CW_USEDEFAULT;
    mainWindow = CreateMainWindow(
        {CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT + 800, CW_USEDEFAULT + 600}, title, windowed);
    // All three see every key-down, in this order.
    mainWindow->OnKeyDown.connect(
        [this](const IMKeyboardEvent& event) -> long { return RepeatInstruction(event); });
    mainWindow->OnKeyDown.connect(
        [this](const IMKeyboardEvent& event) -> long { return HandleShellKey(event); });
    mainWindow->OnKeyDown.connect(
        [this](const IMKeyboardEvent& event) -> long { return ShowCredits(event); });
}

void IMAppBase::CloseMainWindow() {
    delete mainWindow;
    mainWindow = nullptr;
}
