// The headless game window and the child's hands on it.
#include "GameWindow.h"

#include <cstdlib>
#include <deque>
#include <limits>
#include <stdexcept>

#include "shell/report/ReportDocument.h"

namespace {

std::filesystem::path MakeFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "zel-game-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr)
        throw std::runtime_error("cannot create a test folder");
    return pattern;
}

} // namespace

MapPoint StepOf(int direction) {
    switch (direction) {
    case 0:
        return {0, -1};
    case 45:
        return {1, -1};
    case 90:
        return {1, 0};
    case 135:
        return {1, 1};
    case 180:
        return {0, 1};
    case 225:
        return {-1, 1};
    case 270:
        return {-1, 0};
    case 315:
        return {-1, -1};
    default:
        return {0, 0};
    }
}

GameWindow::GameWindow()
    : own_(std::make_unique<OwnTwins>()), display_(&own_->display), clock_(&own_->clock),
      folder_(MakeFolder()) {
    platform::ClearMessages();
    LoopStatistics() = {};
    SetIdleWait(IdleWait::UntilDue);
    app_ = App::GetApp(kWindowTitle, false);
    // A student's report on a private folder receives the game's rows.
    app_->report = new ReportDocument((folder_ / "report.xls").wstring(), L"Ученик");
    // The game opens as the shell's step sequence opens every step.
    app_->NextStep();
    dialog_ = app_->stepDialog;
    Pass();
    MoveTo(600, 500);
    FindArrowsAndMap();
}

GameWindow::GameWindow(App& app, platform::HeadlessWindow& display, platform::ManualClock& clock)
    : display_(&display), clock_(&clock), app_(&app), dialog_(app.stepDialog) {
    if (dialog_ == nullptr)
        throw std::logic_error("no step is running");
    Pass();
    MoveTo(600, 500);
    FindArrowsAndMap();
}

GameWindow::GameWindow(App& app) : app_(&app), dialog_(app.stepDialog) {
    if (dialog_ == nullptr)
        throw std::logic_error("no step is running");
    FindArrowsAndMap();
}

void GameWindow::FollowNextGame() {
    dialog_ = app_->stepDialog;
    if (dialog_ == nullptr)
        throw std::logic_error("no step is running");
    Pass();
    MoveTo(600, 500);
    FindArrowsAndMap();
}

void GameWindow::FindArrowsAndMap() {

    for (size_t i = 0; i < kArrowDirections.size(); ++i) {
        GameArrow& arrow = ArrowFor(kArrowDirections[i]);
        // The point of the arrow nearest to the middle of all its points.
        std::vector<platform::Point> points;
        const platform::Rect rect = arrow.GetRect();
        for (int y = rect.top; y < rect.bottom; y += 2)
            for (int x = rect.left; x < rect.right; x += 2)
                if (TopmostAt(x, y) == &arrow)
                    points.push_back({x, y});
        if (points.empty())
            throw std::runtime_error("an arrow is nowhere the topmost control");
        long sumX = 0;
        long sumY = 0;
        for (const platform::Point& p : points) {
            sumX += p.x;
            sumY += p.y;
        }
        const double mx = static_cast<double>(sumX) / points.size();
        const double my = static_cast<double>(sumY) / points.size();
        double best = std::numeric_limits<double>::max();
        for (const platform::Point& p : points) {
            const double d = (p.x - mx) * (p.x - mx) + (p.y - my) * (p.y - my);
            if (d < best) {
                best = d;
                arrowPoints_[i] = p;
            }
        }
    }

    const platform::Rect mask = Renderer->Slot(app_->lakeMask)->image;
    mapWidth_ = mask.Width();
    mapHeight_ = mask.Height();
    // The lake is the same in every game, and so is where the boat fits.
    if (standing_.size() != static_cast<size_t>(mapWidth_) * mapHeight_)
        standing_.assign(static_cast<size_t>(mapWidth_) * mapHeight_, 0);
}

GameWindow::~GameWindow() {
    if (!own_)
        return;
    App::ReleaseApp();
    platform::ClearMessages();
    std::error_code ignored;
    std::filesystem::remove_all(folder_, ignored);
}

bool GameWindow::Pass(int passes) {
    for (int i = 0; i < passes && !quit_; ++i)
        if (MainWindow == nullptr || !RunMessageLoopPass(*MainWindow))
            quit_ = true;
    return !quit_;
}

GamePicture& GameWindow::Picture(ScenePicture* picture) {
    return *dynamic_cast<ControlPicture<GamePicture>&>(*picture).GetControl();
}

GameArrow& GameWindow::Arrow(ScenePicture* picture) {
    return *dynamic_cast<ControlPicture<GameArrow>&>(*picture).GetControl();
}

GameRipple& GameWindow::Ripple(ScenePicture* picture) {
    return *dynamic_cast<ControlPicture<GameRipple>&>(*picture).GetControl();
}

GameArrow& GameWindow::ArrowFor(int direction) {
    for (size_t i = 0; i < kArrowDirections.size(); ++i)
        if (kArrowDirections[i] == direction)
            return Arrow(app_->arrowButtons.at(i));
    throw std::invalid_argument("no such arrow");
}

IMControl* GameWindow::TopmostAt(int x, int y) const {
    for (auto layer = dialog_->children.rbegin(); layer != dialog_->children.rend(); ++layer)
        for (auto child = layer->second.rbegin(); child != layer->second.rend(); ++child)
            if ((*child)->HitTest(x, y))
                return *child;
    return nullptr;
}

platform::Point GameWindow::ArrowPoint(int direction) const {
    for (size_t i = 0; i < kArrowDirections.size(); ++i)
        if (kArrowDirections[i] == direction)
            return arrowPoints_[i];
    throw std::invalid_argument("no such arrow");
}

void GameWindow::MoveTo(int x, int y) {
    display_->MoveMouse(x, y);
    Pass();
}

void GameWindow::LeftPress(int x, int y) {
    display_->MoveMouse(x, y);
    display_->PressButton(SDL_BUTTON_LEFT, x, y);
    Pass();
}

void GameWindow::LeftRelease(int x, int y) {
    display_->MoveMouse(x, y);
    display_->ReleaseButton(SDL_BUTTON_LEFT, x, y);
    Pass();
}

void GameWindow::LeftClick(int x, int y) {
    LeftPress(x, y);
    LeftRelease(x, y);
}

void GameWindow::MiddlePress(uint8_t clicks) {
    display_->MoveMouse(kDivingPointer.x, kDivingPointer.y);
    display_->PressButton(SDL_BUTTON_MIDDLE, kDivingPointer.x, kDivingPointer.y, clicks);
    display_->ReleaseButton(SDL_BUTTON_MIDDLE, kDivingPointer.x, kDivingPointer.y);
    Pass();
}

void GameWindow::Wheel(int notches) {
    display_->MoveMouse(kDivingPointer.x, kDivingPointer.y);
    for (int i = 0; i < std::abs(notches); ++i) {
        display_->TurnWheel(notches > 0 ? 1.0f : -1.0f);
        Pass();
    }
}

void GameWindow::HoldArrow(int direction, int steps) {
    const platform::Point p = ArrowPoint(direction);
    LeftPress(p.x, p.y);
    for (int i = 0; i < steps; ++i) {
        Advance(static_cast<int>(App::kMovePeriod));
        Pass();
    }
    LeftRelease(p.x, p.y);
}

void GameWindow::Drive(const std::vector<int>& directions) {
    // The loop draws nothing while the window is minimised; timers and input
    // go on as ever. A long voyage costs thousands of passes, and drawing
    // them is the benchmark's business, not the route's.
    display_->SendWindowEvent(SDL_WINDOWEVENT_MINIMIZED);
    Pass();
    for (size_t i = 0; i < directions.size();) {
        size_t j = i;
        while (j < directions.size() && directions[j] == directions[i])
            ++j;
        HoldArrow(directions[i], static_cast<int>(j - i));
        i = j;
    }
    display_->SendWindowEvent(SDL_WINDOWEVENT_RESTORED);
    Pass();
}

void GameWindow::DiveTo(int depth) {
    MiddlePress();
    Wheel(depth - app_->depth);
}

void GameWindow::Surface() {
    MiddlePress();
    for (int guard = 0; app_->diving && guard <= App::kMaxDepth + 2; ++guard) {
        Advance(static_cast<int>(App::kAscentPeriod));
        Pass();
    }
}

bool GameWindow::CanStand(MapPoint p) {
    if (p.x < 0 || p.y < 0 || p.x >= mapWidth_ || p.y >= mapHeight_)
        return false;
    uint8_t& known = standing_[static_cast<size_t>(p.y) * mapWidth_ + p.x];
    if (known == 0)
        known = app_->CanPlaceBoat(p.x, p.y) ? 1 : 2;
    return known == 1;
}

GameWindow::Reach GameWindow::Explore() {
    Reach reach;
    reach.width = mapWidth_;
    reach.height = mapHeight_;
    reach.via.assign(static_cast<size_t>(mapWidth_) * mapHeight_, -1);
    const MapPoint start = Boat();
    std::deque<MapPoint> queue{start};
    reach.via[reach.Index(start)] = 8; // the start itself
    while (!queue.empty()) {
        const MapPoint from = queue.front();
        queue.pop_front();
        for (size_t d = 0; d < kArrowDirections.size(); ++d) {
            const MapPoint step = StepOf(kArrowDirections[d]);
            const MapPoint to{from.x + step.x, from.y + step.y};
            if (to.x < 0 || to.y < 0 || to.x >= mapWidth_ || to.y >= mapHeight_ ||
                reach.via[reach.Index(to)] >= 0 || !CanStand(to))
                continue;
            reach.via[reach.Index(to)] = static_cast<int8_t>(d);
            queue.push_back(to);
        }
    }
    return reach;
}

std::vector<int> GameWindow::RouteTo(const Reach& reach, MapPoint target) const {
    std::vector<int> route;
    MapPoint p = target;
    while (reach.Reached(p) && reach.via[reach.Index(p)] != 8) {
        const int direction = kArrowDirections[reach.via[reach.Index(p)]];
        route.insert(route.begin(), direction);
        const MapPoint step = StepOf(direction);
        p = {p.x - step.x, p.y - step.y};
    }
    return route;
}

MapPoint GameWindow::NearestTo(const Reach& reach, const Spot& spot) const {
    MapPoint best{-1, -1};
    double bestDistance = std::numeric_limits<double>::max();
    for (int y = 0; y < reach.height; ++y)
        for (int x = 0; x < reach.width; ++x) {
            if (!reach.Reached({x, y}))
                continue;
            const double dx = x - spot.mapX;
            const double dy = y - spot.mapY;
            const double distance = dx * dx + dy * dy;
            if (distance < bestDistance) {
                bestDistance = distance;
                best = {x, y};
            }
        }
    return best;
}

std::string GameWindow::ReportText() const {
    return app_->report ? app_->report->Serialize() : std::string();
}

bool GameWindow::PlayToTheEnd() {
    auto item = [&](int i) -> GamePicture& { return Picture(app_->spots[i].item); };
    auto inLens = [&] {
        for (int i = 0; i < static_cast<int>(app_->spots.size()); ++i)
            if (!item(i).IsHidden() && App::IsInLens(item(i).GetRect()))
                return i;
        return -1;
    };
    for (int dive = 0; dive < 40 && app_->gameScene != nullptr; ++dive) {
        int next = -1;
        double nearest = std::numeric_limits<double>::max();
        for (int i = 0; i < static_cast<int>(app_->spots.size()); ++i) {
            if (item(i).IsHidden())
                continue;
            const double dx = app_->spots[i].mapX - app_->boatX;
            const double dy = app_->spots[i].mapY - app_->boatY;
            if (dx * dx + dy * dy < nearest) {
                nearest = dx * dx + dy * dy;
                next = i;
            }
        }
        // Every spot cleared: the game is over, whatever the shell shows
        // before its step closes.
        if (next < 0)
            return true;
        SailTo(NearestTo(Explore(), app_->spots[next]));
        if (inLens() != next)
            return false;
        DiveTo(31);
        Advance(1000);
        // The last treasure may have moved away meanwhile: what lies in the
        // lens now is what the child sees.
        const int seen = inLens();
        if (seen >= 0 && app_->spots[seen].isTreasure == 1) {
            const platform::Rect rect = item(seen).GetRect();
            LeftClick((rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2);
            if (app_->gameScene == nullptr)
                return true;
        }
        Surface();
    }
    return app_->gameScene == nullptr;
}
