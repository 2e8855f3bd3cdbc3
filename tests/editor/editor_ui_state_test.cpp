#include "editor/editor_ui_state.h"

#include <vector>

#include <gtest/gtest.h>

namespace pixmora::editor {
namespace {

TEST(EditorUIState, ChangingTheToolClearsTheSelectionAfterTheToolIsSet)
{
    EditorUIState state;
    state.setCurrentTool(EditorTool::select);
    state.setSelectionRect(model::PixelRect{1, 2, 3, 4});
    state.setCurrentTool(EditorTool::select);
    EXPECT_EQ(state.selectionRect(), (model::PixelRect{1, 2, 3, 4}));
    std::vector<EditorTool> toolsSeen;
    QObject::connect(&state, &EditorUIState::selectionRectChanged,
                     [&] { toolsSeen.push_back(state.currentTool()); });
    state.setCurrentTool(EditorTool::line);
    EXPECT_FALSE(state.selectionRect().has_value());
    EXPECT_EQ(toolsSeen, std::vector{EditorTool::line});
}

}  // namespace
}  // namespace pixmora::editor
