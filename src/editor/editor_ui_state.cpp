#include "editor/editor_ui_state.h"

namespace pixmora::editor {

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
    m_currentColor = color;
    emit currentColorChanged(color);
    emit changed();
}

void EditorUIState::setSecondaryColor(model::RGBAColor color)
{
    m_secondaryColor = color;
    emit secondaryColorChanged(color);
    emit changed();
}

void EditorUIState::setSelectionRect(std::optional<model::PixelRect> rect)
{
    m_selectionRect = rect;
    emit selectionRectChanged(rect);
    emit changed();
}

void EditorUIState::setShapeStrokeEnabled(bool enabled)
{
    m_shapeStrokeEnabled = enabled;
    emit shapeStrokeEnabledChanged(enabled);
    emit changed();
}

void EditorUIState::setShapeFillEnabled(bool enabled)
{
    m_shapeFillEnabled = enabled;
    emit shapeFillEnabledChanged(enabled);
    emit changed();
}

void EditorUIState::setMainZoom(double zoom)
{
    m_mainZoom = zoom;
    emit mainZoomChanged(zoom);
    emit changed();
}

void EditorUIState::setPreviewZoom(double zoom)
{
    m_previewZoom = zoom;
    emit previewZoomChanged(zoom);
    emit changed();
}

void EditorUIState::setCheckerLightColor(model::RGBAColor color)
{
    m_checkerLightColor = color;
    emit checkerLightColorChanged(color);
    emit changed();
}

void EditorUIState::setCheckerDarkColor(model::RGBAColor color)
{
    m_checkerDarkColor = color;
    emit checkerDarkColorChanged(color);
    emit changed();
}

}  // namespace pixmora::editor
