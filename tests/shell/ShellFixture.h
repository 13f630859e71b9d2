// The shell's screens in a main window on the headless twins: a small title
// with one step, the child's keys and mouse pushed into the window, the clock
// moved by hand, and lookups of the controls a screen is made of.
#pragma once

#include <gtest/gtest.h>

#include <SDL_keycode.h>
#include <SDL_mouse.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "gui/IMDialogBase.h"
#include "gui/IMEditBar.h"
#include "gui/IMWindow.h"
#include "gui/MessageLoop.h"
#include "media/IMResourceManager.h"
#include "platform/Clock.h"
#include "platform/DebugOutput.h"
#include "platform/MessageQueue.h"
#include "platform/TextCodec.h"
#include "platform/audio/HeadlessAudio.h"
#include "platform/window/HeadlessWindow.h"
#include "platform/window/Window.h"
#include "shell/IMApp.h"
#include "shell/report/ReportDocument.h"
#include "tests/shell/TitleWindowTest.h"
#include "tests/shell/report/ReportTestFolder.h"

using Dialog = IMDialogBase<IMEmptyView>;
using Label = IMStaticPictureBase<IMTextView>;
using Picture = IMStaticPictureBase<IMTextureView>;
using Button = IMButtonBase<IMStateView>;

// A title with one step, "Dialog1", that only remembers its dialog; it counts
// how often the shell asks for the results screen.
class TestTitle : public IMApp<TestTitle> {
public:
    TestTitle() { SetResourceInfo(nextDescription, L"Тренажер «Проба»", L"00517"); }
    void RegisterSteps() override {
        RegisterStep(L"Dialog1", [this](Dialog* dialog) {
            ++stepRuns;
            lastStepDialog = dialog;
            return 0;
        });
    }
    int ShowResultsScreen() override {
        ++resultsShown;
        return IMAppBase::ShowResultsScreen();
    }
    // The shell's default instruction, unless the test gives one of its own.
    void ShowInstruction(Dialog* dialog) override {
        ++instructionsShown;
        if (instruction)
            instruction(dialog);
        else
            IMAppBase::ShowInstruction(dialog);
    }

    // The description the next title is made with.
    static inline std::wstring nextDescription = L"Короткое описание.";
    int stepRuns = 0;
    Dialog* lastStepDialog = nullptr;
    int resultsShown = 0;
    int instructionsShown = 0;
    std::function<void(Dialog*)> instruction;
};

inline const std::wstring kTestTitle = L"00517 Тренажер «Проба»";

class ShellTest : public TitleWindowTest<TestTitle> {
public:
    ShellTest() : TitleWindowTest(kTestTitle) {}

    void TearDown() override {
        TitleWindowTest::TearDown();
        TestTitle::nextDescription = L"Короткое описание.";
    }

    // Clicks the middle of the control, given in screen coordinates.
    void ClickAt(const platform::Rect& rect) {
        Click((rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2);
    }
    void Type(const char* utf8) {
        display.TypeText(utf8);
        Pass();
    }

    static Button* ButtonOf(const Dialog* dialog, const std::wstring& normalPicture) {
        for (Button* button : All<Button>(dialog))
            if (button->states.at(IMStateView::Normal) == normalPicture)
                return button;
        return nullptr;
    }
    static IMEditBar* NameField(const Dialog* screen) {
        const std::vector<IMEditBar*> bars = All<IMEditBar>(screen);
        return bars.size() == 1 ? bars.front() : nullptr;
    }

    // A student's report on the test's folder, as confirming a name makes it.
    ReportDocument* GiveReport(const std::wstring& student) {
        delete app->report;
        std::filesystem::create_directories(folder.Reports());
        app->report = new ReportDocument(
            platform::Utf8ToWide((folder.Reports() / "report.xls").string()), student);
        return app->report;
    }
    std::string ReportText() const { return app->report ? app->report->Serialize() : ""; }
    // The workbook a confirmed name saves to.
    std::filesystem::path Workbook() const { return folder.Reports() / PathOf(kTestTitle + L".xls"); }

    // The student's rows as the report holds them: name, value and the
    // value's type; an empty row has all three empty.
    struct Row {
        std::string name;
        std::string value;
        std::string type;
        bool operator==(const Row&) const = default;
    };
    static std::vector<Row> RowsOf(const std::string& document) {
        std::vector<Row> rows;
        auto dataAfter = [&document](size_t& at, std::string& type) {
            const size_t open = document.find("<Data ss:Type=\"", at);
            const size_t typeEnd = document.find('"', open + 15);
            const size_t textStart = document.find('>', typeEnd) + 1;
            const size_t textEnd = document.find("</Data>", textStart);
            type = document.substr(open + 15, typeEnd - open - 15);
            at = textEnd;
            return document.substr(textStart, textEnd - textStart);
        };
        for (size_t at = document.find("<Row"); at != std::string::npos;
             at = document.find("<Row", at + 1)) {
            if (document.compare(at, 6, "<Row/>") == 0) {
                rows.push_back({});
                continue;
            }
            Row row;
            std::string nameType;
            size_t cursor = at;
            row.name = dataAfter(cursor, nameType);
            row.value = dataAfter(cursor, row.type);
            rows.push_back(row);
        }
        return rows;
    }
    std::vector<Row> Rows() const { return RowsOf(ReportText()); }

    // The pointer's display count now, without changing it.
    static int CursorCount() {
        platform::ShowCursor(true);
        return platform::ShowCursor(false);
    }
};
