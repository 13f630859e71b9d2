// Which name a student's worksheet carries, and how the program knows the
// student again.
//
// The rule. A student is known by the name as it was typed, with a double
// quote turned into an apostrophe as in every text of the report and the
// characters an XML document cannot hold turned into "?": the student key.
// Excel and LibreOffice both show a worksheet name of at most 31 characters,
// without : \ / ? * [ ], without an apostrophe at either end, other than
// "History", and unique in the workbook whatever the letter case. A key that
// is such a name, written entirely in Windows-1251 (the report's 8-bit form)
// and not yet taken, names the worksheet as it is: exactly the worksheet that
// earlier versions of the program wrote. Any other key gets a derived name
// (characters replaced by look-alikes, cut to 31 characters, " (2)", " (3)" …
// while taken) and the worksheet's first row holds "Ученик" and the key as
// typed, so that the teacher sees whose results they are and the program finds
// them again. The key in that row keeps letters that Windows-1251 lacks, so
// that "Zoë" and "Zoé" are two students.
#pragma once

#include <string>
#include <vector>

// The label of the row that names the student in a worksheet with a derived
// name.
inline const std::wstring kStudentRowLabel = L"Ученик";

// The student key of a typed name.
std::wstring StudentKey(const std::wstring& typedName);

// True when the name may stand as a worksheet name on its own: at most 31
// characters, all of them in Windows-1251, none of them forbidden, no
// apostrophe at either end, and not "History". Uniqueness is the caller's.
bool IsPlainSheetName(const std::wstring& name);

// The name with its letters in one case, as Excel compares worksheet names:
// Latin and Cyrillic letters lower-cased, everything else as it is.
std::wstring FoldCase(const std::wstring& name);

// True when a name of `taken` equals the name in any letter case.
bool IsTakenIgnoringCase(const std::wstring& name, const std::vector<std::wstring>& taken);

// A valid worksheet name for the key that none of `taken` holds in any letter
// case.
std::wstring DeriveSheetName(const std::wstring& key, const std::vector<std::wstring>& taken);
