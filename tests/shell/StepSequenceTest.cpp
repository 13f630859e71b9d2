// The run's sequence: each step in its own dialog with its start time, the
// instruction count and the total time at the end, the empty row, and the
// results screen.
#include "tests/shell/ShellFixture.h"

#include <ctime>

namespace {

class StepSequenceTest : public ShellTest {
public:
    // Local time is UTC here, so that the start times can be written down.
    void SetUp() override {
        if (const char* tz = std::getenv("TZ"))
            savedTimeZone = tz;
        ::setenv("TZ", "UTC0", 1);
        ::tzset();
        ShellTest::SetUp();
    }
    void TearDown() override {
        ShellTest::TearDown();
        if (savedTimeZone)
            ::setenv("TZ", savedTimeZone->c_str(), 1);
        else
            ::unsetenv("TZ");
        ::tzset();
    }

    static Row StartRow(const std::string& time) {
        return {Utf8(L"Время начала работы с упражнением"), time, "String"};
    }
    static Row CountRow(int count) {
        return {Utf8(L"Количество дополнительных вызовов инструкций"), std::to_string(count),
                "Number"};
    }
    static Row TotalRow(long seconds) {
        return {Utf8(L"Общее время работы с упражнением. с."), std::to_string(seconds), "Number"};
    }
    void CloseStep(Dialog* step) { step->Close(IMEvent(step, IMEventCode::Close)); }

    std::optional<std::string> savedTimeZone;
};

// 05-March-2008 14:07 UTC, where the manual clock's calendar starts.
constexpr int64_t kStart = 1'204'726'020;

TEST_F(StepSequenceTest, AOneStepRunWritesItsRowsAroundTheStep) {
    GiveReport(L"Петя");
    // F1 presses before the step are not the step's.
    app->extraInstructionCount = 4;
    app->NextStep();
    ASSERT_EQ(app->stepRuns, 1);
    Dialog* step = app->lastStepDialog;
    ASSERT_NE(step, nullptr);
    EXPECT_EQ(app->stepDialog, step);
    EXPECT_EQ(step->GetRect(), (platform::Rect{0, 0, 800, 600}));
    EXPECT_EQ(MainWindow->focusedChild, step);
    EXPECT_EQ(app->currentStep, L"");
    EXPECT_EQ(app->extraInstructionCount, 0);
    EXPECT_EQ(app->stepStartTime, kStart);

    // Two F1 presses during the step, and 75 seconds of work.
    app->extraInstructionCount = 2;
    clock.SetCalendarTime(kStart + 75);
    CloseStep(step);
    EXPECT_EQ(app->stepDialog, nullptr);
    EXPECT_EQ(app->resultsShown, 1);
    EXPECT_EQ(Rows(), (std::vector<Row>{StartRow("05-March-2008 14:07"), CountRow(2), TotalRow(75),
                                        Row{}}));
}

TEST_F(StepSequenceTest, TwoStepsRunInOrderAndTheTotalCountsFromTheLastStart) {
    GiveReport(L"Петя");
    std::vector<Dialog*> seconds;
    app->RegisterStep(L"Dialog2", [&seconds](Dialog* dialog) {
        seconds.push_back(dialog);
        return 0;
    });
    app->NextStep();
    Dialog* first = app->lastStepDialog;
    EXPECT_EQ(app->currentStep, L"Dialog2");

    clock.SetCalendarTime(kStart + 600);
    CloseStep(first);
    ASSERT_EQ(seconds.size(), 1u);
    // The first step's close leaves the second one running.
    EXPECT_EQ(app->stepDialog, seconds[0]);
    EXPECT_EQ(app->currentStep, L"");
    EXPECT_EQ(app->resultsShown, 0);

    clock.SetCalendarTime(kStart + 600 + 20);
    CloseStep(seconds[0]);
    EXPECT_EQ(app->resultsShown, 1);
    EXPECT_EQ(app->stepRuns, 1);
    EXPECT_EQ(Rows(),
              (std::vector<Row>{StartRow("05-March-2008 14:07"), StartRow("05-March-2008 14:17"),
                                CountRow(0), TotalRow(20), Row{}}));
}

TEST_F(StepSequenceTest, StartTimesNameTheMonthInEnglishAndAnUnknownStepStopsThere) {
    GiveReport(L"Петя");
    auto at = [](int year, int month, int day, int hour, int minute) {
        std::tm tm{};
        tm.tm_year = year - 1900;
        tm.tm_mon = month - 1;
        tm.tm_mday = day;
        tm.tm_hour = hour;
        tm.tm_min = minute;
        tm.tm_sec = 59;
        return static_cast<int64_t>(::timegm(&tm));
    };
    struct Case {
        int64_t time;
        const char* text;
    };
    const Case cases[] = {
        {at(2008, 1, 9, 3, 4), "09-January-2008 03:04"},
        {at(2009, 2, 28, 23, 59), "28-February-2009 23:59"},
        {at(2010, 3, 1, 0, 0), "01-March-2010 00:00"},
        {at(2011, 4, 30, 12, 30), "30-April-2011 12:30"},
        {at(2012, 5, 15, 9, 5), "15-May-2012 09:05"},
        {at(2013, 6, 2, 18, 45), "02-June-2013 18:45"},
        {at(2014, 7, 31, 7, 7), "31-July-2014 07:07"},
        {at(2015, 8, 16, 16, 16), "16-August-2015 16:16"},
        {at(2016, 9, 29, 2, 58), "29-September-2016 02:58"},
        {at(2017, 10, 10, 10, 10), "10-October-2017 10:10"},
        {at(2018, 11, 11, 11, 1), "11-November-2018 11:01"},
        {at(2039, 12, 31, 23, 0), "31-December-2039 23:00"},
    };
    // A step name nobody registered: the start time is written, and nothing
    // else happens.
    std::vector<Row> expected;
    for (const Case& c : cases) {
        app->currentStep = L"Missing";
        clock.SetCalendarTime(c.time);
        app->NextStep();
        expected.push_back(StartRow(c.text));
    }
    EXPECT_EQ(Rows(), expected);
    EXPECT_EQ(app->stepRuns, 0);
    EXPECT_EQ(app->stepDialog, nullptr);
    EXPECT_EQ(app->resultsShown, 0);
    Pass();
    EXPECT_TRUE(Screens().empty());
}

} // namespace
