#include "editor/editor_ui_state.h"

#include <vector>

#include <gtest/gtest.h>

namespace pixmora::editor {
namespace {

using model::PixelRect;
using model::RGBAColor;

TEST(EditorUIState, EveryAssignmentIsAnnouncedEvenWithoutChange)
{
    EditorUIState state;
    int changes = 0;
    int colourChanges = 0;
    int zoomChanges = 0;
    QObject::connect(&state, &EditorUIState::changed, [&] { ++changes; });
    QObject::connect(&state, &EditorUIState::currentColorChanged, [&] { ++colourChanges; });
    QObject::connect(&state, &EditorUIState::mainZoomChanged, [&] { ++zoomChanges; });
    state.setCurrentColor(state.currentColor());
    state.setCurrentColor(RGBAColor{1, 2, 3, 255});
    state.setMainZoom(16.0);
    EXPECT_EQ(colourChanges, 2);
    EXPECT_EQ(zoomChanges, 1);
    EXPECT_EQ(changes, 3);
}

TEST(EditorUIState, ChangingTheToolClearsTheSelectionAfterTheToolIsSet)
{
    EditorUIState state;
    state.setCurrentTool(EditorTool::select);
    state.setSelectionRect(PixelRect{1, 2, 3, 4});
    state.setCurrentTool(EditorTool::select);
    EXPECT_EQ(state.selectionRect(), (PixelRect{1, 2, 3, 4}));
    std::vector<EditorTool> toolsSeen;
    QObject::connect(&state, &EditorUIState::selectionRectChanged,
                     [&] { toolsSeen.push_back(state.currentTool()); });
    state.setCurrentTool(EditorTool::line);
    EXPECT_FALSE(state.selectionRect().has_value());
    EXPECT_EQ(toolsSeen, std::vector{EditorTool::line});
}

}  // namespace
}  // namespace pixmora::editor
