// Scaling the scene into the window's own surface and handing the display only what changed.
#include "platform/graphics/ScenePresenter.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace platform {
namespace {

// a + (b − a) × weight / 256 for each of the four bytes, two of them at a time in the lanes of
// a 32-bit word: each lane's sum stays below 255 × 256, so nothing carries into its neighbour.
inline uint32_t Blend(uint32_t a, uint32_t b, uint32_t weight) {
    const uint32_t keep = 256 - weight;
    const uint32_t redBlue = ((a & 0xFF00FFu) * keep + (b & 0xFF00FFu) * weight) >> 8 & 0xFF00FFu;
    const uint32_t alphaGreen =
        (((a >> 8) & 0xFF00FFu) * keep + ((b >> 8) & 0xFF00FFu) * weight) & 0xFF00FF00u;
    return redBlue | alphaGreen;
}

const uint32_t* Row(const uint32_t* pixels, int pitch, int y) {
    return reinterpret_cast<const uint32_t*>(reinterpret_cast<const uint8_t*>(pixels) +
                                             static_cast<size_t>(y) * pitch);
}

uint32_t* Row(uint32_t* pixels, int pitch, int y) {
    return reinterpret_cast<uint32_t*>(reinterpret_cast<uint8_t*>(pixels) +
                                       static_cast<size_t>(y) * pitch);
}

bool IsPlainRgb32(const SDL_Surface* surface) {
    const Uint32 format = surface->format->format;
    return format == SDL_PIXELFORMAT_RGB888 || format == SDL_PIXELFORMAT_ARGB8888;
}

// Every presenter alive, for the window layer's position questions.
std::vector<WindowPresenter*>& Presenters() {
    static std::vector<WindowPresenter*> presenters;
    return presenters;
}

} // namespace

Rect LetterboxIn(int sceneWidth, int sceneHeight, int windowWidth, int windowHeight) {
    if (sceneWidth <= 0 || sceneHeight <= 0 || windowWidth <= 0 || windowHeight <= 0)
        return Rect{};
    // Compared in integers: a window of the scene's aspect is covered exactly.
    const int64_t across = int64_t(windowWidth) * sceneHeight;
    const int64_t down = int64_t(windowHeight) * sceneWidth;
    int width = windowWidth, height = windowHeight;
    if (across > down)
        width = static_cast<int>(int64_t(sceneWidth) * windowHeight / sceneHeight);
    else if (across < down)
        height = static_cast<int>(int64_t(sceneHeight) * windowWidth / sceneWidth);
    const int left = (windowWidth - width) / 2;
    const int top = (windowHeight - height) / 2;
    return Rect{left, top, left + width, top + height};
}

SceneScaler::SceneScaler(int sceneWidth, int sceneHeight, const Rect& area)
    : sceneWidth_(sceneWidth), sceneHeight_(sceneHeight), area_(area),
      identity_(area.Width() == sceneWidth && area.Height() == sceneHeight),
      columns_(Taps(sceneWidth, area.Width())), rows_(Taps(sceneHeight, area.Height())),
      blendedRow_(static_cast<size_t>(std::max(sceneWidth, 0)) + 1) {
    columnWeights_.reserve(columns_.size());
    for (const Tap& tap : columns_) {
        const uint64_t keep = static_cast<uint64_t>(256 - tap.weight);
        const uint64_t weight = static_cast<uint64_t>(tap.weight);
        columnWeights_.push_back(keep | keep << 16 | keep << 32 | keep << 48);
        columnWeights_.push_back(weight | weight << 16 | weight << 32 | weight << 48);
    }
}

// Target pixel d samples the scene at (d + ½) × scene / target − ½, the centres of both grids
// lined up, in 16.16 fixed point; the edges repeat the outermost pixel.
std::vector<SceneScaler::Tap> SceneScaler::Taps(int sceneSize, int targetSize) {
    std::vector<Tap> taps(static_cast<size_t>(std::max(targetSize, 0)));
    for (int d = 0; d < targetSize; ++d) {
        int64_t position = (int64_t(2 * d + 1) * sceneSize * 65536) / (int64_t(2) * targetSize) -
                           32768;
        position = std::max<int64_t>(position, 0);
        Tap tap;
        tap.index = static_cast<int>(position >> 16);
        tap.weight = static_cast<int>((position >> 8) & 0xFF);
        if (tap.index >= sceneSize - 1) {
            // The last pixel: blending it with the one before at full weight gives it alone and
            // keeps both reads inside the row.
            tap.index = std::max(sceneSize - 2, 0);
            tap.weight = sceneSize > 1 ? 256 : 0;
        }
        taps[static_cast<size_t>(d)] = tap;
    }
    return taps;
}

Rect SceneScaler::TargetRectFor(const Rect& sceneRect) const {
    if (sceneRect.IsEmpty() || columns_.empty() || rows_.empty())
        return Rect{};
    // A target pixel reads the scene pixels index and index + 1; both grow with the position.
    auto span = [](const std::vector<Tap>& taps, int first, int last, int& from, int& to) {
        auto begin = std::lower_bound(taps.begin(), taps.end(), first - 1,
                                      [](const Tap& tap, int value) { return tap.index < value; });
        auto end = std::upper_bound(taps.begin(), taps.end(), last,
                                    [](int value, const Tap& tap) { return value < tap.index; });
        from = static_cast<int>(begin - taps.begin());
        to = static_cast<int>(end - taps.begin());
    };
    int left, right, top, bottom;
    span(columns_, sceneRect.left, sceneRect.right - 1, left, right);
    span(rows_, sceneRect.top, sceneRect.bottom - 1, top, bottom);
    return IntersectRect(Rect{left, top, right, bottom}.Offset(area_.left, area_.top), area_);
}

void SceneScaler::Scale(const uint32_t* scene, int scenePitch, uint32_t* target, int targetPitch,
                        const Rect& targetRect) const {
#ifndef __SSE2__
    ScaleOneByOne(scene, scenePitch, target, targetPitch, targetRect);
#else
    const Rect r = IntersectRect(targetRect, area_);
    if (r.IsEmpty())
        return;
    if (identity_ || sceneWidth_ < 2) {
        ScaleOneByOne(scene, scenePitch, target, targetPitch, targetRect);
        return;
    }
    // Each channel becomes a 16-bit lane: a × (256 − w) + b × w stays within 255 × 256, so the
    // lanes neither overflow nor carry, and >> 8 gives exactly the one-by-one result.
    const __m128i zero = _mm_setzero_si128();
    const int firstTap = r.left - area_.left;
    const Tap* columns = columns_.data() + firstTap;
    const uint64_t* weights = columnWeights_.data() + 2 * static_cast<size_t>(firstTap);
    const int width = r.Width();
    const int firstColumn = columns[0].index;
    const int lastColumn = std::min(columns[width - 1].index + 1, sceneWidth_ - 1);
    uint32_t* blended = blendedRow_.data();
    for (int y = r.top; y < r.bottom; ++y) {
        const Tap& tap = rows_[static_cast<size_t>(y - area_.top)];
        const uint32_t* upper = Row(scene, scenePitch, tap.index);
        const uint32_t* row = upper;
        if (tap.weight != 0) {
            const uint32_t* lower =
                Row(scene, scenePitch, std::min(tap.index + 1, sceneHeight_ - 1));
            const __m128i keep = _mm_set1_epi16(static_cast<short>(256 - tap.weight));
            const __m128i weight = _mm_set1_epi16(static_cast<short>(tap.weight));
            int x = firstColumn;
            for (; x + 4 <= lastColumn + 1; x += 4) {
                const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(upper + x));
                const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(lower + x));
                const __m128i low = _mm_srli_epi16(
                    _mm_add_epi16(_mm_mullo_epi16(_mm_unpacklo_epi8(a, zero), keep),
                                  _mm_mullo_epi16(_mm_unpacklo_epi8(b, zero), weight)),
                    8);
                const __m128i high = _mm_srli_epi16(
                    _mm_add_epi16(_mm_mullo_epi16(_mm_unpackhi_epi8(a, zero), keep),
                                  _mm_mullo_epi16(_mm_unpackhi_epi8(b, zero), weight)),
                    8);
                _mm_storeu_si128(reinterpret_cast<__m128i*>(blended + x),
                                 _mm_packus_epi16(low, high));
            }
            for (; x <= lastColumn; ++x)
                blended[x] = Blend(upper[x], lower[x], static_cast<uint32_t>(tap.weight));
            row = blended;
        }
        uint32_t* out = Row(target, targetPitch, y) + r.left;
        // Across: a pixel and its right neighbour are side by side in the row, so one 64-bit
        // load brings both; two target pixels are made at a time.
        auto pair = [row](const Tap& column) {
            return _mm_unpacklo_epi8(
                _mm_loadl_epi64(reinterpret_cast<const __m128i*>(row + column.index)),
                _mm_setzero_si128());
        };
        auto weighted = [weights](int x) {
            return _mm_loadu_si128(reinterpret_cast<const __m128i*>(weights + 2 * x));
        };
        int x = 0;
        for (; x + 2 <= width; x += 2) {
            // Lanes: the left pixel's four channels times 256 − w, the right one's times w.
            const __m128i first = _mm_mullo_epi16(pair(columns[x]), weighted(x));
            const __m128i second = _mm_mullo_epi16(pair(columns[x + 1]), weighted(x + 1));
            const __m128i sums = _mm_add_epi16(_mm_unpacklo_epi64(first, second),
                                               _mm_unpackhi_epi64(first, second));
            _mm_storel_epi64(reinterpret_cast<__m128i*>(out + x),
                             _mm_packus_epi16(_mm_srli_epi16(sums, 8), zero));
        }
        for (; x < width; ++x) {
            const Tap& column = columns[x];
            out[x] = Blend(row[column.index], row[std::min(column.index + 1, sceneWidth_ - 1)],
                           static_cast<uint32_t>(column.weight));
        }
    }
#endif
}

void SceneScaler::ScaleOneByOne(const uint32_t* scene, int scenePitch, uint32_t* target, int targetPitch,
                        const Rect& targetRect) const {
    const Rect r = IntersectRect(targetRect, area_);
    if (r.IsEmpty())
        return;
    if (identity_) {
        for (int y = r.top; y < r.bottom; ++y)
            std::memcpy(Row(target, targetPitch, y) + r.left,
                        Row(scene, scenePitch, y - area_.top) + (r.left - area_.left),
                        static_cast<size_t>(r.Width()) * 4);
        return;
    }
    const Tap* columns = columns_.data() + (r.left - area_.left);
    const int width = r.Width();
    const int firstColumn = columns[0].index;
    const int lastColumn = std::min(columns[width - 1].index + 1, sceneWidth_ - 1);
    uint32_t* blended = blendedRow_.data();
    for (int y = r.top; y < r.bottom; ++y) {
        const Tap& tap = rows_[static_cast<size_t>(y - area_.top)];
        const uint32_t* upper = Row(scene, scenePitch, tap.index);
        const uint32_t* row = upper;
        // Down first, into one row of the scene's width, then across.
        if (tap.weight != 0) {
            const uint32_t* lower = Row(scene, scenePitch, std::min(tap.index + 1, sceneHeight_ - 1));
            const uint32_t weight = static_cast<uint32_t>(tap.weight);
            for (int x = firstColumn; x <= lastColumn; ++x)
                blended[x] = Blend(upper[x], lower[x], weight);
            row = blended;
        }
        uint32_t* out = Row(target, targetPitch, y) + r.left;
        for (int x = 0; x < width; ++x) {
            const Tap& column = columns[x];
            const uint32_t left = row[column.index];
            const uint32_t right = row[std::min(column.index + 1, sceneWidth_ - 1)];
            out[x] = Blend(left, right, static_cast<uint32_t>(column.weight));
        }
    }
}

void SceneScaler::TargetToScene(int x, int y, float& sceneX, float& sceneY) const {
    if (area_.IsEmpty()) {
        sceneX = static_cast<float>(x);
        sceneY = static_cast<float>(y);
        return;
    }
    sceneX = static_cast<float>(double(x - area_.left) * sceneWidth_ / area_.Width());
    sceneY = static_cast<float>(double(y - area_.top) * sceneHeight_ / area_.Height());
}

void SceneScaler::SceneToTarget(float sceneX, float sceneY, int& x, int& y) const {
    if (area_.IsEmpty() || sceneWidth_ <= 0 || sceneHeight_ <= 0) {
        x = static_cast<int>(sceneX);
        y = static_cast<int>(sceneY);
        return;
    }
    x = area_.left + static_cast<int>(double(sceneX) * area_.Width() / sceneWidth_);
    y = area_.top + static_cast<int>(double(sceneY) * area_.Height() / sceneHeight_);
}

WindowPresenter::WindowPresenter(SDL_Window* window, int sceneWidth, int sceneHeight)
    : window_(window), windowId_(SDL_GetWindowID(window)), sceneWidth_(sceneWidth),
      sceneHeight_(sceneHeight) {
    // SDL's renderer turns mouse positions into logical ones on their way into the queue; there
    // is no renderer here, so the presenter does the same.
    SDL_AddEventWatch(WatchMouse, this);
    Presenters().push_back(this);
}

WindowPresenter::~WindowPresenter() {
    SDL_DelEventWatch(WatchMouse, this);
    auto& presenters = Presenters();
    presenters.erase(std::remove(presenters.begin(), presenters.end(), this), presenters.end());
    if (converted_)
        SDL_FreeSurface(converted_);
}

WindowPresenter* WindowPresenter::ForWindow(SDL_Window* window) {
    for (WindowPresenter* presenter : Presenters())
        if (presenter->window_ == window)
            return presenter;
    return nullptr;
}

bool WindowPresenter::IsUsable() {
    return Surface() != nullptr;
}

SDL_Surface* WindowPresenter::Surface() {
    // SDL hands out the same surface until the window's size changes; then the old one is gone.
    SDL_Surface* surface = SDL_GetWindowSurface(window_);
    if (!surface || surface->format->BytesPerPixel < 1) {
        surface_ = nullptr;
        return nullptr;
    }
    if (surface != surface_ || surface->w != surfaceWidth_ || surface->h != surfaceHeight_) {
        surface_ = surface;
        surfaceWidth_ = surface->w;
        surfaceHeight_ = surface->h;
        scaler_ = SceneScaler(sceneWidth_, sceneHeight_,
                              LetterboxIn(sceneWidth_, sceneHeight_, surface->w, surface->h));
        shown_ = false;
        if (converted_) {
            SDL_FreeSurface(converted_);
            converted_ = nullptr;
        }
        if (!IsPlainRgb32(surface)) {
            converted_ = SDL_CreateRGBSurfaceWithFormat(0, surface->w, surface->h, 32,
                                                        SDL_PIXELFORMAT_ARGB8888);
            if (!converted_)
                return surface_ = nullptr;
        }
    }
    return surface_;
}

void WindowPresenter::ScaleInto(SDL_Surface* scene, SDL_Surface* target, const Rect& targetRect) {
    const bool lockTarget = SDL_MUSTLOCK(target);
    if (lockTarget && SDL_LockSurface(target) != 0)
        return;
    scaler_.Scale(static_cast<const uint32_t*>(scene->pixels), scene->pitch,
                  static_cast<uint32_t*>(target->pixels), target->pitch, targetRect);
    if (lockTarget)
        SDL_UnlockSurface(target);
}

void WindowPresenter::PresentWhole(SDL_Surface* scene) {
    SDL_Surface* window = Surface();
    if (!window || !scene)
        return;
    SDL_Surface* target = converted_ ? converted_ : window;
    const Rect area = scaler_.Area();
    // The bars beside or above and below the scene.
    const SDL_Rect bars[4] = {
        {0, 0, target->w, area.top},
        {0, area.bottom, target->w, target->h - area.bottom},
        {0, area.top, area.left, area.Height()},
        {area.right, area.top, target->w - area.right, area.Height()},
    };
    for (const SDL_Rect& bar : bars)
        if (bar.w > 0 && bar.h > 0)
            SDL_FillRect(target, &bar, SDL_MapRGB(target->format, 0, 0, 0));
    ScaleInto(scene, target, area);
    if (converted_)
        SDL_BlitSurface(converted_, nullptr, window, nullptr);
    SDL_UpdateWindowSurface(window_);
    shown_ = true;
}

void WindowPresenter::PresentChanged(SDL_Surface* scene, std::span<const Rect> changed) {
    SDL_Surface* window = Surface();
    if (!window || !scene)
        return;
    if (!shown_) {
        PresentWhole(scene);
        return;
    }
    SDL_Surface* target = converted_ ? converted_ : window;
    updates_.clear();
    for (const Rect& rect : changed) {
        const Rect t = scaler_.TargetRectFor(rect);
        if (t.IsEmpty())
            continue;
        ScaleInto(scene, target, t);
        SDL_Rect update{t.left, t.top, t.Width(), t.Height()};
        if (converted_) {
            SDL_Rect to = update;
            SDL_BlitSurface(converted_, &update, window, &to);
        }
        updates_.push_back(update);
    }
    if (!updates_.empty())
        SDL_UpdateWindowSurfaceRects(window_, updates_.data(), static_cast<int>(updates_.size()));
}

const SceneScaler& WindowPresenter::InputScaler(SceneScaler& beforeFirstPresent) const {
    if (!scaler_.Area().IsEmpty())
        return scaler_;
    // Input before the first present: the window's size tells where the scene will be.
    int w = 0, h = 0;
    SDL_GetWindowSize(window_, &w, &h);
    beforeFirstPresent =
        SceneScaler(sceneWidth_, sceneHeight_, LetterboxIn(sceneWidth_, sceneHeight_, w, h));
    return beforeFirstPresent;
}

void WindowPresenter::WindowToScene(int x, int y, float& sceneX, float& sceneY) {
    SceneScaler beforeFirstPresent;
    InputScaler(beforeFirstPresent).TargetToScene(x, y, sceneX, sceneY);
}

void WindowPresenter::SceneToWindow(float sceneX, float sceneY, int& x, int& y) {
    SceneScaler beforeFirstPresent;
    InputScaler(beforeFirstPresent).SceneToTarget(sceneX, sceneY, x, y);
}

int SDLCALL WindowPresenter::WatchMouse(void* data, SDL_Event* event) {
    // Other threads push events too (a posted message wakes the loop); only the mouse events,
    // which SDL makes on the main thread, touch the presenter.
    if (event->type != SDL_MOUSEMOTION && event->type != SDL_MOUSEBUTTONDOWN &&
        event->type != SDL_MOUSEBUTTONUP && event->type != SDL_MOUSEWHEEL)
        return 1;
    auto* presenter = static_cast<WindowPresenter*>(data);
    const Uint32 id = presenter->windowId_;
    auto toScene = [presenter](Sint32& x, Sint32& y) {
        float sceneX = 0, sceneY = 0;
        presenter->WindowToScene(x, y, sceneX, sceneY);
        x = static_cast<Sint32>(std::floor(sceneX));
        y = static_cast<Sint32>(std::floor(sceneY));
    };
    switch (event->type) {
    case SDL_MOUSEMOTION:
        if (event->motion.windowID == id) {
            toScene(event->motion.x, event->motion.y);
            const Rect area = presenter->scaler_.Area();
            if (!area.IsEmpty()) {
                event->motion.xrel = event->motion.xrel * presenter->sceneWidth_ / area.Width();
                event->motion.yrel = event->motion.yrel * presenter->sceneHeight_ / area.Height();
            }
        }
        break;
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP:
        if (event->button.windowID == id)
            toScene(event->button.x, event->button.y);
        break;
    case SDL_MOUSEWHEEL:
        if (event->wheel.windowID == id)
            toScene(event->wheel.mouseX, event->wheel.mouseY);
        break;
    default:
        break;
    }
    return 1;
}

} // namespace platform
