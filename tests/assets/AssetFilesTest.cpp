// Every asset the program embeds is present under its own name and decodes with the figures the
// code relies on.
#include "AssetDecoders.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <string>
#include <vector>

using namespace assets_test;

namespace {

struct PictureEntry {
    std::string path;
    int width;
    int height;
    bool hasAlpha;
};

void AddRange(std::vector<PictureEntry>& out, int first, int last, int w, int h) {
    for (int n = first; n <= last; ++n)
        out.push_back({"exercise/" + std::to_string(n) + ".png", w, h, true});
}

std::vector<PictureEntry> ExercisePictures() {
    std::vector<PictureEntry> entries = {
        {"exercise/101.png", 800, 600, true},
        {"exercise/114.png", 280, 280, true},
        {"exercise/115.png", 9, 17, true},
        {"exercise/116.png", 14, 35, true},
        {"exercise/117.png", 280, 280, true},
        {"exercise/118.png", 541, 352, true},
        {"exercise/119.png", 350, 350, true},
        {"exercise/120.png", 125, 109, true},
        {"exercise/121.png", 280, 280, true},
        {"exercise/122.png", 280, 280, true},
        {"exercise/123.png", 700, 700, false},
        {"exercise/184.png", 280, 280, true},
        {"exercise/185.png", 280, 280, true},
        // The six treasures at the size of their bowls.
        {"exercise/136.png", 60, 48, true},
        {"exercise/137.png", 76, 60, true},
        {"exercise/138.png", 70, 72, true},
        {"exercise/139.png", 50, 38, true},
        {"exercise/140.png", 72, 62, true},
        {"exercise/141.png", 52, 80, true},
    };
    AddRange(entries, 124, 135, 350, 350);
    // The objects in three blur levels, all levels of one object the same size.
    AddRange(entries, 142, 144, 70, 26); // plastic bottle
    AddRange(entries, 145, 147, 60, 46); // glass bottle
    AddRange(entries, 148, 150, 32, 36); // tin can
    AddRange(entries, 151, 153, 68, 32); // hammer
    AddRange(entries, 154, 156, 48, 36); // bracelet
    AddRange(entries, 157, 159, 64, 56); // crown
    AddRange(entries, 160, 162, 66, 74); // goblet
    AddRange(entries, 163, 165, 40, 28); // ring
    AddRange(entries, 166, 168, 64, 60); // chest
    AddRange(entries, 169, 171, 42, 80); // jug
    AddRange(entries, 172, 174, 56, 44); // sandals
    AddRange(entries, 175, 177, 68, 72); // pink boot
    AddRange(entries, 178, 180, 52, 68); // yellow boot
    AddRange(entries, 181, 183, 46, 46); // iron
    return entries;
}

std::vector<PictureEntry> SkinPictures() {
    std::vector<PictureEntry> entries = {
        {"DefaultBackGround", 800, 600, false},
        {"ExitButton", 21, 21, true},
        {"EscButton", 37, 25, true},
        {"F1Button", 37, 25, true},
        {"F12Button", 37, 25, true},
        {"SliderSliderVertical", 19, 10, true},
        {"SliderSliderVerticalHover", 19, 10, true},
        {"SliderSliderHorizontal", 11, 20, true},
        {"SliderSliderHorizontalHover", 11, 20, true},
        {"ScrollSlider", 16, 2, false},
        {"ScrollSliderHorizontal", 2, 16, false},
        {"ScrollBackground", 16, 16, false},
        {"ScrollButtonUp", 16, 16, true},
        {"ScrollButtonDown", 16, 16, true},
        {"CheckBoxUnchecked", 16, 16, false},
        {"CheckBoxChecked", 16, 16, false},
        {"RadioButtonUnchecked", 16, 16, true},
        {"RadioButtonChecked", 16, 16, true},
        {"CheckBoxDisUnchecked", 16, 16, false},
        {"CheckBoxDisChecked", 16, 16, false},
        {"RadioButtonDisUnchecked", 16, 16, true},
        {"RadioButtonDisChecked", 16, 16, true},
        {"EditBarBackGround", 1, 1, false},
        {"EditBarCornerLT", 8, 8, true},
        {"EditBarCornerRT", 8, 8, true},
        {"EditBarCornerLB", 8, 8, true},
        {"EditBarCornerRB", 8, 8, true},
        {"EditBarBorderL", 8, 1, true},
        {"EditBarBorderR", 8, 1, true},
        {"EditBarBorderT", 1, 8, true},
        {"EditBarBorderB", 1, 8, true},
        {"EditBarKaretka", 1, 19, false},
        {"SelectionMask", 1, 1, true},
    };
    const struct {
        const char* name;
        int width;
    } buttons[] = {
        {"PrintButton", 84},    {"SaveAsButton", 148},       {"RetryButton", 109},
        {"CloseButton", 111},   {"StartPopStartButton", 84}, {"SubmitButton", 109},
        {"OptionsButton", 109}, {"CancelButton", 111},
    };
    for (const auto& b : buttons)
        for (const char* look : {"", "Nuv", "Klick"})
            entries.push_back({std::string(b.name) + look, b.width, 47, true});
    for (auto& s : entries)
        s.path = "skin/" + s.path + ".png";
    return entries;
}

std::vector<PictureEntry> OtherPictures() {
    return {
        {"shell/KEYBOARDPIC.png", 524, 230, true}, {"shell/MOUSE.png", 246, 246, true},
        {"shell/KEYSPACE.png", 112, 14, true},     {"shell/oblako_png.png", 506, 350, true},
        {"text/marker_space.png", 3, 3, true},     {"text/marker_lineend.png", 11, 21, true},
        {"text/marker_tab.png", 10, 5, true},      {"text/marker_empty.png", 1, 1, true},
        {"icon/zeltarik.png", 256, 256, true},     {"icon/zeltarik_48.png", 48, 48, true},
    };
}

std::vector<PictureEntry> AllPictures() {
    std::vector<PictureEntry> all = ExercisePictures();
    for (auto& group : {SkinPictures(), OtherPictures()})
        all.insert(all.end(), group.begin(), group.end());
    return all;
}

struct SoundEntry {
    std::string path;
    long rate;
    double minSeconds;
    double maxSeconds;
};

const std::vector<SoundEntry> kSounds = {
    {"exercise/191.ogg", 44000, 58, 70},          {"shell/ENDHELPSOUND.ogg", 44000, 4.5, 6},
    {"shell/bravo_sound.ogg", 44100, 1.5, 2.5},   {"shell/gotovo_sound.ogg", 11025, 1.5, 2.5},
    {"shell/molodec_sound.ogg", 44100, 1.5, 2.5}, {"shell/otlichno_sound.ogg", 44100, 1.5, 2.5},
    {"shell/ura_sound.ogg", 22050, 1.5, 2.5},
};

struct VideoEntry {
    std::string path;
    int width;
    int height;
    double fps;
    double minSeconds;
    double maxSeconds;
};

const std::vector<VideoEntry> kVideos = {
    {"shell/bravo_anim.ogv", 320, 240, 12, 1, 2},   {"shell/gotovo_anim.ogv", 320, 240, 12, 1, 2},
    {"shell/molodec_anim.ogv", 320, 240, 12, 1, 2}, {"shell/otlichno_anim.ogv", 320, 240, 12, 1, 2},
    {"shell/ura_anim.ogv", 320, 240, 12, 1, 2},     {"exercise/190.ogv", 800, 600, 25, 58, 70},
};

} // namespace

TEST(AssetFiles, EveryPictureDecodesAtItsSizeAsEightBitRgb) {
    for (const auto& entry : AllPictures()) {
        SCOPED_TRACE(entry.path);
        const auto picture = ReadPng(AssetPath(entry.path));
        ASSERT_TRUE(picture.has_value()) << "missing or corrupt";
        EXPECT_EQ(picture->width, entry.width);
        EXPECT_EQ(picture->height, entry.height);
        EXPECT_EQ(picture->bitDepth, 8);
        EXPECT_TRUE(picture->isRgb);
        EXPECT_EQ(picture->hasAlpha, entry.hasAlpha);
    }
}

TEST(AssetFiles, EverySoundIsStereoVorbisAtItsRate) {
    for (const auto& entry : kSounds) {
        SCOPED_TRACE(entry.path);
        const auto sound = ReadVorbis(AssetPath(entry.path));
        ASSERT_TRUE(sound.has_value()) << "missing or corrupt";
        EXPECT_EQ(sound->channels, 2);
        EXPECT_EQ(sound->rate, entry.rate);
        EXPECT_GE(sound->seconds, entry.minSeconds);
        EXPECT_LE(sound->seconds, entry.maxSeconds);
        EXPECT_NEAR(static_cast<double>(sound->decodedFrames) / sound->rate, sound->seconds, 0.05);
    }
}

TEST(AssetFiles, EveryVideoIsTheoraAtItsSizeAndFrameRate) {
    for (const auto& entry : kVideos) {
        SCOPED_TRACE(entry.path);
        const auto video = ReadTheora(AssetPath(entry.path));
        ASSERT_TRUE(video.has_value()) << "missing or not Theora";
        EXPECT_EQ(video->width, entry.width);
        EXPECT_EQ(video->height, entry.height);
        EXPECT_DOUBLE_EQ(video->fps, entry.fps);
        EXPECT_TRUE(video->allDecoded);
        const double seconds = video->frames / video->fps;
        EXPECT_GE(seconds, entry.minSeconds);
        EXPECT_LE(seconds, entry.maxSeconds);
    }
}

TEST(AssetFiles, InstructionVideoLastsAsLongAsTheNarration) {
    const auto video = ReadTheora(AssetPath("exercise/190.ogv"));
    const auto narration = ReadVorbis(AssetPath("exercise/191.ogg"));
    ASSERT_TRUE(video && narration);
    EXPECT_NEAR(video->frames / video->fps, narration->seconds, 0.5);
}

// The build embeds every file under assets/ by its name, so a stray or misnamed
// file would become an asset nobody asks for, and a missing one a blank picture.
TEST(AssetFiles, AssetFolderHoldsExactlyTheKnownFiles) {
    std::set<std::string> expected;
    for (const auto& p : AllPictures())
        expected.insert(p.path);
    for (const auto& s : kSounds)
        expected.insert(s.path);
    for (const auto& v : kVideos)
        expected.insert(v.path);
    std::set<std::string> found;
    const std::filesystem::path root = AssetPath("");
    for (const auto& entry : std::filesystem::recursive_directory_iterator(root))
        if (entry.is_regular_file())
            found.insert(std::filesystem::relative(entry.path(), root).generic_string());
    EXPECT_EQ(found, expected);
    EXPECT_EQ(SkinPictures().size(), 57u);
}
