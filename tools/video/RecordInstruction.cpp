// Records the instruction's demonstration from the real game screen: the game
// opens headless on the manual clock (so its spots are the same every run), the
// child's hands follow a scripted route timed to the narration's cues, and every
// frame of the 25 fps video is read back from the renderer.
//
// Usage: zeltarik_record_instruction FRAMES NAME=SECONDS...
// The cue names are HOLD, PATCH, PRESS, DIVE, RISE, BOTTOM, TAKE, JUNK. Each
// frame goes to stdout as six little-endian 32-bit integers (pointer x and y,
// button held, wheel shown, the dark patch's centre or -1, -1) followed by
// 800 x 600 RGB pixels; the asset generator adds the captions and the pointer
// and encodes the video.
#include <algorithm>
#include <cmath>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "GameWindow.h"

namespace {

constexpr int kFramePeriod = 40; // 25 frames per second
constexpr int kTick = static_cast<int>(App::kMovePeriod);
constexpr platform::Point kRestingPointer{600, 500};
// The wheel is turned with the pointer in the glass, away from the object in
// its middle, as a child's hand rests while diving.
constexpr platform::Point kDivingPointer{140, 330};
// How far to the side of the spot the boat stops first, in map pixels.
constexpr float kPatchOffset = 7;
// The captions cover the screen down to here.
constexpr int kCaptionBottom = 110;
constexpr int kBigTreasureArea = 60 * 50;

struct Segment {
    int direction;
    MapPoint end;
};

// The route as runs of one direction, each with the position where it ends.
std::vector<Segment> Runs(MapPoint start, const std::vector<int>& directions) {
    std::vector<Segment> runs;
    MapPoint p = start;
    for (int direction : directions) {
        const MapPoint step = StepOf(direction);
        p = {p.x + step.x, p.y + step.y};
        if (runs.empty() || runs.back().direction != direction)
            runs.push_back({direction, p});
        else
            runs.back().end = p;
    }
    return runs;
}

class Recorder {
public:
    Recorder(int frames, std::map<std::string, int> cues) : frames_(frames), cues_(std::move(cues)) {}

    void Run() {
        GameWindow game;
        game_ = &game;
        PlanRoute();
        pointer_ = kRestingPointer;
        game.MoveTo(pointer_.x, pointer_.y);
        std::vector<unsigned char> rgb(800 * 600 * 3);
        for (int frame = 0; frame < frames_; ++frame) {
            const int due = frame * kFramePeriod;
            while (now_ < due) {
                Step();
                game.Advance(kTick);
                now_ += kTick;
                game.Pass();
            }
            const platform::Screenshot shot = Renderer->ReadPixels();
            if (shot.width != 800 || shot.height != 600)
                throw std::runtime_error("the renderer's frame is not 800 x 600");
            for (size_t i = 0; i < shot.pixels.size(); ++i) {
                rgb[3 * i] = static_cast<unsigned char>(shot.pixels[i] >> 16);
                rgb[3 * i + 1] = static_cast<unsigned char>(shot.pixels[i] >> 8);
                rgb[3 * i + 2] = static_cast<unsigned char>(shot.pixels[i]);
            }
            // While the dark patch is spoken of, the generator rings it where it lies in the glass.
            platform::Point patch{-1, -1};
            if (now_ >= Cue("PATCH") && now_ < Cue("PATCH") + 1500) {
                const platform::Rect r = GameWindow::Picture(game.app().spots[target_].shadow).GetRect();
                patch = {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
            }
            const int32_t header[6] = {pointer_.x, pointer_.y, pressed_ ? 1 : 0, wheelShown_ ? 1 : 0,
                                       patch.x, patch.y};
            std::fwrite(header, sizeof header, 1, stdout);
            std::fwrite(rgb.data(), rgb.size(), 1, stdout);
        }
        std::fflush(stdout);
        game_ = nullptr;
    }

private:
    int Cue(const char* name) const {
        const auto it = cues_.find(name);
        if (it == cues_.end())
            throw std::runtime_error(std::string("no time for the cue ") + name);
        return it->second;
    }

    // The treasure to show: a big one whose route is nearest to three seconds
    // of sailing, long enough to watch the boat cross the map. The boat
    // first stops beside the spot, so that its dark patch shows next to the
    // boat in the glass, and sails over it while the patch is spoken of.
    void PlanRoute() {
        const GameWindow::Reach reach = game_->Explore();
        constexpr long kWantedSteps = 300;
        long bestScore = LONG_MAX;
        for (size_t i = 0; i < game_->app().spots.size(); ++i) {
            Spot beside = game_->app().spots[i];
            // Under the caption band the boat on the map would hide.
            // The last treasure shows only once every other spot is cleared.
            if (!beside.isTreasure || i + 1 == game_->app().spots.size() ||
                GameWindow::Picture(beside.marker).GetRect().top < kCaptionBottom)
                continue;
            beside.mapX += kPatchOffset;
            const MapPoint stop = game_->NearestTo(reach, beside);
            const std::vector<int> route = game_->RouteTo(reach, stop);
            // A big treasure shows best in the glass and in its bowl, beside the pointer.
            const SpotKind& kind = kSpotTable[i];
            const long small = kind.width * kind.height < kBigTreasureArea ? 100000 : 0;
            const long score = small + std::labs(static_cast<long>(route.size()) - kWantedSteps);
            if (!route.empty() && score < bestScore) {
                bestScore = score;
                target_ = static_cast<int>(i);
                runs_ = Runs(game_->Boat(), route);
                stop_ = stop;
            }
        }
        if (target_ < 0)
            throw std::runtime_error("no treasure is reachable");
        // The generator rings the light spots and the bowl while they are spoken of.
        const auto centre = [](ScenePicture* picture) {
            const platform::Rect r = GameWindow::Picture(picture).GetRect();
            return platform::Point{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
        };
        for (size_t i = 0; i < game_->app().spots.size(); ++i) {
            const platform::Point marker = centre(game_->app().spots[i].marker);
            std::fprintf(stderr, "marker %zu %d %d\n", i, marker.x, marker.y);
        }
        const Spot& target = game_->app().spots[target_];
        const platform::Point bowl = centre(target.bowlIcon);
        const platform::Rect bowlRect = GameWindow::Picture(target.bowlIcon).GetRect();
        std::fprintf(stderr, "target %d\nbowl %d %d %d\n", target_, bowl.x, bowl.y,
                     std::max(bowlRect.Width(), bowlRect.Height()) * 7 / 10);
    }

    // The rest of the way, from beside the spot to over it.
    void PlanLastLeg() {
        const GameWindow::Reach reach = game_->Explore();
        const MapPoint over = game_->NearestTo(reach, game_->app().spots[target_]);
        runs_ = Runs(game_->Boat(), game_->RouteTo(reach, over));
        run_ = 0;
    }

    // A point of the lens where the control is the topmost one, nearest to the
    // middle of all such points: where a child would click it.
    platform::Point PointOn(IMControl* control) const {
        std::vector<platform::Point> points;
        const platform::Rect lens = App::kLensRect;
        for (int y = lens.top; y < lens.bottom; y += 2)
            for (int x = lens.left; x < lens.right; x += 2)
                if (game_->TopmostAt(x, y) == control)
                    points.push_back({x, y});
        if (points.empty())
            throw std::runtime_error("the treasure is not in the glass");
        double sumX = 0;
        double sumY = 0;
        for (const platform::Point& p : points) {
            sumX += p.x;
            sumY += p.y;
        }
        const double mx = sumX / points.size();
        const double my = sumY / points.size();
        platform::Point best = points.front();
        double bestDistance = 1e300;
        for (const platform::Point& p : points) {
            const double d = (p.x - mx) * (p.x - mx) + (p.y - my) * (p.y - my);
            if (d < bestDistance) {
                bestDistance = d;
                best = p;
            }
        }
        return best;
    }

    // Moves the pointer a little way towards the point; true once it is there.
    bool Glide(platform::Point to, int speed = 12) {
        const int dx = to.x - pointer_.x;
        const int dy = to.y - pointer_.y;
        const double distance = std::hypot(dx, dy);
        if (distance <= speed) {
            pointer_ = to;
        } else {
            pointer_.x += static_cast<int>(std::lround(dx * speed / distance));
            pointer_.y += static_cast<int>(std::lround(dy * speed / distance));
        }
        game_->Display().MoveMouse(pointer_.x, pointer_.y);
        return pointer_.x == to.x && pointer_.y == to.y;
    }

    void Press(uint8_t button) {
        game_->Display().PressButton(button, pointer_.x, pointer_.y);
        pressed_ = true;
    }

    void Release(uint8_t button) {
        game_->Display().ReleaseButton(button, pointer_.x, pointer_.y);
        pressed_ = false;
    }

    // One tick of the script, before the clock moves on by a tick.
    void Step() {
        App& app = game_->app();
        const int t = now_;
        wheelShown_ = (t >= Cue("PRESS") - 300 && t < Cue("TAKE")) ||
                      (t >= Cue("JUNK") && t < Cue("JUNK") + 3000);
        if (t >= Cue("PATCH") + 1500 && !lastLeg_) {
            if (pressed_)
                Release(SDL_BUTTON_LEFT);
            PlanLastLeg();
            lastLeg_ = true;
        }
        const int legEnd = lastLeg_ ? Cue("PRESS") - 300 : Cue("PATCH");
        if (t >= Cue("HOLD") && run_ < runs_.size() && t < legEnd + 2000) {
            const Segment& run = runs_[run_];
            const platform::Point arrow = game_->ArrowPoint(run.direction);
            if (!pressed_) {
                if (Glide(arrow) && t >= waitUntil_)
                    Press(SDL_BUTTON_LEFT);
            } else if (game_->Boat() == run.end || t >= legEnd) {
                Release(SDL_BUTTON_LEFT);
                ++run_;
                // A short pause between runs lets the eye follow the hand.
                waitUntil_ = t + 400;
            }
            return;
        }
        if (t < Cue("PRESS")) {
            if (t >= Cue("HOLD"))
                Glide(kRestingPointer, 8);
            return;
        }
        if (t < Cue("TAKE")) {
            if (!Glide(kDivingPointer))
                return;
            if (!dived_) {
                game_->Display().PressButton(SDL_BUTTON_MIDDLE, pointer_.x, pointer_.y);
                game_->Display().ReleaseButton(SDL_BUTTON_MIDDLE, pointer_.x, pointer_.y);
                dived_ = true;
                return;
            }
        }
        const auto turnTowards = [&](int depth, int period) {
            if (t >= nextNotch_ && app.depth != depth) {
                game_->Display().TurnWheel(app.depth < depth ? 1.0f : -1.0f);
                nextNotch_ = t + period;
            }
        };
        if (t >= Cue("DIVE") && t < Cue("RISE")) {
            turnTowards(App::kMaxDepth, 70);
        } else if (t >= Cue("RISE") && t < Cue("BOTTOM")) {
            turnTowards(0, 70);
        } else if (t >= Cue("BOTTOM") && t < Cue("TAKE")) {
            // Turned all the way up, the boat may have surfaced: a press of the wheel dives again.
            if (!app.diving && t >= nextNotch_) {
                game_->Display().PressButton(SDL_BUTTON_MIDDLE, pointer_.x, pointer_.y);
                game_->Display().ReleaseButton(SDL_BUTTON_MIDDLE, pointer_.x, pointer_.y);
                nextNotch_ = t + 200;
                return;
            }
            turnTowards(App::kMaxDepth, 50);
        } else if (t >= Cue("TAKE") && t < Cue("JUNK")) {
            if (taken_)
                return;
            if (!clickPoint_)
                clickPoint_ = PointOn(&GameWindow::Picture(app.spots[target_].item));
            if (Glide(*clickPoint_, 6) && t >= Cue("TAKE") + 2000) {
                if (!pressed_) {
                    Press(SDL_BUTTON_LEFT);
                    clickAt_ = t;
                } else if (t >= clickAt_ + 150) {
                    Release(SDL_BUTTON_LEFT);
                    taken_ = true;
                }
            }
        } else if (t >= Cue("JUNK") + 1500 && !surfaced_) {
            if (Glide(kDivingPointer)) {
                game_->Display().PressButton(SDL_BUTTON_MIDDLE, pointer_.x, pointer_.y);
                game_->Display().ReleaseButton(SDL_BUTTON_MIDDLE, pointer_.x, pointer_.y);
                surfaced_ = true;
            }
        } else if (surfaced_ && !app.diving) {
            Glide(kRestingPointer, 8);
        }
    }

    int frames_;
    std::map<std::string, int> cues_;
    GameWindow* game_ = nullptr;
    int now_ = 0;
    int target_ = -1;
    std::vector<Segment> runs_;
    size_t run_ = 0;
    int waitUntil_ = 0;
    platform::Point pointer_{};
    bool pressed_ = false;
    bool wheelShown_ = false;
    bool dived_ = false;
    bool taken_ = false;
    bool surfaced_ = false;
    int nextNotch_ = 0;
    int clickAt_ = 0;
    bool lastLeg_ = false;
    MapPoint stop_{};
    std::optional<platform::Point> clickPoint_;
};

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s FRAMES NAME=SECONDS...\n", argv[0]);
        return 2;
    }
    try {
        std::map<std::string, int> cues;
        for (int i = 2; i < argc; ++i) {
            const std::string argument = argv[i];
            const size_t equals = argument.find('=');
            if (equals == std::string::npos)
                throw std::runtime_error("not NAME=SECONDS: " + argument);
            cues[argument.substr(0, equals)] =
                static_cast<int>(std::lround(std::stod(argument.substr(equals + 1)) * 1000));
        }
        Recorder(std::stoi(argv[1]), std::move(cues)).Run();
    } catch (const std::exception& error) {
        std::fprintf(stderr, "record_instruction: %s\n", error.what());
        return 1;
    }
    return 0;
}
