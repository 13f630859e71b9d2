// The application template: one object for every GetApp, the step registry and
// the seeding of the generator at start-up.
#include "shell/IMApp.h"

#include <gtest/gtest.h>

#include <string>

#include "gui/IMWindow.h"
#include "platform/Clock.h"
#include "platform/DebugOutput.h"
#include "platform/Random.h"
#include "platform/audio/HeadlessAudio.h"
#include "platform/window/HeadlessWindow.h"
#include "shell/report/ReportDocument.h"
#include "tests/shell/report/ReportTestFolder.h"

namespace {

// A title that counts what the shell does to it.
class CountingTitle : public IMApp<CountingTitle> {
public:
    CountingTitle() {
        ++constructed;
        SetResourceInfo(L"description", L"name", L"00001");
    }
    ~CountingTitle() override { ++destroyed; }
    void RegisterSteps() override {
        ++registrations;
        RegisterStep(L"Dialog1", [](IMDialogBase<IMEmptyView>*) { return 1; });
    }

    static inline int constructed = 0;
    static inline int destroyed = 0;
    static inline int registrations = 0;
};

class IMAppTest : public testing::Test {
protected:
    void SetUp() override {
        CountingTitle::constructed = CountingTitle::destroyed = CountingTitle::registrations = 0;
    }
    void TearDown() override {
        while (CountingTitle::appRefCount > 0)
            CountingTitle::ReleaseApp();
    }

    // GetApp opens the main window; here it opens on the twins.
    platform::DebugOutputCapture debugOutput;
    platform::HeadlessWindow display;
    platform::HeadlessAudio audio;
};

TEST_F(IMAppTest, GetAppCreatesOneObjectAndTheLastReleaseDeletesIt) {
    CountingTitle* first = CountingTitle::GetApp(L"First title", false);
    CountingTitle* second = CountingTitle::GetApp(L"Second title", true);

    EXPECT_EQ(first, second);
    EXPECT_EQ(CountingTitle::theApp, first);
    EXPECT_EQ(CountingTitle::constructed, 1);
    EXPECT_EQ(CountingTitle::registrations, 1);
    EXPECT_EQ(CountingTitle::appRefCount, 2);
    // The second call's arguments are ignored.
    EXPECT_EQ(first->windowTitle, L"First title");
    EXPECT_EQ(first->resourceNumber, L"00001");
    EXPECT_EQ(first->currentStep, L"Dialog1");
    ASSERT_NE(first->mainWindow, nullptr);
    EXPECT_EQ(first->mainWindow, MainWindow);
    EXPECT_EQ(display.Title(), L"First title");

    CountingTitle::ReleaseApp();
    EXPECT_EQ(CountingTitle::destroyed, 0);
    CountingTitle::ReleaseApp();
    EXPECT_EQ(CountingTitle::destroyed, 1);
    EXPECT_EQ(CountingTitle::theApp, nullptr);
    EXPECT_EQ(MainWindow, nullptr);
    // A release too many changes nothing.
    CountingTitle::ReleaseApp();
    EXPECT_EQ(CountingTitle::appRefCount, 0);
}

TEST_F(IMAppTest, GetAppSeedsTheGeneratorWithTheLowBitsOfTheCalendarTime) {
    const int64_t calendar = 0x1'2345'6789;
    platform::ManualClock clock(1'000'000'000, calendar);
    CountingTitle::GetApp(L"Title", false);
    const int afterStart[] = {platform::Random(), platform::Random(), platform::Random()};

    platform::SeedRandom(0x2345'6789u);
    for (int value : afterStart)
        EXPECT_EQ(value, platform::Random());
}

TEST_F(IMAppTest, RegisterStepKeepsTheFirstFunctionAndTheFirstNameToRun) {
    CountingTitle title;
    auto step = [](int result) { return [result](IMDialogBase<IMEmptyView>*) { return result; }; };

    title.RegisterStep(L"", step(1));
    title.RegisterStep(L"Empty", {});
    EXPECT_TRUE(title.steps.empty());
    EXPECT_TRUE(title.currentStep.empty());

    title.RegisterStep(L"Dialog2", step(2));
    title.RegisterStep(L"Dialog1", step(1));
    title.RegisterStep(L"Dialog2", step(20));

    ASSERT_EQ(title.steps.size(), 2u);
    // The first registered step runs first; the map keeps the names in order.
    EXPECT_EQ(title.currentStep, L"Dialog2");
    EXPECT_EQ(title.steps.begin()->first, L"Dialog1");
    EXPECT_EQ(title.steps[L"Dialog2"](nullptr), 2);

    // Once every step has run, the next registration is the next to run.
    title.currentStep.clear();
    title.RegisterStep(L"Dialog1", step(10));
    EXPECT_EQ(title.currentStep, L"Dialog1");
    EXPECT_EQ(title.steps[L"Dialog1"](nullptr), 1);
}

TEST_F(IMAppTest, DestroyingAnotherObjectLeavesTheApplicationObjectAlone) {
    CountingTitle* app = CountingTitle::GetApp(L"Title", false);
    { CountingTitle other; }
    EXPECT_EQ(CountingTitle::theApp, app);
}

TEST_F(IMAppTest, StatisticsGoToTheReportWhenThereIsOneAndTheLastReleaseDeletesIt) {
    ReportTestFolder folder;
    CountingTitle* app = CountingTitle::GetApp(L"Title", false);
    // Without a report (no student name) the row is dropped.
    app->AddStatistic(L"Dropped", L"1", L"Number");

    app->report = new ReportDocument((folder.Root() / "Title.xls").wstring(), L"Student");
    app->AddStatistic(L"Forwarded", L"42", L"Number");
    const std::string document = app->report->Serialize();
    EXPECT_NE(document.find("Forwarded"), std::string::npos);
    EXPECT_NE(document.find("42"), std::string::npos);
    EXPECT_EQ(document.find("Dropped"), std::string::npos);

    // The sanitizer build sees the report leak if the release keeps it.
    CountingTitle::ReleaseApp();
    EXPECT_EQ(CountingTitle::theApp, nullptr);
}

} // namespace
