// The results screen's Save As and printer dialogs: where their parts stand,
// the keyboard, saving elsewhere with nothing lost when it fails, and the
// printers of the machine in the print system's order.
#include "tests/shell/ShellWindow.h"

#include "platform/print/Printers.h"
#include "shell/IMSaveAsDialog.h"
#include "shell/IMSelectPrinterDialog.h"
#include "shell/report/ReportDocument.h"
#include "shell/report/ReportStorage.h"
#include "tests/shell/report/WorkbookReader.h"

#include <sys/stat.h>

namespace {

class ReportDialogsTest : public ShellWindowTest {
protected:
    void SetUp() override {
        ShellWindowTest::SetUp();
        app->PrepareReport(L"Аня Петрова");
        app->SetStudentName(L"Аня Петрова");
        app->AddStatistic(L"Время начала работы с упражнением", L"05-March-2008 14:07", L"String");
        app->AddStatistic(L"Сундук с «золотом»", L"12", L"Number");
        app->report->FinishRun();
        app->ShowResultsScreen();
        Pass();
        results = Topmost<IMControl::Dialog>();
        savedBefore = ReportTestFolder::Read(DefaultFile());
    }

    IMSaveAsDialog* OpenSaveAs() {
        Click(137, 500);
        return Topmost<IMSaveAsDialog>();
    }
    IMSelectPrinterDialog* OpenPrinters() {
        Click(40, 500);
        return Topmost<IMSelectPrinterDialog>();
    }

    void TypeField(IMSaveAsDialog* dialog, const std::filesystem::path& path) {
        dialog->SetFileName(platform::Utf8ToWide(path.string()));
    }

    // Where the parts of a dialog stand, in the dialog's coordinates.
    struct Part {
        const IMControl* control;
        platform::Rect rect;
    };
    static void ExpectLayout(const std::vector<Part>& parts) {
        for (size_t i = 0; i < parts.size(); ++i) {
            SCOPED_TRACE(i);
            ASSERT_NE(parts[i].control, nullptr);
            EXPECT_EQ(parts[i].control->GetRect(), parts[i].rect);
        }
    }

    // True when some pixel of the screen area is the message's dark red.
    bool RedIn(platform::Rect area) {
        const platform::Screenshot shot = Screen();
        for (int y = area.top; y < area.bottom; ++y)
            for (int x = area.left; x < area.right; ++x) {
                const uint32_t pixel = shot.At(x, y);
                if (((pixel >> 16) & 0xFF) > 120 && ((pixel >> 8) & 0xFF) < 60 && (pixel & 0xFF) < 60)
                    return true;
            }
        return false;
    }

    IMControl::Dialog* results = nullptr;
    std::string savedBefore;
};

TEST_F(ReportDialogsTest, SaveAsOpensWithTheWorkbooksPathTheCaretAtItsEndAndTheFocus) {
    IMSaveAsDialog* dialog = OpenSaveAs();
    KeepScreenshot("save-as");
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialog->GetRect(), (platform::Rect{220, 225, 580, 375}));
    ExpectLayout({
        {dialog->background, {0, 0, 360, 150}},
        {dialog->leftLine, {0, 0, 1, 150}},
        {dialog->topLine, {0, 0, 360, 1}},
        {dialog->bottomLine, {0, 149, 360, 150}},
        {dialog->rightLine, {359, 0, 360, 150}},
        {dialog->fileNameField, {30, 28, 330, 48}},
        {dialog->saveButton, {30, 79, 178, 126}},
        {dialog->closeButton, {221, 79, 332, 126}},
    });
    EXPECT_EQ(dialog->saveButton->states[IMStateView::Over], L"SaveAsButtonNuv");
    EXPECT_EQ(dialog->closeButton->states[IMStateView::Pressed], L"CloseButtonKlick");

    const std::wstring path = platform::Utf8ToWide(DefaultFile().string());
    EXPECT_EQ(dialog->GetFileName(), path);
    IMTextEdit* edit = dialog->fileNameField->edit;
    EXPECT_EQ(edit->caretPos, static_cast<int>(path.size()));
    EXPECT_TRUE(edit->IsFocused());
    EXPECT_EQ(app->mainWindow->focusedChild, dialog);
    // The path is wider than the field; its end, with the caret, is in view.
    EXPECT_LE(edit->caretPicture->GetRect().right, 300 - 3);
    EXPECT_GT(edit->caretPicture->GetRect().right, 200);

    // A second click brings back the same dialog.
    Click(137, 500);
    EXPECT_EQ(Topmost<IMSaveAsDialog>(), dialog);
    EXPECT_EQ(TopLevel().size(), 2u);
}

TEST_F(ReportDialogsTest, SaveAsToAnotherPathWritesTheWholeWorkbookThereAndLeavesTheDefaultFile) {
    IMSaveAsDialog* dialog = OpenSaveAs();
    ASSERT_NE(dialog, nullptr);
    std::weak_ptr<void> alive = dialog->LifetimeToken();
    const std::filesystem::path copy = folder.Root() / u8"Флешка" / u8"копия.xls";
    std::filesystem::create_directories(copy.parent_path());
    app->AddStatistic(L"После результатов", L"1", L"Number");  // only in memory
    TypeField(dialog, copy);
    Click(dialog->saveButton);

    EXPECT_TRUE(alive.expired()) << "a save that worked closes the dialog";
    EXPECT_EQ(ReportTestFolder::Read(copy), app->report->Serialize());
    EXPECT_EQ(ReadSheets(copy).at(0).second.size(), 4u);
    EXPECT_EQ(ReportTestFolder::Read(DefaultFile()), savedBefore);
    EXPECT_TRUE(app->report->HasUnsavedRows()) << "the default file still waits for its row";
    EXPECT_EQ(app->mainWindow->focusedChild, results) << "the keyboard goes back to the results";
}

TEST_F(ReportDialogsTest, AFailingSaveAsSaysWhyKeepsTheDialogAndLosesNothing) {
    const std::filesystem::path letter = folder.Root() / u8"письмо.txt";
    ReportTestFolder::Write(letter, "Дорогие родители!");
    const std::filesystem::path readOnly = folder.Root() / u8"только чтение";
    std::filesystem::create_directories(readOnly);
    struct Case {
        const char* what;
        std::filesystem::path path;
        std::wstring message;
    };
    const Case cases[] = {
        {"a folder that does not exist", folder.Root() / u8"нет" / "x.xls", L"Не сохранено: нет такой папки"},
        {"a folder", folder.Root(), L"Это папка, допишите имя файла"},
        {"a file that is not a workbook", letter, L"Это чужой файл, выберите другое имя"},
        {"a letter outside Windows-1251", folder.Root() / u8"Zoë.xls", L"В имени есть недопустимые буквы"},
        {"a full disk", folder.Root() / u8"полный.xls", L"Не сохранено: диск заполнен"},
    };
    IMSaveAsDialog* dialog = OpenSaveAs();
    ASSERT_NE(dialog, nullptr);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TypeField(dialog, c.path);
        testing::internal::CaptureStderr();
        {
            SimulatedDiskFull full(0, c.message == L"Не сохранено: диск заполнен" ? folder.Root()
                                                                                  : folder.Root() / "none");
            Click(dialog->saveButton);
        }
        testing::internal::GetCapturedStderr();
        ASSERT_EQ(Topmost<IMSaveAsDialog>(), dialog) << "the dialog stays open";
        EXPECT_EQ(dialog->MessageText(), c.message);
        EXPECT_TRUE(RedIn(ScreenRect(dialog->message))) << "the line is on the screen";
        EXPECT_LE(ScreenRect(dialog->message).right, 580) << "one line inside the dialog";
        if (c.message == L"Не сохранено: диск заполнен")
            KeepScreenshot("save-as-failed");
    }
    EXPECT_EQ(ReportTestFolder::Read(letter), "Дорогие родители!");
    EXPECT_FALSE(std::filesystem::exists(folder.Root() / u8"полный.xls"));
    EXPECT_EQ(ReportTestFolder::Read(DefaultFile()), savedBefore);

    // Nothing was lost: the next save has every row.
    const std::filesystem::path good = folder.Root() / u8"хорошо.xls";
    TypeField(dialog, good);
    Click(dialog->saveButton);
    EXPECT_EQ(ReadSheets(good), ReadSheets(DefaultFile()));
}

TEST_F(ReportDialogsTest, ReplacingAnotherWorkbookIsDoneOnlyWhenAskedTwice) {
    const std::filesystem::path other = folder.Root() / u8"другой класс.xls";
    {
        ReportDocument otherClass(platform::Utf8ToWide(other.string()), L"Вова");
        otherClass.AddRow(L"чужая строка", L"1", L"Number");
        ASSERT_TRUE(otherClass.Save(L""));
    }
    const std::string theirs = ReportTestFolder::Read(other);
    IMSaveAsDialog* dialog = OpenSaveAs();
    ASSERT_NE(dialog, nullptr);
    TypeField(dialog, other);
    Click(dialog->saveButton);
    EXPECT_EQ(dialog->MessageText(), L"Файл уже есть. Нажмите ещё раз, чтобы заменить");
    KeepScreenshot("save-as-replace");
    EXPECT_EQ(ReportTestFolder::Read(other), theirs);

    std::weak_ptr<void> alive = dialog->LifetimeToken();
    Click(dialog->saveButton);
    EXPECT_TRUE(alive.expired());
    EXPECT_EQ(ReadSheets(other).at(0).first, L"Аня Петрова");
}

TEST_F(ReportDialogsTest, EnterSavesAndEscapeClosesAndTheResultsTakeTheKeyboardBack) {
    IMSaveAsDialog* dialog = OpenSaveAs();
    ASSERT_NE(dialog, nullptr);
    std::weak_ptr<void> alive = dialog->LifetimeToken();
    std::weak_ptr<void> resultsAlive = results->LifetimeToken();
    // The field keeps the default path: Enter is the default save.
    app->AddStatistic(L"Ещё", L"2", L"Number");
    Key(SDLK_RETURN);
    EXPECT_TRUE(alive.expired());
    EXPECT_FALSE(resultsAlive.expired()) << "the Enter that saved does not run the step again";
    EXPECT_EQ(ReadSheets(DefaultFile()).at(0).second.back(), (std::vector<std::wstring>{L"Ещё", L"2"}));

    dialog = OpenSaveAs();
    alive = dialog->LifetimeToken();
    Key(SDLK_ESCAPE);
    EXPECT_TRUE(alive.expired());
    EXPECT_EQ(app->mainWindow->focusedChild, results);
    Key(SDLK_RETURN);
    EXPECT_TRUE(resultsAlive.expired()) << "Enter reaches the results screen again";
}

TEST_F(ReportDialogsTest, ThePrinterDialogListsThePrintersInOrderWithTheDefaultChosenAndPrintsEveryRow) {
    platform::HeadlessPrinters printers({L"Кабинет 12", L"Учительская", L"PDF"}, L"Учительская");
    IMSelectPrinterDialog* dialog = OpenPrinters();
    KeepScreenshot("printers");
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialog->GetRect(), (platform::Rect{220, 125, 580, 375}));
    ExpectLayout({
        {dialog->background, {0, 0, 360, 250}},
        {dialog->leftLine, {0, 0, 1, 250}},
        {dialog->topLine, {0, 0, 360, 1}},
        {dialog->bottomLine, {0, 249, 360, 250}},
        {dialog->rightLine, {359, 0, 360, 250}},
        {dialog->list, {30, 58, 330, 158}},
        {dialog->printButton, {30, 179, 114, 226}},
        {dialog->closeButton, {221, 179, 332, 226}},
    });
    EXPECT_EQ(dialog->caption->GetText(), L"Выберите принтер:");
    EXPECT_EQ(dialog->caption->GetRect().left, 30);
    EXPECT_EQ(dialog->caption->GetRect().top, 38);
    EXPECT_EQ(dialog->caption->glyphs.at(0)->color, 0xFF000000u);
    EXPECT_EQ(dialog->caption->fontSize, 16);
    std::vector<std::wstring> names;
    for (const auto* item : dialog->list->items)
        names.push_back(item->GetText());
    EXPECT_EQ(names, (std::vector<std::wstring>{L"Кабинет 12", L"Учительская", L"PDF"}));
    ASSERT_NE(dialog->list->selected, nullptr);
    EXPECT_EQ(dialog->list->selected->GetText(), L"Учительская");
    EXPECT_TRUE(dialog->scroll->IsHidden()) << "three printers fit";

    // The teacher picks another one and prints.
    Click(dialog->list->items[2]);
    EXPECT_EQ(dialog->SelectedPrinter(), L"PDF");
    std::weak_ptr<void> alive = dialog->LifetimeToken();
    Click(dialog->printButton);
    EXPECT_TRUE(alive.expired());
    ASSERT_EQ(printers.Documents().size(), 1u);
    const platform::PrintedDocument& printed = printers.Documents()[0];
    EXPECT_EQ(printed.printerName, L"PDF");
    EXPECT_TRUE(printed.sent);
    std::vector<std::wstring> texts;
    for (const auto& run : printed.runs)
        texts.push_back(run.text);
    EXPECT_EQ(texts, (std::vector<std::wstring>{
                         L"Название", L"Тренажер «Зельтарик»", L"Номер ЦОР", L"00517", L"Ученик", L"Аня Петрова",
                         L"Время начала работы с упражнением", L"05-March-2008 14:07",
                         L"Сундук с «золотом»", L"12"}));
}

TEST_F(ReportDialogsTest, ManyPrintersScrollWithTheBarAndTheWheelAndTheDefaultIsInView) {
    std::vector<std::wstring> names;
    for (int i = 1; i <= 12; ++i)
        names.push_back(L"Принтер " + std::to_wstring(i));
    platform::HeadlessPrinters printers(names, L"Принтер 11");
    IMSelectPrinterDialog* dialog = OpenPrinters();
    KeepScreenshot("printers-scrolled");
    ASSERT_NE(dialog, nullptr);
    ASSERT_FALSE(dialog->scroll->IsHidden());
    EXPECT_EQ(dialog->scroll->GetRect(), (platform::Rect{313, 59, 329, 157}));
    const int inner = dialog->list->inner->GetHeight();
    auto visible = [&](const IMList::Item* item) {
        return item->GetRect().top >= 0 && item->GetRect().bottom <= inner;
    };
    EXPECT_TRUE(visible(dialog->list->selected)) << "the default printer is scrolled into view";
    EXPECT_FALSE(visible(dialog->list->items[0]));
    // The mark lies under its item.
    EXPECT_EQ(dialog->list->selectionMark->GetRect().top, dialog->list->selected->GetRect().top);

    // The up arrow, then the wheel, back to the top.
    Click(dialog->scroll->upButton);
    const int afterArrow = dialog->scroll->pos;
    display.MoveMouse(300, 200);
    Pass();
    for (int i = 0; i < 12; ++i)
        display.TurnWheel(1.0f);
    Pass();
    EXPECT_LT(dialog->scroll->pos, afterArrow);
    EXPECT_EQ(dialog->scroll->pos, 0);
    EXPECT_TRUE(visible(dialog->list->items[0]));
    EXPECT_EQ(dialog->list->items[0]->GetRect().top, 0);
}

TEST_F(ReportDialogsTest, PrintingThatCannotHappenSaysSoAndKeepsTheDialog) {
    struct Case {
        const char* what;
        std::vector<std::wstring> printers;
        std::wstring defaultPrinter;
        bool refuse;
        std::wstring message;
    };
    const Case cases[] = {
        {"no printer installed", {}, L"", false, L"Принтеры не установлены"},
        {"none chosen", {L"Кабинет 12"}, L"", false, L"Выберите принтер в списке"},
        {"the printer refuses the job", {L"Кабинет 12"}, L"Кабинет 12", true, L"Принтер не принял задание"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        platform::HeadlessPrinters printers(c.printers, c.defaultPrinter);
        platform::HeadlessPrintContext::Options options;
        options.failStartDoc = c.refuse;
        printers.SetOptions(options);
        IMSelectPrinterDialog* dialog = OpenPrinters();
        ASSERT_NE(dialog, nullptr);
        Click(dialog->printButton);
        ASSERT_EQ(Topmost<IMSelectPrinterDialog>(), dialog);
        EXPECT_EQ(dialog->MessageText(), c.message);
        EXPECT_TRUE(RedIn(ScreenRect(dialog->message)));
        EXPECT_LE(ScreenRect(dialog->message).right, 580);
        EXPECT_TRUE(printers.Documents().empty() || !printers.Documents().back().sent);
        if (c.refuse)
            KeepScreenshot("printers-refused");
        Click(dialog->closeButton);
        EXPECT_EQ(Topmost<IMSelectPrinterDialog>(), nullptr);
    }
    EXPECT_EQ(ReportTestFolder::Read(DefaultFile()), savedBefore) << "the report is unaffected";
}

TEST_F(ReportDialogsTest, TheDialogsCloseWithTheResultsScreen) {
    platform::HeadlessPrinters printers({L"PDF"}, L"PDF");
    OpenSaveAs();
    OpenPrinters();
    ASSERT_EQ(TopLevel().size(), 3u);
    Click(580, 500);  // Retry, beside the dialogs
    EXPECT_EQ(app->startScreens, 1);
    EXPECT_EQ(TopLevel().size(), 0u);
}

} // namespace
