// Face files through fontconfig, which knows every installed font and always
// offers its closest match.
#include "platform/fonts/FaceFiles_c.h"

#include <fontconfig/fontconfig.h>

namespace platform {

// The file of the face fontconfig chooses for the family, weight and slant; fontconfig always
// offers its closest face, so an unknown family still finds one while any font is installed.
bool MatchFace(const std::string& family, bool bold, bool italic, FaceFile& found) {
    if (!FcInit())
        return false;
    FcPattern* pattern = FcPatternCreate();
    if (!family.empty())
        FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
    FcPatternAddInteger(pattern, FC_WEIGHT, bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
    FcPatternAddInteger(pattern, FC_SLANT, italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
    FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
    FcPatternAddBool(pattern, FC_OUTLINE, FcTrue);
    FcPatternAddString(pattern, FC_LANG, reinterpret_cast<const FcChar8*>("ru"));
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    FcPattern* match = FcFontMatch(nullptr, pattern, &result);
    FcPatternDestroy(pattern);
    if (!match)
        return false;
    FcChar8* file = nullptr;
    bool ok = FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch && file;
    if (ok) {
        found.path = reinterpret_cast<const char*>(file);
        int index = 0, weight = FC_WEIGHT_REGULAR, slant = FC_SLANT_ROMAN;
        FcPatternGetInteger(match, FC_INDEX, 0, &index);
        FcPatternGetInteger(match, FC_WEIGHT, 0, &weight);
        FcPatternGetInteger(match, FC_SLANT, 0, &slant);
        found.index = index;
        found.bold = weight >= FC_WEIGHT_DEMIBOLD;
        found.italic = slant != FC_SLANT_ROMAN;
    }
    FcPatternDestroy(match);
    return ok;
}

} // namespace platform
