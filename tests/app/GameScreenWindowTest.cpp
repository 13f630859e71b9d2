// The game screen built from the real controls and pictures in a headless main
// window, played only through pointer, button and wheel events pushed into
// the window, and read back from the controls and the device's pixels.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <numbers>
#include <string>
#include <vector>

#include "DepthTable.h"
#include "GameWindow.h"
#include "platform/TextCodec.h"

namespace {

class GameWindowTest : public ::testing::Test {
protected:
    void SetUp() override { game = std::make_unique<GameWindow>(); }
    void TearDown() override { game.reset(); }

    App& app() { return game->app(); }
    GamePicture& Item(int i) { return GameWindow::Picture(app().spots[i].item); }
    GamePicture& Shadow(int i) { return GameWindow::Picture(app().spots[i].shadow); }
    GamePicture& Tile(int i) { return GameWindow::Picture(app().waterTiles[i]); }
    GamePicture& Bottom() { return GameWindow::Picture(app().lakeBottom); }
    GameRipple& Ripple() { return GameWindow::Ripple(app().ripple); }

    // The uncleared spot lying in the lens, −1 when none does.
    int SpotInLens() {
        for (int i = 0; i < static_cast<int>(app().spots.size()); ++i)
            if (!Item(i).IsHidden() && App::IsInLens(Item(i).GetRect()))
                return i;
        return -1;
    }

    int Remaining() {
        int remaining = 0;
        for (int i = 0; i < static_cast<int>(app().spots.size()); ++i)
            remaining += Item(i).IsHidden() ? 0 : 1;
        return remaining;
    }

    // Sails to the reachable position nearest to the spot and returns it.
    MapPoint SailTo(int spot) {
        const GameWindow::Reach reach = game->Explore();
        const MapPoint target = game->NearestTo(reach, app().spots[spot]);
        game->Drive(game->RouteTo(reach, target));
        return target;
    }

    // Every control of the step dialog but the lake bottom hidden, so the
    // bottom's own pixels show.
    void ShowOnlyTheBottom() {
        for (auto& [layer, controls] : game->dialog()->children)
            for (IMControl* control : controls)
                if (control != &Bottom())
                    control->Hide();
        game->Pass();
    }

    static uint32_t Alpha(uint32_t argb) { return argb >> 24; }

    std::unique_ptr<GameWindow> game;
};

TEST_F(GameWindowTest, BuildsTheScreenFromTheShippedPicturesInItsLayers) {
    ASSERT_EQ(app().gameScene, static_cast<GameScene*>(app().windowScene.get()));
    ASSERT_EQ(app().arrowButtons.size(), 8u);
    const struct {
        const wchar_t* picture;
        float angle;
    } arrows[] = {{L"117", 0},
                  {L"117", std::numbers::pi_v<float> / 2},
                  {L"117", std::numbers::pi_v<float>},
                  {L"117", 3 * std::numbers::pi_v<float> / 2},
                  {L"121", 0},
                  {L"122", 0},
                  {L"184", 0},
                  {L"185", 0}};
    for (size_t i = 0; i < 8; ++i) {
        GameArrow& arrow = GameWindow::Arrow(app().arrowButtons[i]);
        EXPECT_EQ(Renderer->Slot(arrow.textureId)->name, arrows[i].picture) << i;
        EXPECT_FLOAT_EQ(arrow.angle, arrows[i].angle) << i;
        EXPECT_EQ(arrow.GetRect(), (platform::Rect{65, 255, 345, 535})) << i;
        EXPECT_EQ(game->dialog()->FindLayer(&arrow), 101);
    }
    GameRipple& ripple = Ripple();
    EXPECT_EQ(ripple.frames.size(), 23u);
    EXPECT_EQ(ripple.frames.front(), L"124");
    EXPECT_EQ(ripple.frames[11], L"135");
    EXPECT_EQ(ripple.frames.back(), L"124");
    EXPECT_EQ(ripple.GetLastFrame(), 22);
    EXPECT_EQ(ripple.period, 4285);
    EXPECT_EQ(ripple.alphaThreshold, 256);
    EXPECT_EQ(ripple.GetRect(), (platform::Rect{40, 235, 390, 585}));
    EXPECT_TRUE(ripple.playing);
    EXPECT_EQ(game->dialog()->FindLayer(&ripple), 95);
    EXPECT_EQ(GameWindow::Picture(app().lensBoat).alphaThreshold, 256);
    EXPECT_EQ(GameWindow::Picture(app().mapBoat).GetPosition(), (platform::Point{502, 181}));
    EXPECT_EQ(game->dialog()->FindLayer(&GameWindow::Picture(app().mapBoat)), 110);
    EXPECT_EQ(Bottom().GetRect(), (platform::Rect{27, 221, 377, 571}));
    for (int i = 0; i < kSpotCount; ++i) {
        EXPECT_EQ(Item(i).alphaThreshold, 0);
        EXPECT_EQ(Renderer->Slot(Item(i).textureId)->name,
                  std::to_wstring(kSpotTable[i].levels[0]));
        EXPECT_EQ(app().spots[i].bowlIcon != nullptr, kSpotTable[i].treasure);
        if (app().spots[i].bowlIcon) {
            EXPECT_TRUE(app().spots[i].bowlIcon->IsHidden());
        }
    }
    // The ripple loops: past its 23 frames it plays again from the first.
    for (int i = 0; i < 30; ++i) {
        game->Advance(72);
        game->Pass();
    }
    EXPECT_TRUE(ripple.playing);
    EXPECT_EQ(ripple.GetFrame(), 30 % 23);
}

TEST_F(GameWindowTest, AWholeGamePlayedWithTheMouseClearsEverySpotAndReportsFourteenRows) {
    const uint32_t start = app().searchStart;
    int treasuresClicked = 0;
    int junkSurfaced = 0;
    int lastCleared = -1;
    bool lastWasTreasure = false;
    for (int dive = 0; dive < 30 && app().gameScene != nullptr; ++dive) {
        // The nearest uncleared spot.
        int next = -1;
        double nearest = 1e18;
        for (int i = 0; i < kSpotCount; ++i) {
            if (Item(i).IsHidden())
                continue;
            const double dx = app().spots[i].mapX - app().boatX;
            const double dy = app().spots[i].mapY - app().boatY;
            if (dx * dx + dy * dy < nearest) {
                nearest = dx * dx + dy * dy;
                next = i;
            }
        }
        ASSERT_GE(next, 0);
        SCOPED_TRACE("spot " + std::to_string(next));
        const MapPoint target = SailTo(next);
        ASSERT_EQ(game->Boat(), target);
        ASSERT_EQ(SpotInLens(), next);

        game->DiveTo(31);
        ASSERT_TRUE(app().diving);
        ASSERT_EQ(app().depth, 31);
        // The last treasure moves away while other spots are left, so the
        // spot under the boat may have turned into junk.
        ASSERT_EQ(SpotInLens(), next);
        if (app().spots[next].isTreasure == 1) {
            const bool last = Remaining() == 1;
            const platform::Rect rect = Item(next).GetRect();
            const int x = (rect.left + rect.right) / 2;
            const int y = (rect.top + rect.bottom) / 2;
            ASSERT_EQ(game->TopmostAt(x, y), &Item(next));
            game->Advance(1000);
            game->LeftClick(x, y);
            ++treasuresClicked;
            lastCleared = next;
            lastWasTreasure = true;
            if (last)
                break;
            EXPECT_TRUE(Item(next).IsHidden());
            EXPECT_FALSE(app().spots[next].bowlIcon->IsHidden());
            game->Surface();
        } else {
            game->Advance(1000);
            game->Surface();
            EXPECT_TRUE(Item(next).IsHidden());
            ++junkSurfaced;
            lastCleared = next;
            lastWasTreasure = false;
        }
        ASSERT_FALSE(app().diving);
        ASSERT_FALSE(GameWindow::Arrow(app().arrowButtons[0]).IsHidden());
    }
    EXPECT_EQ(treasuresClicked, 6);
    EXPECT_EQ(junkSurfaced, 8);
    EXPECT_TRUE(lastWasTreasure) << "last cleared spot " << lastCleared;

    // The game over brought the final praise over the game, which is still
    // there while the praise plays.
    const uint32_t gameOver = platform::TimeGetTime();
    EXPECT_NE(app().stepDialog, nullptr);
    for (int i = 0; i < 40 && app().stepDialog; ++i) {
        game->Advance(100);
        game->Pass();
    }
    // The praise's end closed the step dialog, which ended the game and, the
    // game being the only step, the run: its closing rows follow the game's,
    // and the results screen made the game the next step again.
    EXPECT_EQ(app().gameScene, nullptr);
    EXPECT_EQ(app().stepDialog, nullptr);
    EXPECT_TRUE(app().spots.empty());
    EXPECT_TRUE(MainWindow->timers.empty());
    EXPECT_EQ(app().currentStep, L"Dialog1");
    EXPECT_NE(game->ReportText().find(
                  platform::WideToUtf8(L"Количество дополнительных вызовов инструкций")),
              std::string::npos);

    // Fourteen rows in spot order; their times add up to the whole search.
    const std::string report = game->ReportText();
    size_t at = 0;
    long total = 0;
    for (int i = 1; i <= kSpotCount; ++i) {
        const std::string name =
            platform::WideToUtf8(L"Время поиска " + std::to_wstring(i) + L" предмета. мс.");
        const size_t found = report.find(name, at);
        ASSERT_NE(found, std::string::npos) << "row " << i;
        EXPECT_EQ(report.find(name, found + 1), std::string::npos) << "row " << i;
        const size_t number = report.find("ss:Type=\"Number\">", found);
        ASSERT_NE(number, std::string::npos);
        total += std::atol(report.c_str() + number + 17);
        at = found;
    }
    EXPECT_EQ(total, static_cast<long>(gameOver - start));
}

TEST_F(GameWindowTest, EachDepthShowsItsWaterShadowItemAndBottomOnTheControls) {
    game->MiddlePress();
    ASSERT_TRUE(app().diving);
    // Going down by wheel turns, then up by the wheel again: the table holds
    // both ways, apart from the ripple and shadows, which keep their alpha.
    for (const DepthRow& row : kDepthRows) {
        game->Wheel(row.depth - app().depth);
        SCOPED_TRACE("depth " + std::to_string(row.depth));
        ASSERT_EQ(app().depth, row.depth);
        // The surface's own look until the first wheel turn: opaque tiles and
        // shadows in their default colour.
        for (int i = 0; i < 4; ++i)
            EXPECT_EQ(Alpha(Tile(i).color), row.water);
        if (row.depth > 0) {
            EXPECT_EQ(Alpha(Ripple().color), row.ripple);
            EXPECT_EQ(Item(0).color, (row.item << 24) | 0xFFFFFF);
        } else {
            EXPECT_EQ(Item(0).color, 0xFF878787u);
        }
        for (int i = 0; i < kSpotCount; ++i)
            EXPECT_EQ(Alpha(Shadow(i).color), row.shadow);
        EXPECT_EQ(Bottom().GetRect(), row.bottom);
        EXPECT_EQ(Bottom().color, 0xFF000000u | row.grey * 0x010101u);
    }
    game->Wheel(-20);
    EXPECT_EQ(app().depth, 20);
    EXPECT_EQ(Alpha(Tile(0).color), 127u);
    EXPECT_EQ(Alpha(Shadow(0).color), 12u);
    EXPECT_EQ(Bottom().GetRect(), (platform::Rect{-60, 133, 464, 658}));
}

TEST_F(GameWindowTest, TheBottomIsDrawnHalfSizeAtTheSurfaceAndFullSizeAtDepthFortyAroundTheLens) {
    GamePicture& bottom = Bottom();
    const int picture = bottom.textureId;
    ShowOnlyTheBottom();
    const platform::Screenshot surface = Renderer->ReadPixels();
    auto black = [](const platform::Screenshot& shot, int x, int y) {
        return (shot.At(x, y) & 0xFFFFFF) == 0;
    };
    // 350 × 350 from (27, 221): the pixels just inside are the picture's,
    // those just outside the cleared black.
    for (int y : {221, 300, 396, 500, 570}) {
        EXPECT_FALSE(black(surface, 27, y)) << y;
        EXPECT_FALSE(black(surface, 376, y)) << y;
        EXPECT_TRUE(black(surface, 26, y)) << y;
        EXPECT_TRUE(black(surface, 377, y)) << y;
    }
    for (int x : {27, 202, 376}) {
        EXPECT_FALSE(black(surface, x, 221)) << x;
        EXPECT_FALSE(black(surface, x, 570)) << x;
        EXPECT_TRUE(black(surface, x, 220)) << x;
        EXPECT_TRUE(black(surface, x, 571)) << x;
    }

    game->MiddlePress();
    game->Wheel(40);
    ASSERT_EQ(app().depth, 40);
    ShowOnlyTheBottom();
    const platform::Screenshot deep = Renderer->ReadPixels();
    // At full size and full brightness every pixel is the picture's own,
    // with the picture's centre (350, 350) on (202, 396).
    for (int y = 46; y < 600; y += 7)
        for (int x = 0; x < 552; x += 7)
            ASSERT_EQ(deep.At(x, y) & 0xFFFFFF,
                      Renderer->GetTexturePixel(picture, x + 148, y - 46) & 0xFFFFFF)
                << x << ", " << y;
    EXPECT_EQ(deep.At(202, 396) & 0xFFFFFF,
              Renderer->GetTexturePixel(picture, 350, 350) & 0xFFFFFF);
    for (int x : {0, 300, 551}) {
        EXPECT_TRUE(black(deep, x, 45)) << x;
    }
    for (int y : {46, 300, 599}) {
        EXPECT_TRUE(black(deep, 552, y)) << y;
    }
}

TEST_F(GameWindowTest, AnObjectAtTheLensCentreStaysCentredWhileOneOffCentreDriftsOutwards) {
    // A spot the boat can be brought exactly over.
    const GameWindow::Reach reach = game->Explore();
    int centred = -1;
    for (int i = 0; i < kSpotCount && centred < 0; ++i) {
        const MapPoint over{static_cast<int>(app().spots[i].mapX),
                            static_cast<int>(app().spots[i].mapY)};
        if (reach.Reached(over) && reach.Reached({over.x - 3, over.y}))
            centred = i;
    }
    ASSERT_GE(centred, 0) << "no spot lies where the boat can reach";
    const Spot& spot = app().spots[centred];
    game->Drive(game->RouteTo(reach, {static_cast<int>(spot.mapX), static_cast<int>(spot.mapY)}));
    ASSERT_EQ(spot.lensX, App::kLensCentreX);
    ASSERT_EQ(spot.lensY, App::kLensCentreY);

    auto centre = [this, centred] {
        const platform::Rect rect = Item(centred).GetRect();
        return platform::Point{(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
    };
    game->MiddlePress();
    for (int d = 1; d <= 40; ++d) {
        game->Wheel(1);
        const platform::Point c = centre();
        EXPECT_LE(std::abs(c.x - App::kLensCentreX), 1) << "depth " << d;
        EXPECT_LE(std::abs(c.y - App::kLensCentreY), 1) << "depth " << d;
    }
    game->Wheel(-40);
    ASSERT_FALSE(app().diving);

    // Three map pixels to the left of it the object lies 18 lens pixels to
    // the right of the centre, and moves further right as the bottom grows.
    game->HoldArrow(270, 3);
    ASSERT_EQ(spot.lensX, App::kLensCentreX + 18);
    game->MiddlePress();
    int previous = centre().x;
    for (int d = 1; d <= 40; ++d) {
        game->Wheel(1);
        // The centre of a rectangle truncated at both ends may step back by one.
        EXPECT_GE(centre().x, previous - 1) << "depth " << d;
        EXPECT_LE(std::abs(centre().y - App::kLensCentreY), 1) << "depth " << d;
        previous = std::max(previous, centre().x);
    }
    // At full size it lies half as far out again.
    EXPECT_GE(previous, App::kLensCentreX + 18 + 8);
}

TEST_F(GameWindowTest, ABoatReleasedAwayFromTheArrowsKeepsMovingUntilAReleaseOverOne) {
    // A direction the boat can go in for a while from where it starts.
    const GameWindow::Reach reach = game->Explore();
    int direction = -1;
    for (int d : kArrowDirections) {
        const MapPoint step = StepOf(d);
        const MapPoint far{app().boatX + 12 * step.x, app().boatY + 12 * step.y};
        if (reach.Reached(far)) {
            direction = d;
            break;
        }
    }
    ASSERT_GE(direction, 0);
    const MapPoint step = StepOf(direction);
    const MapPoint start = game->Boat();
    const platform::Point arrow = game->ArrowPoint(direction);
    game->LeftPress(arrow.x, arrow.y);
    // Let go over the map, far from the arrows.
    game->LeftRelease(600, 500);
    for (int i = 0; i < 5; ++i) {
        game->Advance(10);
        game->Pass();
    }
    EXPECT_EQ(game->Boat(), (MapPoint{start.x + 5 * step.x, start.y + 5 * step.y}));
    // A release over any arrow, even another one, stops it.
    const int other = direction == 0 ? 180 : 0;
    const platform::Point stop = game->ArrowPoint(other);
    game->LeftRelease(stop.x, stop.y);
    EXPECT_EQ(app().moveTimer, -1);
    const MapPoint stopped = game->Boat();
    for (int i = 0; i < 5; ++i) {
        game->Advance(10);
        game->Pass();
    }
    EXPECT_EQ(stopped, (MapPoint{start.x + 5 * step.x, start.y + 5 * step.y}));
    EXPECT_EQ(game->Boat(), stopped);
}

TEST_F(GameWindowTest, TheWaterTilesCoverTheLensAfterLongMovesInEveryDirection) {
    const platform::Rect lens = App::kLensRect;
    auto covered = [this, &lens] {
        // Every corner and the middle of each edge lies in some tile.
        for (int x : {lens.left, (lens.left + lens.right) / 2, lens.right - 1})
            for (int y : {lens.top, (lens.top + lens.bottom) / 2, lens.bottom - 1}) {
                bool inTile = false;
                for (int i = 0; i < 4; ++i)
                    inTile = inTile || Tile(i).GetRect().Contains(x, y);
                if (!inTile)
                    return false;
            }
        return true;
    };
    for (int direction : kArrowDirections) {
        SCOPED_TRACE("direction " + std::to_string(direction));
        // From the reachable position with the longest open run that way.
        const GameWindow::Reach reach = game->Explore();
        const MapPoint step = StepOf(direction);
        MapPoint best{-1, -1};
        int bestRun = 0;
        for (int y = 0; y < reach.height; y += 3)
            for (int x = 0; x < reach.width; x += 3) {
                int run = 0;
                while (run < 180 && reach.Reached({x + (run + 1) * step.x, y + (run + 1) * step.y}))
                    ++run;
                if (reach.Reached({x, y}) && run > bestRun) {
                    bestRun = run;
                    best = {x, y};
                }
            }
        // Far enough for every tile to wrap round at least once.
        ASSERT_GE(bestRun, 175);
        game->Drive(game->RouteTo(reach, best));
        ASSERT_EQ(game->Boat(), best);
        const platform::Point arrow = game->ArrowPoint(direction);
        game->LeftPress(arrow.x, arrow.y);
        for (int i = 0; i < bestRun; ++i) {
            game->Advance(10);
            game->Pass();
            ASSERT_TRUE(covered()) << "after " << i + 1 << " steps";
        }
        game->LeftRelease(arrow.x, arrow.y);
        EXPECT_EQ(game->Boat(), (MapPoint{best.x + bestRun * step.x, best.y + bestRun * step.y}));
    }
}

TEST_F(GameWindowTest, TheWheelButtonTogglesTheDiveOnceAndTheArrowsHideUnderWater) {
    auto arrowsHidden = [this] {
        int hidden = 0;
        for (ScenePicture* arrow : app().arrowButtons)
            hidden += GameWindow::Arrow(arrow).IsHidden() ? 1 : 0;
        return hidden;
    };
    // At the surface the wheel does nothing.
    game->Wheel(3);
    EXPECT_EQ(app().depth, 0);
    EXPECT_FALSE(app().diving);

    game->MiddlePress();
    ASSERT_TRUE(app().diving);
    EXPECT_EQ(arrowsHidden(), 8);
    EXPECT_TRUE(GameWindow::Picture(app().lensBoat).IsHidden());
    // A quick second press is a double-click, which no control sees.
    game->MiddlePress(2);
    EXPECT_TRUE(app().diving);
    // Hidden arrows are not hit: a press where one was starts nothing.
    const platform::Point arrow = game->ArrowPoint(0);
    game->LeftPress(arrow.x, arrow.y);
    EXPECT_EQ(app().moveTimer, -1);
    game->LeftRelease(arrow.x, arrow.y);

    game->Wheel(5);
    EXPECT_EQ(app().depth, 5);
    game->Surface();
    EXPECT_FALSE(app().diving);
    EXPECT_EQ(app().depth, 0);
    EXPECT_EQ(arrowsHidden(), 0);
    EXPECT_FALSE(GameWindow::Picture(app().lensBoat).IsHidden());
    // Shown again, the arrows steer again.
    game->LeftPress(arrow.x, arrow.y);
    EXPECT_NE(app().moveTimer, -1);
    game->LeftRelease(arrow.x, arrow.y);
    EXPECT_EQ(app().moveTimer, -1);
}

TEST_F(GameWindowTest, ClosingTheStepDialogStopsTheBoatAndTheAscent) {
    // A boat left moving and an ascent under way when the screen goes.
    const platform::Point arrow = game->ArrowPoint(90);
    game->LeftPress(arrow.x, arrow.y);
    game->LeftRelease(600, 500);
    ASSERT_NE(app().moveTimer, -1);
    game->Pass();
    IMDialogBase<IMEmptyView>* dialog = game->dialog();
    dialog->Close(IMEvent(dialog, IMEventCode::Close));
    EXPECT_EQ(app().gameScene, nullptr);
    EXPECT_TRUE(MainWindow->timers.empty());
    // Nothing of the game fires later either.
    for (int i = 0; i < 5; ++i) {
        game->Advance(30);
        game->Pass();
    }
    EXPECT_FALSE(game->Quit());
    EXPECT_TRUE(MainWindow->timers.empty());
}

TEST_F(GameWindowTest, ClosingTheStepDialogDuringAnAscentRemovesItsTimer) {
    game->MiddlePress();
    game->Wheel(25);
    game->MiddlePress();
    ASSERT_NE(app().ascentTimer, -1);
    game->Advance(30);
    game->Pass();
    IMDialogBase<IMEmptyView>* dialog = game->dialog();
    dialog->Close(IMEvent(dialog, IMEventCode::Close));
    EXPECT_TRUE(MainWindow->timers.empty());
    EXPECT_FALSE(app().itemClickConnection.connected());
    for (int i = 0; i < 5; ++i) {
        game->Advance(30);
        game->Pass();
    }
    EXPECT_FALSE(game->Quit());
    EXPECT_TRUE(MainWindow->timers.empty());
}

} // namespace

// Sailing, turning, the ripple, diving and surfacing each redraw only what changed over the kept
// scene (the lens scene sliding under the boat, the map boat, the tiles wrapping round, the
// bottom growing), and the screen shows after each exactly what a whole frame shows, and what
// the plain whole-frame drawing shows.
TEST_F(GameWindowTest, TheScreenRedrawnWhereItChangedEqualsAWholeFrameWhileSailingAndDiving) {
    int partialFrames = 0;
    MainWindow->OnDraw.connect([&partialFrames](const IMEvent&) {
        partialFrames += MainWindow->lastFrameWhole ? 0 : 1;
        return 0L;
    });
    // The device again, drawing every frame whole as the program did before it kept the scene
    // (no kept copies of resized pictures, nothing left out under opaque ones) or as it does now.
    auto recreateDevice = [](bool wholeFrames) {
        if (wholeFrames)
            setenv("ZELTARIK_REDRAW", "whole", 1);
        else
            unsetenv("ZELTARIK_REDRAW");
        ASSERT_EQ(Renderer->InitDirect3D(Renderer->window, Renderer->windowed, Renderer->width,
                                         Renderer->height, Renderer->refreshRate),
                  0);
        unsetenv("ZELTARIK_REDRAW");
        ASSERT_EQ(Renderer->DrawsWholeFrames(), wholeFrames);
    };
    int checks = 0;
    auto expectWholeFrame = [&](const std::string& what) {
        SCOPED_TRACE(what);
        // A timer's change is drawn at the pass after the one that fired it; the clock stands
        // still, so nothing else changes meanwhile.
        game->Pass();
        const platform::Screenshot shown = Renderer->ReadPixels();
        MainWindow->SetDirty(true);
        game->Pass();
        ASSERT_TRUE(MainWindow->lastFrameWhole);
        EXPECT_TRUE(Renderer->ReadPixels().pixels == shown.pixels);
        // Every fourth time also against the plain whole frame.
        if (checks++ % 4 == 0) {
            recreateDevice(true);
            MainWindow->SetDirty(true);
            game->Pass();
            EXPECT_TRUE(Renderer->ReadPixels().pixels == shown.pixels)
                << "the plain whole frame differs";
            recreateDevice(false);
            MainWindow->SetDirty(true);
            game->Pass();
        }
    };
    game->Pass();
    for (int frame = 0; frame < 3; ++frame) {
        game->Advance(72);
        game->Pass();
        expectWholeFrame("ripple frame " + std::to_string(frame));
    }
    for (int direction : {0, 45, 90, 135, 180, 225, 270, 315}) {
        game->HoldArrow(direction, 4);
        expectWholeFrame("sailing towards " + std::to_string(direction));
    }
    game->MiddlePress();
    expectWholeFrame("the dive starting");
    for (int depth = 1; depth <= App::kMaxDepth; ++depth) {
        game->Wheel(1);
        expectWholeFrame("depth " + std::to_string(app().depth));
    }
    game->Wheel(-7);
    expectWholeFrame("back up to depth " + std::to_string(app().depth));
    game->MiddlePress();
    for (int guard = 0; app().diving && guard <= App::kMaxDepth + 2; ++guard) {
        game->Advance(static_cast<int>(App::kAscentPeriod));
        game->Pass();
        expectWholeFrame("rising at depth " + std::to_string(app().depth));
    }
    EXPECT_FALSE(app().diving);
    EXPECT_GT(partialFrames, 80);
}
