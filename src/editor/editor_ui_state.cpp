#include "editor/editor_ui_state.h"

namespace pixmora::editor {

namespace {

// Every field announces itself, then the whole state, on every assignment.
template <typename T>
void assign(EditorUIState* state, T& field, T value, void (EditorUIState::*fieldChanged)(T))
{
    field = value;
    emit (state->*fieldChanged)(value);
    emit state->changed();
}

}  // namespace

EditorUIState::EditorUIState(QObject* parent) : QObject(parent) {}

void EditorUIState::setCurrentTool(EditorTool tool)
{
    const EditorTool previous = m_currentTool;
    m_currentTool = tool;
    // Stored first, so whoever hears about the cleared selection already sees the new tool.
    if (tool != previous) {
        setSelectionRect(std::nullopt);
    }
    emit currentToolChanged(tool);
    emit changed();
}

void EditorUIState::setCurrentColor(model::RGBAColor color)
{
    assign(this, m_currentColor, color, &EditorUIState::currentColorChanged);
}

void EditorUIState::setSecondaryColor(model::RGBAColor color)
{
    assign(this, m_secondaryColor, color, &EditorUIState::secondaryColorChanged);
}

void EditorUIState::setSelectionRect(std::optional<model::PixelRect> rect)
{
    assign(this, m_selectionRect, rect, &EditorUIState::selectionRectChanged);
}

void EditorUIState::setShapeStrokeEnabled(bool enabled)
{
    assign(this, m_shapeStrokeEnabled, enabled, &EditorUIState::shapeStrokeEnabledChanged);
}

void EditorUIState::setShapeFillEnabled(bool enabled)
{
    assign(this, m_shapeFillEnabled, enabled, &EditorUIState::shapeFillEnabledChanged);
}

void EditorUIState::setMainZoom(double zoom)
{
    assign(this, m_mainZoom, zoom, &EditorUIState::mainZoomChanged);
}

void EditorUIState::setPreviewZoom(double zoom)
{
    assign(this, m_previewZoom, zoom, &EditorUIState::previewZoomChanged);
}

void EditorUIState::setCheckerLightColor(model::RGBAColor color)
{
    assign(this, m_checkerLightColor, color, &EditorUIState::checkerLightColorChanged);
}

void EditorUIState::setCheckerDarkColor(model::RGBAColor color)
{
    assign(this, m_checkerDarkColor, color, &EditorUIState::checkerDarkColorChanged);
}

}  // namespace pixmora::editor
