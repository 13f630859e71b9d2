// Arbitrary bytes as an Ogg Theora animation: the view loads them and is driven frame by frame to
// the end of the data, then rewound, as the animation control drives it.
#include "gui/IMTheoraView.h"
#include "media/IMResourceManager.h"
#include "tests/fuzz/Checksums.h"
#include "tests/fuzz/FuzzCheck.h"

#include <algorithm>
#include <climits>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <vector>

namespace {

// The instruction video, the longest the program carries, has 1629 frames of 800 × 608. Empty
// packets make frames out of single bytes, so an input could otherwise hold hours of video;
// decoding them all says nothing more about the decoder. An input is played for at most as many
// frame pixels as the instruction video has.
constexpr unsigned kMaxFrames = 2000;
constexpr uint64_t kMaxFramePixels = uint64_t{1629} * 800 * 608;

IMResourceManager& Media() {
    static IMResourceManager* media = [] {
        auto* made = new IMResourceManager;
        if (made->InitDirect3D(nullptr, true, 64, 64, 60) != 0) {
            std::fprintf(stderr, "theora fuzzer: no headless device\n");
            std::abort();
        }
        Renderer = made;
        return made;
    }();
    return *media;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    IMResourceManager& media = Media();
    const size_t namesBefore = media.textureNames.size();
    // The view reads the bytes for as long as it lives.
    std::vector<uint8_t> bytes(data, data + size);
    fuzz::FixOggChecksums(bytes);
    {
        IMTheoraView view;
        try {
            view.LoadFromMemory(bytes.data(), static_cast<int>(bytes.size()));
        } catch (const std::runtime_error&) {
            return 0;
        }
        const uint64_t pixels = uint64_t{view.stream.info.width} * view.stream.info.height;
        const unsigned frames = static_cast<unsigned>(
            std::min<uint64_t>(kMaxFrames, kMaxFramePixels / std::max<uint64_t>(pixels, 1)));
        for (unsigned frame = 0; frame < frames && static_cast<int>(frame) <= view.GetLastFrame();
             ++frame) {
            try {
                view.SetFrame(frame);
            } catch (const std::runtime_error&) {
                // A frame the decoder rejects: the control goes on with the next one.
            }
        }
        // A restart reads the stream again from its first byte.
        for (unsigned frame = 0; frame < 2; ++frame) {
            try {
                view.SetFrame(frame);
            } catch (const std::runtime_error&) {
            }
        }
    }
    fuzz::Require(media.textureNames.size() == namesBefore,
                  "the view left its frame textures behind");
    return 0;
}
