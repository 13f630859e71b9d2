// The exercise as the shell sees it: its title, its resource information and
// its one step.
#include "app/App.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/DebugOutput.h"
#include "platform/audio/HeadlessAudio.h"
#include "platform/window/HeadlessWindow.h"

namespace {

std::vector<std::wstring> Paragraphs(const std::wstring& text) {
    std::vector<std::wstring> paragraphs;
    size_t start = 0;
    for (size_t end; (end = text.find(L'\n', start)) != std::wstring::npos; start = end + 1)
        paragraphs.push_back(text.substr(start, end - start));
    paragraphs.push_back(text.substr(start));
    return paragraphs;
}

TEST(AppTest, CarriesTheTitlesNumberNameAndDescription) {
    App app;
    EXPECT_EQ(app.resourceNumber, L"00517");
    EXPECT_EQ(app.resourceName, L"Тренажер «Зельтарик»");
    EXPECT_EQ(app.resourceName.size(), 20u);
    EXPECT_EQ(std::wstring(kWindowTitle), app.resourceNumber + L" " + app.resourceName);
    EXPECT_EQ(std::wstring(kWindowTitle).size(), 26u);

    const std::wstring& description = app.resourceDescription;
    EXPECT_EQ(description.size(), 1341u);
    const std::vector<std::wstring> paragraphs = Paragraphs(description);
    ASSERT_EQ(paragraphs.size(), 6u);
    const size_t lengths[] = {208, 294, 355, 132, 180, 167};
    for (size_t i = 0; i < paragraphs.size(); ++i) {
        EXPECT_EQ(paragraphs[i].substr(0, 4).find_first_not_of(L' '), 3u) << "paragraph " << i + 1;
        EXPECT_EQ(paragraphs[i].size(), lengths[i]) << "paragraph " << i + 1;
    }
    EXPECT_NE(paragraphs[2].find(L"лодку.  Понять"), std::wstring::npos);
    EXPECT_EQ(paragraphs[3], L"   Игра построена таким образом, что пока не будут совершены все 12 "
                             L"погружений, обнаружить последнее, шестое сокровище не получится.");
    EXPECT_TRUE(paragraphs[5].ends_with(L"как угодно."));
}

TEST(AppTest, GetAppRegistersTheGameAsTheOnlyAndFirstStep) {
    platform::DebugOutputCapture debugOutput;
    platform::HeadlessWindow display;
    platform::HeadlessAudio audio;
    App* app = App::GetApp(kWindowTitle, false);
    EXPECT_EQ(App::theApp, app);
    EXPECT_EQ(app->windowTitle, kWindowTitle);
    ASSERT_EQ(app->steps.size(), 1u);
    EXPECT_EQ(app->steps.begin()->first, L"Dialog1");
    EXPECT_EQ(app->currentStep, L"Dialog1");

    App::ReleaseApp();
    EXPECT_EQ(App::theApp, nullptr);
}

} // namespace
