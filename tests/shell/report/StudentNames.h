// Names children and teachers type, with the worksheet each one gets when
// they are entered in this order into one workbook.
#pragma once

#include <string>
#include <vector>

struct StudentNameCase {
    const char* what;
    std::wstring typed;
    std::wstring sheet;
    // The student row's name when the worksheet has one (its name is not the
    // typed name), else empty.
    std::wstring studentRow;
};

inline std::wstring LongName(wchar_t last) {
    std::wstring name;
    while (name.size() < 199)
        name += L"Константинопольская Александра-Виктория ";
    name.resize(199);
    return name + last;
}

inline const std::vector<StudentNameCase>& StudentNameCases() {
    static const std::vector<StudentNameCase> cases = {
        {"Cyrillic", L"Аня Петрова", L"Аня Петрова", L""},
        {"quotes", L"Маша \"Ёжик\" Ли", L"Маша 'Ёжик' Ли", L""},
        {"a quote at the end", L"Маша \"Ёж\"", L"Маша 'Ёж", L"Маша 'Ёж'"},
        {"ampersand and brackets", L"Том & Джерри <3>", L"Том & Джерри <3>", L""},
        {"200 characters", LongName(L'А'), LongName(L'А').substr(0, 31), LongName(L'А')},
        {"200 characters with the same start", LongName(L'Б'), LongName(L'Б').substr(0, 27) + L" (2)",
         LongName(L'Б')},
        {"a slash", L"Иванов/Петя", L"Иванов-Петя", L"Иванов/Петя"},
        {"every forbidden character", L"a:b\\c?d*e[f]g", L"a.b-c_d_e(f)g", L"a:b\\c?d*e[f]g"},
        {"letter case", L"Петя", L"Петя", L""},
        {"the same letters in another case", L"петя", L"петя (2)", L"петя"},
        {"letters outside Windows-1251", L"Zoë", L"Zo_", L"Zoë"},
        {"other letters outside Windows-1251", L"Zoé", L"Zo_ (2)", L"Zoé"},
        {"a control character", L"Ctrl\x01" L"A", L"Ctrl_A", L"Ctrl?A"},
        {"a reserved name", L"History", L"History (2)", L"History"},
        {"nothing but apostrophes", L"''", L"Ученик", L"''"},
        {"the name of a derived worksheet", L"Иванов-Петя", L"Иванов-Петя (2)", L"Иванов-Петя"},
    };
    return cases;
}
