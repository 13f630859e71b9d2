// Arbitrary bytes as a picture: the PNG decoder and its JPEG fallback through the texture
// registry on the headless device, then the picture drawn and read back.
#include "media/IMResourceManager.h"
#include "tests/fuzz/Checksums.h"
#include "tests/fuzz/FuzzCheck.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

// One media object for the whole run, as the program has: every input must leave its registry
// as it found it.
IMResourceManager& Media() {
    static IMResourceManager* media = [] {
        auto* made = new IMResourceManager;
        if (made->InitDirect3D(nullptr, true, 64, 64, 60) != 0) {
            std::fprintf(stderr, "picture fuzzer: no headless device\n");
            std::abort();
        }
        return made;
    }();
    return *media;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    IMResourceManager& media = Media();
    const uint32_t slotsBefore = media.slotCount;
    std::vector<uint8_t> bytes(data, data + size);
    if (size >= 8 && std::memcmp(data, "\x89PNG\r\n\x1a\n", 8) == 0)
        fuzz::FixPngChecksums(bytes);
    const int index = media.LoadTextureFromMemory(L"fuzz", bytes.data(), bytes.size());
    if (media.IsValidTexture(index)) {
        const TextureSlot* slot = media.Slot(index);
        const int width = slot->image.right;
        const int height = slot->image.bottom;
        fuzz::Require(width > 0 && height > 0, "a decoded picture has no pixels");
        fuzz::Require(width <= slot->textureWidth && height <= slot->textureHeight,
                      "the picture is larger than its texture");
        fuzz::Require(slot->pixels != nullptr, "a decoded picture has no pixel copy");
        media.Clear(0xFF000000);
        media.DrawTexture(index, platform::Rect{0, 0, 64, 64});
        media.ReadPixels();
        media.GetTexturePixel(index, width - 1, height - 1);
        media.ReleaseTexture(index);
    }
    fuzz::Require(media.FindTexture(L"fuzz") == media.InvalidTexture(),
                  "the picture's slot was kept");
    fuzz::Require(media.slotCount <= slotsBefore + 1, "the registry grew by more than one slot");
    return 0;
}
