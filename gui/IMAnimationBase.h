// An animation control: plays its view's frames first … last once, at one
// frame per period, timed by the performance counter on the update ticks.
#pragma once

#include "gui/IMViewControl.h"
#include "platform/Clock.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <exception>
#include <optional>
#include <string>
#include <utility>

template <class View> class IMAnimationBase : public IMViewControl<View> {
public:
    using Dialog = IMControl::Dialog;

    IMAnimationBase(Dialog* parentDialog, int layer) : IMViewControl<View>(parentDialog, layer) {}

    // Starts from the first frame period; the frame shown changes at the
    // next update.
    virtual long Play() {
        this->Fire(OnPlay, IMEvent(this, IMEventCode::State));
        this->Fire(OnFrame, IMEvent(this, IMEventCode::State));
        playing = true;
        forward = true;
        startTime = platform::PerformanceCounter();
        periodsSeen = -1;
        return 0;
    }

    virtual long Stop() {
        playing = false;
        this->Fire(OnStop, IMEvent(this, IMEventCode::State));
        return 0;
    }

    // Loads the view's stream. A stream that cannot be read is reported on
    // stderr and the animation then ends at its first update after Play, as
    // if it had played through: whoever waits for its end (OnStop) goes on.
    template <class... Arguments> bool LoadOrEnd(Arguments&&... arguments) {
        try {
            this->LoadFromMemory(std::forward<Arguments>(arguments)...);
            return true;
        } catch (const std::exception& error) {
            EndUnplayable(error.what());
            return false;
        }
    }

    // The animation has nothing it can show (no stream, or one the decoder
    // refuses): one line on stderr, and it ends at its next update.
    void EndUnplayable(const std::string& reason) {
        std::fprintf(stderr, "animation: %s\n", reason.c_str());
        unplayable = true;
    }

    void UpdateSelf() override {
        if (!playing)
            return;
        if (unplayable) {
            Stop();
            return;
        }
        const int64_t f = PeriodsSince(platform::PerformanceCounter());
        periodsSeen = f;
        const int64_t first = this->GetFirstFrame();
        const int64_t last = this->GetLastFrame();
        const int64_t count = std::max<int64_t>(last - first + 1, 1);
        const int64_t frame = first + f % count;
        if (frame == this->GetFrame())
            return;
        if (f > last - first) {
            // Once through: stay on the last frame.
            Stop();
        } else {
            this->Fire(OnFrame, IMEvent(this, IMEventCode::State));
            // A frame the decoder refuses ends the animation here: the rest of
            // a damaged stream is not worth waiting for.
            try {
                this->SetFrame(static_cast<unsigned>(frame));
            } catch (const std::exception& error) {
                EndUnplayable(error.what());
                Stop();
            }
        }
    }

    // The start of the next frame period after the one the last update saw:
    // the frame changes (or the animation stops) exactly then.
    std::optional<int64_t> NextWakeUp() const override {
        if (!playing)
            return std::nullopt;
        if (periodsSeen < 0 || unplayable)
            return platform::PerformanceCounter();
        const int64_t first = this->GetFirstFrame();
        if (this->GetLastFrame() <= first && this->GetFrame() == first)
            return std::nullopt; // a single frame never changes or stops
        const int64_t sixtieths = (periodsSeen + 1) * Period();
        const int64_t frequency = platform::PerformanceFrequency();
        return startTime + (sixtieths * frequency + 59999) / 60000;
    }

    // Performance-counter value when play started.
    int64_t startTime = 0;
    // Frame duration in sixtieths of a millisecond: 2400 is 40 ms.
    int period = 2400;
    bool playing = false;
    // Set by EndUnplayable.
    bool unplayable = false;
    // Frames always advance from first to last.
    bool forward = true;
    IMEventSignal OnPlay;
    IMEventSignal OnStop;
    // Fired by Play and before each change of frame.
    IMEventSignal OnFrame;

private:
    int64_t Period() const { return std::max(period, 1); }
    int64_t PeriodsSince(int64_t now) const {
        const int64_t elapsed =
            (now - startTime) * 60000 / platform::PerformanceFrequency(); // sixtieths of a ms
        return std::max<int64_t>(elapsed, 0) / Period();
    }

    // Whole periods since Play at the last update; −1 until the first.
    int64_t periodsSeen = -1;
};
