// The program's asset table holds exactly what the program asks for: every name and resource
// number it loads is found by the program's own lookups, and nothing else rides along unnoticed.
#include "gui/DefaultSkin.h"
#include "platform/TextCodec.h"
#include "platform/resources/AssetResources.h"

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <set>
#include <string>

using namespace platform;

namespace {

enum class Kind { Picture, Ogg };

// What the shell, the text view and the window load by name, besides the skin.
const std::map<std::string, Kind> kOtherNames = {
    // Instruction screen.
    {"KEYBOARDPIC", Kind::Picture},
    {"MOUSE", Kind::Picture},
    {"KEYSPACE", Kind::Picture},
    {"ENDHELPSOUND", Kind::Ogg},
    // Praise: the cloud, five words and the animation that goes with each.
    {"oblako_png", Kind::Picture},
    {"bravo_sound", Kind::Ogg},
    {"gotovo_sound", Kind::Ogg},
    {"molodec_sound", Kind::Ogg},
    {"otlichno_sound", Kind::Ogg},
    {"ura_sound", Kind::Ogg},
    {"bravo_anim", Kind::Ogg},
    {"gotovo_anim", Kind::Ogg},
    {"molodec_anim", Kind::Ogg},
    {"otlichno_anim", Kind::Ogg},
    {"ura_anim", Kind::Ogg},
    // The text view's whitespace markers.
    {"marker_space", Kind::Picture},
    {"marker_lineend", Kind::Picture},
    {"marker_tab", Kind::Picture},
    {"marker_empty", Kind::Picture},
    // The program icon, in two sizes.
    {"zeltarik", Kind::Picture},
    {"zeltarik_48", Kind::Picture},
};

// The exercise's resources: pictures 101 and 114 … 185, the instruction video 190 and its
// narration 191.
std::map<int, Kind> ExerciseNumbers() {
    std::map<int, Kind> numbers = {{101, Kind::Picture}, {190, Kind::Ogg}, {191, Kind::Ogg}};
    for (int n = 114; n <= 185; ++n)
        numbers[n] = Kind::Picture;
    return numbers;
}

bool HasKind(const AssetBytes& bytes, Kind kind) {
    const char* magic = kind == Kind::Picture ? "\x89PNG\r\n\x1a\n" : "OggS";
    const size_t length = std::strlen(magic);
    return bytes && bytes.size > length && std::memcmp(bytes.data, magic, length) == 0;
}

const EmbeddedAssetTable* ProgramTable() {
    for (const EmbeddedAssetTable* table : EmbeddedAssetTables())
        if (std::string(table->folder) == ZEL_SOURCE_DIR "/assets")
            return table;
    return nullptr;
}

} // namespace

TEST(EmbeddedAssets, TheTableHoldsExactlyTheNamesAndNumbersTheProgramLoads) {
    std::map<std::string, Kind> names = kOtherNames;
    for (const wchar_t* skin : kDefaultSkinNames)
        names.emplace(WideToUtf8(skin), Kind::Picture);
    ASSERT_EQ(names.size(), kOtherNames.size() + kDefaultSkinNames.size()) << "a name twice";
    const std::map<int, Kind> numbers = ExerciseNumbers();

    const EmbeddedAssetTable* table = ProgramTable();
    ASSERT_NE(table, nullptr) << "the program's assets are not linked in";
    std::set<std::string> tableNames;
    std::set<int> tableNumbers;
    for (size_t i = 0; i < table->count; ++i) {
        const EmbeddedAsset& asset = table->assets[i];
        if (asset.number >= 0)
            tableNumbers.insert(asset.number);
        else
            tableNames.insert(asset.name);
    }
    std::set<std::string> wantedNames;
    for (const auto& [name, kind] : names)
        wantedNames.insert(name);
    std::set<int> wantedNumbers;
    for (const auto& [number, kind] : numbers)
        wantedNumbers.insert(number);
    EXPECT_EQ(tableNames, wantedNames);
    EXPECT_EQ(tableNumbers, wantedNumbers);

    // Found the way the program finds them, and of the kind it expects.
    for (const auto& [name, kind] : names)
        EXPECT_TRUE(HasKind(FindEmbeddedAsset(std::string_view(name)), kind)) << name;
    for (const auto& [number, kind] : numbers) {
        const AssetResource resource = FindAssetResource(static_cast<uint32_t>(number));
        ASSERT_TRUE(resource) << number;
        EXPECT_EQ(resource.module->Origin(), AssetOrigin::Executable) << number;
        EXPECT_TRUE(HasKind(resource.bytes, kind)) << number;
    }
}
