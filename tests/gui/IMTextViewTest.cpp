// The text view with real glyph pictures: keys and sharing, whitespace pictures, editing,
// restyling, labels made from text, and drawing only inside the view.
#include "GuiFixture.h"

#include "gui/IMTextView.h"

using namespace platform;

namespace {

using Label = IMStaticPictureBase<IMTextView>;

class IMTextViewTest : public GuiTest {
protected:
    Label* MakeLabel(const std::wstring& text, bool multiline = false, int width = 0) {
        auto* label = new Label(window, 0);
        label->multiline = multiline;
        label->SetRect(Rect{0, 0, width, 100});
        label->SetText(text);
        return label;
    }
    int RefCount(int index) { return Renderer->Slot(index)->refCount; }
};

TEST_F(IMTextViewTest, GlyphsOfOneCharacterAndStyleShareAPictureUnderTheirKey) {
    Label* label = MakeLabel(L"aba");
    const Glyph& a = *label->glyphs[0];
    // Face, character, size, colour and background as signed numbers, the three flags, marker.
    EXPECT_EQ(a.key, L"Ariala16-100011513775"
                     L"0");
    EXPECT_EQ(Renderer->Slot(a.textureId)->name, a.key);
    EXPECT_EQ(label->glyphs[2]->textureId, a.textureId);
    EXPECT_NE(label->glyphs[1]->textureId, a.textureId);
    EXPECT_EQ(RefCount(a.textureId), 2);
    EXPECT_EQ(label->GetText(), L"aba");

    const std::wstring plainKey = a.key;
    label->SetBold(true);
    EXPECT_EQ(label->glyphs[0]->key, L"Ariala16-110011513775"
                                     L"0");
    EXPECT_EQ(Renderer->FindTexture(plainKey), Renderer->InvalidTexture()) << "released";

    Label* other = MakeLabel(L"b");
    other->SetBold(true);
    EXPECT_EQ(other->glyphs[0]->textureId, label->glyphs[1]->textureId);
    const int b = other->glyphs[0]->textureId;
    label->SetText(L"");
    EXPECT_EQ(RefCount(b), 1);
}

TEST_F(IMTextViewTest, WhitespacePictures) {
    struct {
        bool shown;
        wchar_t character;
        int width, height;
    } cases[] = {
        {true, L' ', 3, 3},   {true, L'\t', 10, 5},  {true, L'\n', 11, 21}, {true, L'\r', 11, 21},
        {false, L'\n', 1, 1}, {false, L'\t', 4, 16}, {false, L'\r', 4, 16}, {false, L' ', 4, 16},
    };
    for (auto c : cases) {
        SCOPED_TRACE(std::to_string(c.character) + (c.shown ? " shown" : " hidden"));
        auto* label = new Label(window, 0);
        label->showWhitespace = c.shown;
        label->SetText(std::wstring(1, c.character));
        const Glyph& glyph = *label->glyphs[0];
        EXPECT_EQ(glyph.marker, c.shown);
        EXPECT_EQ(glyph.key.back(), c.shown ? L'1' : L'0');
        EXPECT_EQ(glyph.pictureWidth, c.width);
        EXPECT_EQ(glyph.pictureHeight, c.height);
        EXPECT_EQ(Renderer->Slot(glyph.textureId)->image, (Rect{0, 0, c.width, c.height}));
    }
    // A hidden tab looks like a space, under its own key.
    Label* label = MakeLabel(L" \t");
    EXPECT_NE(label->glyphs[0]->key, label->glyphs[1]->key);
    EXPECT_EQ(Renderer->GetTexturePixel(label->glyphs[1]->textureId, 1, 1), 0x00AFAFAFu);
}

TEST_F(IMTextViewTest, AfterALineFeedTheNextGlyphStartsAtItsWidth) {
    Label* label = MakeLabel(L"ab\ncd", true, 300);
    EXPECT_EQ(label->lineStarts, (std::vector<int>{0, 3}));
    EXPECT_EQ(label->glyphs[3]->rect.left, 1);
    EXPECT_EQ(label->glyphs[3]->rect.top, 16);
    EXPECT_EQ(label->GetSourceRect().bottom, 32);
}

TEST_F(IMTextViewTest, InsertAndDeleteIgnorePositionsOutsideTheText) {
    Label* label = MakeLabel(L"abc");
    const Rect extent = label->GetSourceRect();
    label->InsertText(-1, L"x");
    label->InsertText(4, L"x");
    label->DeleteText(-1, 1);
    label->DeleteText(4, 1);
    label->DeleteText(3, 1);
    EXPECT_EQ(label->GetText(), L"abc");
    EXPECT_EQ(label->GetSourceRect(), extent);

    label->InsertText(3, L"de");
    label->InsertText(0, L"_");
    EXPECT_EQ(label->GetText(), L"_abcde");
    label->DeleteText(4, 10); // stops at the end
    EXPECT_EQ(label->GetText(), L"_abc");
    EXPECT_EQ(label->GetSourceRect().right, label->glyphs[3]->rect.right);
}

TEST_F(IMTextViewTest, SetFormatRemakesThePicturesAndLaysTheTextOutAgain) {
    Label* label = MakeLabel(L"Ab");
    EXPECT_EQ(label->GetSourceRect().bottom, 16);
    const int before = label->glyphs[0]->textureId;

    label->SetFontSize(30);
    EXPECT_EQ(label->fontSize, 30);
    EXPECT_EQ(label->GetSourceRect().bottom, 30);
    EXPECT_GT(label->GetSourceRect().right, 20);
    EXPECT_EQ(label->glyphs[1]->rect.left, label->glyphs[0]->rect.right);

    label->SetColor(0xFF102030);
    EXPECT_EQ(Renderer->GetTexturePixel(label->glyphs[0]->textureId, 0, 0), 0x00AFAFAFu);
    EXPECT_EQ(label->glyphs[0]->color, 0xFF102030u);
    EXPECT_EQ(Renderer->FindTexture(L"ArialA16-100011513775"
                                    L"0"),
              Renderer->InvalidTexture());
    EXPECT_NE(label->glyphs[0]->textureId, before);

    // New text takes the view's style.
    label->InsertText(2, L"c");
    EXPECT_EQ(label->glyphs[2]->size, 30);
    EXPECT_EQ(label->glyphs[2]->color, 0xFF102030u);
}

TEST_F(IMTextViewTest, LabelsAreSizedToTheirText) {
    auto* empty = window->CreateText(10, 20, L"");
    EXPECT_EQ(empty->GetSourceRect(), Rect{});
    EXPECT_EQ(empty->GetRect(), (Rect{10, 20, 10, 20}));

    auto* label = window->CreateText(10, 20, L"Привет");
    const Rect extent = label->GetSourceRect();
    EXPECT_EQ(extent.top, 0);
    EXPECT_EQ(extent.bottom, 16);
    EXPECT_EQ(label->GetRect(), (Rect{10, 20, 10 + extent.right, 36}));
}

TEST_F(IMTextViewTest, DrawsItsLinesInsideItsRectangleOnly) {
    MakeSolidPicture(L"white", 800, 600, 0xFFFFFFFF);
    window->CreatePicture(0, 0, L"white");
    // Three lines of black blocks in a panel that shows only the middle one.
    auto* panel = CreateDialog(window, 100, 100, 200, 16);
    auto* text = new Label(panel, 0);
    text->multiline = true;
    text->SetRect(Rect{0, -16, 200, 48});
    text->SetColor(0xFF000000);
    text->SetText(L"█\n██\n███");
    Pass();
    window->RenderFrame();

    const int block = text->glyphs[0]->pictureWidth;
    auto dark = [&](int x, int y) { return ScreenAt(x, y) < 0x404040; };
    // The second line ("██") starts one pixel in, after the line feed's picture.
    EXPECT_TRUE(dark(100 + 1 + block / 2, 108));
    EXPECT_TRUE(dark(100 + 1 + block + block / 2, 108));
    EXPECT_FALSE(dark(100 + 1 + 2 * block + block / 2, 108)) << "the line has two blocks";
    EXPECT_FALSE(dark(100 + block / 2, 99)) << "the first line is clipped";
    EXPECT_FALSE(dark(100 + block / 2, 117));
    // The view restores the clip and origin it found.
    EXPECT_EQ(Renderer->originX, 0);
    EXPECT_EQ(Renderer->GetViewport(), (Rect{0, 0, 800, 600}));
}

} // namespace
