// The worksheet name rule.
#include "shell/report/WorksheetNames.h"

#include "platform/TextCodec.h"

#include <algorithm>

namespace {

constexpr size_t kMaxSheetName = 31;

bool InCp1251(wchar_t unit) {
    return unit == L'?' || platform::WideCharToCp1251(unit) != '?';
}

bool IsForbidden(wchar_t unit) {
    return unit < 0x20 || unit == L':' || unit == L'\\' || unit == L'/' || unit == L'?' ||
           unit == L'*' || unit == L'[' || unit == L']';
}

// The look-alike a derived name shows for a character a worksheet name cannot
// hold.
wchar_t Replacement(wchar_t unit) {
    switch (unit) {
    case L'/':
    case L'\\':
        return L'-';
    case L':':
        return L'.';
    case L'[':
        return L'(';
    case L']':
        return L')';
    default:
        return L'_';
    }
}

void TrimApostrophes(std::wstring& name) {
    while (!name.empty() && name.back() == L'\'')
        name.pop_back();
    const size_t first = name.find_first_not_of(L'\'');
    name.erase(0, first == std::wstring::npos ? name.size() : first);
}

} // namespace

std::wstring StudentKey(const std::wstring& typedName) {
    std::wstring key;
    key.reserve(typedName.size());
    for (size_t i = 0; i < typedName.size(); ++i) {
        const wchar_t unit = typedName[i];
        const bool high = unit >= 0xD800 && unit <= 0xDBFF;
        const bool low = unit >= 0xDC00 && unit <= 0xDFFF;
        if (high && i + 1 < typedName.size() && typedName[i + 1] >= 0xDC00 &&
            typedName[i + 1] <= 0xDFFF) {
            key += unit;
            key += typedName[++i];
        } else if (high || low || unit == 0xFFFE || unit == 0xFFFF ||
                   (unit < 0x20 && unit != L'\t' && unit != L'\n' && unit != L'\r')) {
            key += L'?';
        } else {
            key += unit == L'"' ? L'\'' : unit;
        }
    }
    return key;
}

bool IsPlainSheetName(const std::wstring& name) {
    if (name.empty() || name.size() > kMaxSheetName || name.front() == L'\'' ||
        name.back() == L'\'' || FoldCase(name) == L"history")
        return false;
    return std::all_of(name.begin(), name.end(),
                       [](wchar_t unit) { return InCp1251(unit) && !IsForbidden(unit); });
}

std::wstring FoldCase(const std::wstring& name) {
    std::wstring folded = name;
    for (wchar_t& unit : folded) {
        if (unit >= L'A' && unit <= L'Z')
            unit += 0x20;
        else if (unit >= 0x0410 && unit <= 0x042F)  // А … Я
            unit += 0x20;
        else if (unit >= 0x0400 && unit <= 0x040F)  // Ѐ … Џ, Ё among them
            unit += 0x50;
        else if (unit == 0x0490)  // Ґ
            unit = 0x0491;
        else if (unit >= 0x00C0 && unit <= 0x00DE && unit != 0x00D7)  // À … Þ
            unit += 0x20;
    }
    return folded;
}

bool IsTakenIgnoringCase(const std::wstring& name, const std::vector<std::wstring>& taken) {
    const std::wstring folded = FoldCase(name);
    return std::any_of(taken.begin(), taken.end(),
                       [&](const std::wstring& other) { return FoldCase(other) == folded; });
}

std::wstring DeriveSheetName(const std::wstring& key, const std::vector<std::wstring>& taken) {
    std::wstring base;
    for (wchar_t unit : key)
        base += InCp1251(unit) && !IsForbidden(unit) ? unit : Replacement(unit);
    TrimApostrophes(base);
    if (base.empty())
        base = kStudentRowLabel;

    auto fit = [](std::wstring name, size_t room) {
        if (name.size() > room)
            name.resize(room);
        TrimApostrophes(name);
        return name;
    };
    std::wstring name = fit(base, kMaxSheetName);
    for (int counter = 2; name.empty() || IsTakenIgnoringCase(name, taken) ||
                          FoldCase(name) == L"history";
         ++counter) {
        const std::wstring suffix = L" (" + std::to_wstring(counter) + L")";
        name = fit(base, kMaxSheetName - suffix.size()) + suffix;
    }
    return name;
}
