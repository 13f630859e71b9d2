// What the tests of a whole run share: the shell's screens in the main window
// and their buttons, and what one finished run leaves in the student's
// worksheet.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "gui/IMButtonBase.h"
#include "gui/IMDialogBase.h"
#include "gui/IMStateView.h"
#include "gui/IMWindow.h"
#include "tests/shell/report/WorkbookReader.h"

namespace whole_run {

using Dialog = IMDialogBase<IMEmptyView>;
using Button = IMButtonBase<IMStateView>;

// The screens the shell has added to the main window in one layer, in drawing
// order; the ones on their way out are left out.
inline std::vector<Dialog*> Screens(int layer) {
    std::vector<Dialog*> screens;
    for (const Dialog::Layers* table : {&MainWindow->children, &MainWindow->pendingAdds}) {
        auto found = table->find(layer);
        if (found == table->end())
            continue;
        for (IMControl* child : found->second) {
            const auto& removals = MainWindow->removals;
            if (auto* dialog = dynamic_cast<Dialog*>(child);
                dialog && std::find(removals.begin(), removals.end(), child) == removals.end())
                screens.push_back(dialog);
        }
    }
    return screens;
}

inline Dialog* TopScreen() {
    const std::vector<Dialog*> screens = Screens(0);
    return screens.empty() ? nullptr : screens.back();
}

// The dialog's button that shows the picture in its normal state.
inline Button* ButtonOf(const Dialog* dialog, const std::wstring& picture) {
    if (dialog == nullptr)
        return nullptr;
    for (const Dialog::Layers* table : {&dialog->children, &dialog->pendingAdds})
        for (const auto& [layer, controls] : *table)
            for (IMControl* child : controls)
                if (auto* button = dynamic_cast<Button*>(child);
                    button && button->states.at(IMStateView::Normal) == picture)
                    return button;
    return nullptr;
}

// The runs of a worksheet: each run's rows up to its empty row (a run
// without one is left out).
inline std::vector<::Rows> RunsOf(const ::Rows& rows) {
    std::vector<::Rows> runs(1);
    for (const auto& row : rows) {
        if (row.empty())
            runs.emplace_back();
        else
            runs.back().push_back(row);
    }
    runs.pop_back();
    return runs;
}

// One finished game's rows: the start time, the fourteen search times
// numbered 1 … 14, the count of extra instructions and the total time, each
// with its value.
inline void ExpectOneFinishedRun(const ::Rows& run) {
    ASSERT_EQ(run.size(), 17u);
    for (const auto& row : run)
        ASSERT_EQ(row.size(), 2u) << platform::WideToUtf8(row.empty() ? L"" : row[0]);
    EXPECT_EQ(run.front().at(0), L"Время начала работы с упражнением");
    EXPECT_FALSE(run.front().at(1).empty());
    for (size_t i = 1; i <= 14; ++i) {
        EXPECT_EQ(run.at(i).at(0), L"Время поиска " + std::to_wstring(i) + L" предмета. мс.");
        EXPECT_FALSE(run.at(i).at(1).empty());
        EXPECT_EQ(run.at(i).at(1).find_first_not_of(L"0123456789"), std::wstring::npos)
            << platform::WideToUtf8(run.at(i).at(1));
    }
    EXPECT_EQ(run.at(15).at(0), L"Количество дополнительных вызовов инструкций");
    EXPECT_EQ(run.at(16).at(0), L"Общее время работы с упражнением. с.");
}

} // namespace whole_run
