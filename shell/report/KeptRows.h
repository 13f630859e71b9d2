// Rows that no save could put into the workbook (a read-only share, a full
// disk), kept in a workbook file of their own until a teacher takes them in,
// and the line the start screen shows about them.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

struct KeptRows {
    std::wstring studentName;
    std::filesystem::path file;
};

// Where the rows of the workbook at reportFile are kept, in the order tried:
// the workbook's own folder, then the user's state folder and the machine's
// temporary folders (each with a "ZUVR" folder of the program's own).
std::vector<std::filesystem::path> KeptRowsFolders(const std::filesystem::path& reportFile);

// The kept-rows files of the title's workbook that are still there, in the
// order of the folders and, within a folder, oldest first. The next save of
// the workbook takes their rows in and removes them (ReportDocument::Save).
std::vector<KeptRows> FindKeptRows(const std::wstring& windowTitle);
// The same for the workbook at reportFile.
std::vector<KeptRows> FindKeptRowsOf(const std::filesystem::path& reportFile);

// The start screen's line about one file: "Результаты ученика «Аня» не попали
// в таблицу и сохранены в файле …".
std::wstring KeptRowsNotice(const KeptRows& kept);
