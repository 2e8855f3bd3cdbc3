#include "canvas_test_support.h"

namespace pixmora::test {
namespace {

const Rows blackBlock = padded({"###.....", "###.....", "###....."});

class CanvasCommands : public CanvasFixture {
protected:
    // The black block lifted with the select tool and moved to (4, 4).
    void floatTheBlock()
    {
        setImage(blackBlock);
        state.setCurrentTool(EditorTool::select);
        state.setSelectionRect(PixelRect{0, 0, 3, 3});
        click(0, 0);
        stroke({1, 1}, {5, 5});
        ASSERT_TRUE(canvas.floatingSelection().has_value());
    }
};

TEST_F(CanvasCommands, DeleteClearsTheSelectionOnceAndCopyPadsPastTheEdge)
{
    setImage(blackBlock);
    EXPECT_TRUE(canvas.keyPress(CanvasKey::deleteSelection));
    EXPECT_EQ(document.writes, 0);
    state.setSelectionRect(PixelRect{1, 1, 9, 1});
    canvas.copy();
    EXPECT_EQ(clipboard.content, picture({"##......."}, legend));
    state.setSelectionRect(PixelRect{1, 1, 4, 4});
    EXPECT_TRUE(canvas.keyPress(CanvasKey::deleteSelection));
    EXPECT_EQ(documentRows(), padded({"###.....", "#.......", "#......."}));
    EXPECT_EQ(document.writes, 1);
}

TEST_F(CanvasCommands, CutOrDeleteOfAFloatingSelectionWritesTheHoleInOneStep)
{
    for (const bool cut : {true, false}) {
        clipboard.content.reset();
        floatTheBlock();
        if (cut) {
            canvas.cut();
            EXPECT_EQ(clipboard.content, picture({"###", "###", "###"}, legend));
        } else {
            EXPECT_TRUE(canvas.keyPress(CanvasKey::deleteSelection));
        }
        EXPECT_EQ(documentRows(), padded({}));
        EXPECT_EQ(document.writes, cut ? 1 : 2);
        EXPECT_FALSE(state.selectionRect().has_value());
    }
}

TEST_F(CanvasCommands, PasteFloatsTheWholeImageClippedRectAtTheTopLeft)
{
    document.current = PixelImage(32, 32);
    const PixelImage wide(40, 20, std::vector<RGBAColor>(800, kBlack));
    clipboard.put(wide);
    canvas.paste();
    EXPECT_EQ(state.currentTool(), EditorTool::select);
    EXPECT_EQ(state.selectionRect(), (PixelRect{0, 0, 32, 20}));
    clipboard.content.reset();
    canvas.copy();  // the whole image, not the part inside the canvas
    EXPECT_EQ(clipboard.content, wide);
    canvas.keyPress(CanvasKey::cancel);  // Escape after a paste leaves nothing
    EXPECT_FALSE(state.selectionRect().has_value());
    EXPECT_EQ(document.writes, 0);
}

TEST_F(CanvasCommands, PasteConvertsToTheColourModeAndNeedsAnImage)
{
    EXPECT_FALSE(canvas.canPaste());
    const RGBAColor dark{20, 30, 40, 255};
    const RGBAColor light{220, 230, 240, 255};
    const struct {
        model::ColorMode mode;
        std::vector<RGBAColor> given, expected;
    } rows[] = {{model::ColorMode::twoColor, {dark, light}, {kBlack, kClear}},
                {model::ColorMode::twoColor,
                 {light, {220, 230, 240, 128}, {20, 30, 40, 127}},
                 {kBlack, kBlack, kClear}},
                {model::ColorMode::webSafe256,
                 {{250, 5, 5, 255}, {10, 10, 10, 100}},
                 {kRed, kClear}}};
    for (const auto& row : rows) {
        canvas.setColorMode(row.mode);
        clipboard.put(PixelImage(std::ssize(row.given), 1, row.given));
        canvas.paste();
        EXPECT_EQ(canvas.floatingSelection()->image.pixels, row.expected);
    }
}

TEST_F(CanvasCommands, OutsideChangeDropsAFloatingSelectionAndAShapeDrag)
{
    floatTheBlock();
    PixelImage undone(8, 8);
    undone.at(7, 0) = kRed;
    document.changeFromOutside(undone);
    EXPECT_FALSE(canvas.floatingSelection().has_value());
    EXPECT_EQ(*canvas.displayedImage(), undone);
    canvas.keyPress(CanvasKey::commit);
    state.setCurrentTool(EditorTool::rectangle);
    press(0, 0);
    drag(4, 4);
    document.changeFromOutside(picture(blackBlock, legend));
    EXPECT_FALSE(canvas.shapeDragState().has_value());
    drag(5, 5);
    release(5, 5);
    EXPECT_EQ(document.writes, 0);
    EXPECT_EQ(document.current, picture(blackBlock, legend));
}

TEST_F(CanvasCommands, APendingFloatingSelectionIsCommittedByTheWindowOrTheNextPaste)
{
    canvas.commitPendingFloatingSelection();
    EXPECT_EQ(document.writes, 0);
    clipboard.put(PixelImage(1, 1, {kRed}));
    canvas.paste();
    canvas.commitPendingFloatingSelection();
    EXPECT_EQ(document.current.at(0, 0), kRed);
    EXPECT_FALSE(canvas.floatingSelection().has_value());
    canvas.paste();
    stroke({0, 0}, {4, 4});
    canvas.paste();
    EXPECT_EQ(document.writes, 2);
    EXPECT_EQ(document.current.at(4, 4), kRed);
    // The new paste survives the notice of that write.
    ASSERT_TRUE(canvas.floatingSelection().has_value());
}

}  // namespace
}  // namespace pixmora::test
