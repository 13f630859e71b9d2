// The application template every title of the course shares: the single
// application object and the counting of GetApp. Everything the shell's
// screens share lives in IMAppBase.
#pragma once

#include <cstdint>
#include <string>

#include "gui/IMWindow.h"
#include "platform/Clock.h"
#include "platform/Random.h"
#include "shell/IMAppBase.h"
#include "shell/report/ReportDocument.h"

// The title class App derives from IMApp<App>; the program has exactly one
// title, so there is exactly one instantiation and one application object.
template <class App> class IMApp : public IMAppBase {
public:
    // The application object, none before GetApp creates it and again after it
    // is destroyed, and the number of GetApp calls not yet balanced by
    // ReleaseApp. Both belong to the main thread.
    static inline App* theApp = nullptr;
    static inline int appRefCount = 0;

    IMApp() = default;

    ~IMApp() override {
        if (applicationObject_ == this) {
            theApp = nullptr;
            applicationObject_ = nullptr;
        }
    }

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

private:
    // The application object as the template sees it. The destructor compares
    // against it because by then the App part is already gone.
    static inline IMApp* applicationObject_ = nullptr;
};
