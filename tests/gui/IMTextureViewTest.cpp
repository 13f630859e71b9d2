// Picture views: references, the pixel-precise hit test under rotation and
// tint, moving without needless redraws, and clipped drawing in a dialog.
#include "GuiFixture.h"

#include "gui/IMTextureView.h"

#include <cmath>
#include <memory>
#include <numbers>

using namespace platform;

using IMTextureViewTest = GuiTest;

TEST_F(IMTextureViewTest, AViewHoldsOneReferenceToItsPicture) {
    const int a = MakeSolidPicture(L"a", 4, 4, 0xFFFFFFFF);
    const int b = MakeSolidPicture(L"b", 8, 2, 0xFFFFFFFF);
    auto refs = [](int index) { return Renderer->Slot(index)->refCount; };

    auto* picture = window->CreatePicture(0, 0, L"a");
    EXPECT_EQ(refs(a), 2);
    picture->SetTexture(L"a");
    EXPECT_EQ(refs(a), 2);
    picture->SetTexture(L"b");
    EXPECT_EQ(refs(a), 1);
    EXPECT_EQ(refs(b), 2);
    EXPECT_EQ(picture->GetSourceRect(), (Rect{0, 0, 8, 2}));

    // A picture that cannot be found leaves the view without one.
    picture->SetTexture(L"no such picture.png");
    EXPECT_FALSE(picture->hasTexture);
    EXPECT_EQ(refs(b), 1);
    EXPECT_EQ(picture->GetSourceRect(), Rect{});
    const int c = MakeSolidPicture(L"c", 2, 2, 0xFFFFFFFF);
    EXPECT_EQ(refs(c), 1);

    picture->SetTextureIndex(b);
    EXPECT_EQ(refs(b), 2);
    picture->Close(IMEvent(nullptr, IMEventCode::Close));
    Pass();
    EXPECT_EQ(refs(b), 1);
}

TEST_F(IMTextureViewTest, ARotatedPictureIsHitOnlyWhereItsTurnedOpaquePixelsAre) {
    // 40 × 20, opaque in its top half only.
    MakePicture(L"half", 40, 20, [](int, int y) { return y < 10 ? 0xFF00FF00u : 0x0000FF00u; });
    auto* picture = window->CreatePicture(100, 100, L"half");
    struct Case {
        float angle;
        int x, y;
        bool hit;
    } cases[] = {
        {0, 110, 105, true},
        {0, 110, 115, false},
        {std::numbers::pi_v<float>, 110, 105, false},
        {std::numbers::pi_v<float>, 110, 115, true},
        // A quarter turn clockwise puts the opaque half on the right,
        // partly outside the upright rectangle.
        {std::numbers::pi_v<float> / 2, 125, 95, true},
        {std::numbers::pi_v<float> / 2, 125, 92, true},
        {std::numbers::pi_v<float> / 2, 115, 95, false},
        {std::numbers::pi_v<float> / 2, 105, 105, false},
    };
    for (const Case& c : cases) {
        picture->angle = c.angle;
        EXPECT_EQ(picture->HitTest(c.x, c.y), c.hit) << c.angle << " at " << c.x << ", " << c.y;
    }
}

TEST_F(IMTextureViewTest, TheColoursAlphaScalesThePixelsAlphaInWholeSteps) {
    MakeSolidPicture(L"opaque", 10, 10, 0xFF123456);
    MakeSolidPicture(L"half", 10, 10, 0x80123456);
    auto* opaque = window->CreatePicture(0, 0, L"opaque");
    auto* half = window->CreatePicture(20, 0, L"half");
    struct Case {
        IMStaticPictureBase<IMTextureView>* picture;
        uint32_t color;
        int threshold;
        bool hit;
    } cases[] = {
        {opaque, 0xFFFFFFFF, 255, true},  {opaque, 0xFEFFFFFF, 255, false},
        {opaque, 0x10FFFFFF, 0, true},    {opaque, 0xFF000000, 255, true},
        {opaque, 0xFFFFFFFF, 256, false}, {half, 0xFFFFFFFF, 255, false},
        {half, 0xFFFFFFFF, 128, true},    {half, 0xFFFFFFFF, 129, false},
    };
    for (const Case& c : cases) {
        c.picture->color = c.color;
        c.picture->alphaThreshold = c.threshold;
        const Rect r = c.picture->GetRect();
        EXPECT_EQ(c.picture->HitTest(r.left + 5, r.top + 5), c.hit)
            << std::hex << c.color << std::dec << " threshold " << c.threshold;
    }
    half->Hide();
    EXPECT_FALSE(half->HitTest(25, 5));
}

TEST_F(IMTextureViewTest, MovingKeepsTheSizeAndAnUnchangedRectangleDoesNotDirty) {
    MakeSolidPicture(L"p", 20, 10, 0xFFFFFFFF);
    auto* picture = window->CreatePicture(30, 40, L"p");
    Log(picture->OnDirty, "dirty");
    Pass();
    ASSERT_FALSE(picture->IsDirty());

    picture->SetPosition(30, 40);
    picture->SetRect({30, 40, 50, 50});
    picture->SetSourceRect({0, 0, 20, 10});
    picture->SetTexture(L"p");
    EXPECT_TRUE(log.empty());
    EXPECT_FALSE(window->IsDirty());

    picture->SetPosition(Point{5, 6});
    EXPECT_EQ(picture->GetRect(), (Rect{5, 6, 25, 16}));
    EXPECT_EQ(log, std::vector<std::string>{"dirty 0"});
    EXPECT_TRUE(window->IsDirty());
    picture->SetSize(4, 3);
    EXPECT_EQ(picture->GetRect(), (Rect{5, 6, 9, 9}));
}

TEST_F(IMTextureViewTest, ADialogClipsItsChildrenAndPlacesThemFromItsCorner) {
    MakeSolidPicture(L"red", 100, 100, 0xFFFF0000);
    MakeSolidPicture(L"green", 10, 10, 0xFF00FF00);
    auto* dialog = CreateDialog(window, 100, 100, 50, 50);
    dialog->CreatePicture(-10, -10, L"red");
    window->CreatePicture(300, 300, L"green", 1);
    Pass();
    EXPECT_EQ(ScreenAt(100, 100), 0xFF0000u);
    EXPECT_EQ(ScreenAt(149, 149), 0xFF0000u);
    EXPECT_EQ(ScreenAt(99, 120), 0x000000u);
    EXPECT_EQ(ScreenAt(150, 120), 0x000000u);
    EXPECT_EQ(ScreenAt(120, 150), 0x000000u);
    // The viewport and origin are back for whatever draws after the dialog.
    EXPECT_EQ(ScreenAt(305, 305), 0x00FF00u);
    EXPECT_EQ(Renderer->originX, 0);
    EXPECT_EQ(Renderer->GetViewport(), (Rect{0, 0, 800, 600}));
}
