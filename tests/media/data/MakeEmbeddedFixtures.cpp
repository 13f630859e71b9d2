// Writes the small pictures that the media tests embed as resources and named assets
// (tests/media/data/embedded/). Run it from the source folder after changing it:
//     cmake --build build --target media_test_fixtures && build/tests/media/media_test_fixtures
#include "tests/media/PictureFixtures.h"

#include <cstdio>

int main() {
    const std::string root = ZEL_TEST_DATA_DIR "/data/embedded/";
    // Resource 9001: every pixel different, half of them translucent.
    fixtures::WriteFile(root + "exercise/9001.png",
                        fixtures::EncodePng(fixtures::RgbaPicture(4, 4, [](int x, int y) {
                            uint32_t alpha = (x + y) % 2 ? 0x80u : 0xFFu;
                            return alpha << 24 | uint32_t(0x10 + 0x30 * x) << 16 |
                                   uint32_t(0x20 + 0x30 * y) << 8 | 0x40u;
                        })));
    // Resource 9002: opaque red here; the tests' container holds a different picture under it.
    fixtures::WriteFile(
        root + "exercise/9002.png",
        fixtures::EncodePng(fixtures::RgbaPicture(2, 2, [](int, int) { return 0xFFFF0000u; })));
    // A named asset.
    fixtures::WriteFile(
        root + "skin/MediaTestPicture.png",
        fixtures::EncodePng(fixtures::RgbaPicture(3, 2, [](int, int) { return 0xFF00FF00u; })));
    std::puts("written under tests/media/data/embedded/");
    return 0;
}
