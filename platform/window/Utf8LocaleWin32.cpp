// On Windows typed text reaches SDL as UTF-16 from the system whatever the C
// runtime's locale, so there is nothing to change.
#include "platform/window/Utf8Locale.h"

#include <clocale>

namespace platform {

std::string EnsureUtf8Locale() {
    const char* current = std::setlocale(LC_CTYPE, nullptr);
    return current ? current : "C";
}

} // namespace platform
