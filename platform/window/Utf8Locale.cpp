// Choosing a UTF-8 character locale for the process and its input method.
#include "platform/window/Utf8Locale.h"

#include <clocale>
#include <cstdlib>
#include <cstring>
#include <langinfo.h>
#include <strings.h>
#include <vector>

namespace platform {
namespace {

bool CodesetIsUtf8() {
    const char* codeset = nl_langinfo(CODESET);
    return codeset && (strcasecmp(codeset, "UTF-8") == 0 || strcasecmp(codeset, "utf8") == 0);
}

// The locale name the environment asks for characters, by POSIX precedence.
std::string EnvironmentLocale() {
    for (const char* name : {"LC_ALL", "LC_CTYPE", "LANG"}) {
        const char* value = std::getenv(name);
        if (value && *value)
            return value;
    }
    return "";
}

} // namespace

std::string EnsureUtf8Locale() {
    if (const char* current = std::setlocale(LC_CTYPE, ""); current && CodesetIsUtf8())
        return current;

    std::vector<std::string> candidates;
    // ru_RU.CP1251@euro → ru_RU.UTF-8
    std::string language = EnvironmentLocale();
    language = language.substr(0, language.find_first_of(".@"));
    if (!language.empty() && language != "C" && language != "POSIX")
        candidates.push_back(language + ".UTF-8");
    candidates.push_back("C.UTF-8");
    candidates.push_back("en_US.UTF-8");

    for (const std::string& candidate : candidates) {
        if (std::setlocale(LC_CTYPE, candidate.c_str()) && CodesetIsUtf8()) {
            // LC_ALL overrides LC_CTYPE; it is only dropped when it names a
            // locale without UTF-8, and the categories it set fall back to
            // LANG, which the program never reads (it keeps the "C" locale).
            if (const char* all = std::getenv("LC_ALL"); all && *all)
                unsetenv("LC_ALL");
            setenv("LC_CTYPE", candidate.c_str(), 1);
            return candidate;
        }
    }
    std::setlocale(LC_CTYPE, "C");
    return "";
}

} // namespace platform
