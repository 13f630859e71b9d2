// The program sets up a UTF-8 character locale itself when the environment
// has none, leaving every other category alone.
#include "platform/window/Utf8Locale.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cstdlib>
#include <langinfo.h>
#include <optional>
#include <string>

namespace {

// Restores the environment and the process locale a test changes.
class SavedLocale {
public:
    SavedLocale() {
        for (const char* name : kNames)
            if (const char* v = std::getenv(name))
                saved[Index(name)] = v;
    }
    ~SavedLocale() {
        for (const char* name : kNames) {
            if (saved[Index(name)])
                setenv(name, saved[Index(name)]->c_str(), 1);
            else
                unsetenv(name);
        }
        std::setlocale(LC_ALL, "C");
    }

private:
    static constexpr const char* kNames[] = {"LC_ALL", "LC_CTYPE", "LANG"};
    static int Index(const char* name) {
        for (int i = 0; i < 3; ++i)
            if (std::string(kNames[i]) == name)
                return i;
        return 0;
    }
    std::optional<std::string> saved[3];
};

} // namespace

TEST(Utf8LocaleTest, ALocaleWithoutUtf8IsReplacedInTheProcessAndTheEnvironment) {
    SavedLocale restore;
    setenv("LC_ALL", "C", 1);
    unsetenv("LC_CTYPE");
    setenv("LANG", "C", 1);

    const std::string chosen = platform::EnsureUtf8Locale();
    ASSERT_FALSE(chosen.empty());
    EXPECT_STREQ(nl_langinfo(CODESET), "UTF-8");
    EXPECT_EQ(std::getenv("LC_ALL"), nullptr);
    EXPECT_EQ(std::string(std::getenv("LC_CTYPE")), chosen);
    // Numbers and times keep the "C" locale.
    EXPECT_STREQ(std::setlocale(LC_NUMERIC, nullptr), "C");
    EXPECT_STREQ(std::setlocale(LC_TIME, nullptr), "C");
}

TEST(Utf8LocaleTest, AUtf8EnvironmentIsKept) {
    SavedLocale restore;
    unsetenv("LC_ALL");
    setenv("LC_CTYPE", "C.UTF-8", 1);
    EXPECT_EQ(platform::EnsureUtf8Locale(), "C.UTF-8");
    EXPECT_STREQ(std::getenv("LC_CTYPE"), "C.UTF-8");
}
