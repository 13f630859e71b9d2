// Sets up a UTF-8 character locale for the process, which X input methods need
// to deliver typed non-Latin text.
#pragma once

#include <string>

namespace platform {

// Keeps the environment's character locale when it is UTF-8; otherwise picks
// a UTF-8 locale that exists (the environment's language in UTF-8, then
// C.UTF-8) for LC_CTYPE, and puts it into the environment too, because SDL
// opens its input method under the environment's locale. Only the character
// category changes: times and numbers stay in the "C" locale. Returns the
// locale now in effect for LC_CTYPE, or "" when no UTF-8 locale exists.
std::string EnsureUtf8Locale();

} // namespace platform
