// A private folder for one report test, with the shared data folder and the
// user's state folder pointed into it, so that no test ever touches the real
// home.
#pragma once

#include "platform/TextCodec.h"
#include "platform/folders/SharedFolder.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>

class ReportTestFolder {
public:
    ReportTestFolder() {
        std::string pattern = (std::filesystem::temp_directory_path() / "zel-report-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr)
            throw std::runtime_error("cannot create a test folder");
        root_ = pattern;
        // The machine-wide folder, when the package is installed, would take
        // precedence over the data home set below.
        machineFolder_.emplace(root_ / "machine");
        std::filesystem::create_directories(Data());
        Remember("XDG_DATA_HOME");
        Remember("XDG_STATE_HOME");
        Remember("HOME");
        ::setenv("XDG_DATA_HOME", Data().string().c_str(), 1);
        ::setenv("XDG_STATE_HOME", State().string().c_str(), 1);
        ::setenv("HOME", (root_ / "home").string().c_str(), 1);
    }

    ~ReportTestFolder() {
        for (const auto& [name, value] : saved_) {
            if (value)
                ::setenv(name.c_str(), value->c_str(), 1);
            else
                ::unsetenv(name.c_str());
        }
        std::error_code ignored;
        std::filesystem::remove_all(root_, ignored);
    }

    const std::filesystem::path& Root() const { return root_; }
    std::filesystem::path Data() const { return root_ / "data"; }
    std::filesystem::path Reports() const { return Data() / "ZUVR"; }
    std::filesystem::path State() const { return root_ / "state"; }

    static std::string Read(const std::filesystem::path& path) {
        std::ifstream file(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    }

    // Makes the folders on the way: a workbook put in place before the first
    // save must really be there.
    static void Write(const std::filesystem::path& path, const std::string& bytes) {
        std::error_code ignored;
        std::filesystem::create_directories(path.parent_path(), ignored);
        std::ofstream file(path, std::ios::binary);
        file << bytes;
        file.close();
        if (!file)
            ADD_FAILURE() << "cannot write " << path;
    }

private:
    void Remember(const std::string& name) {
        const char* value = std::getenv(name.c_str());
        saved_.emplace_back(name, value ? std::optional<std::string>(value) : std::nullopt);
    }

    std::filesystem::path root_;
    std::optional<platform::MachineDataFolderOverride> machineFolder_;
    std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};

// The window title, which names the workbook file.
inline const std::wstring kReportTitle = L"00517 Тренажер «Зельтарик»";

inline std::string Utf8(const std::wstring& text) {
    return platform::WideToUtf8(text);
}

// A file name as a path. On Windows a path made from a narrow string reads it
// in the system's code page, not as UTF-8, so the wide text goes in as it is.
inline std::filesystem::path PathOf(const std::wstring& name) {
#if defined(_WIN32)
    return std::filesystem::path(name);
#else
    return std::filesystem::path(Utf8(name));
#endif
}

inline std::wstring Utf8ToWideForTest(const std::filesystem::path& path) {
    return platform::Utf8ToWide(path.string());
}
