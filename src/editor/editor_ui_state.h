#pragma once

#include <array>
#include <optional>

#include <QObject>

#include "model/pixel_rect.h"
#include "model/rgba_color.h"

namespace pixmora::editor {

enum class EditorTool { pen, bucket, eraser, select, rectangle, ellipse, line };

inline constexpr std::array<EditorTool, 7> allEditorTools{
    EditorTool::pen,       EditorTool::bucket,  EditorTool::eraser, EditorTool::select,
    EditorTool::rectangle, EditorTool::ellipse, EditorTool::line};

// Pen, bucket and eraser act on the single pixel under the pointer.
constexpr bool isPointTool(EditorTool tool)
{
    return tool == EditorTool::pen || tool == EditorTool::bucket || tool == EditorTool::eraser;
}
// Rectangle, ellipse and line are dragged out from a start pixel.
constexpr bool isShapeTool(EditorTool tool)
{
    return tool == EditorTool::rectangle || tool == EditorTool::ellipse || tool == EditorTool::line;
}

// The per-window editor state shared by both canvases and the panels. Every
// setter announces its field (and changed()) on every assignment, even when the
// value stays the same, so views bound to it always re-read.
class EditorUIState : public QObject {
    Q_OBJECT

public:
    static constexpr double mainZoomMinimum = 2.0;
    static constexpr double mainZoomMaximum = 48.0;
    static constexpr double mainZoomStep = 2.0;
    static constexpr double previewZoomMinimum = 1.0;
    static constexpr double previewZoomMaximum = 16.0;
    static constexpr double previewZoomStep = 1.0;

    static constexpr EditorTool defaultTool = EditorTool::pen;
    static constexpr model::RGBAColor defaultCurrentColor{0, 0, 0, 255};
    static constexpr model::RGBAColor defaultSecondaryColor{0, 0, 0, 0};
    static constexpr double defaultMainZoom = 16.0;
    static constexpr double defaultPreviewZoom = 4.0;
    static constexpr model::RGBAColor defaultCheckerLightColor{235, 235, 235, 255};
    static constexpr model::RGBAColor defaultCheckerDarkColor{200, 200, 200, 255};

    explicit EditorUIState(QObject* parent = nullptr);

    EditorTool currentTool() const { return m_currentTool; }
    model::RGBAColor currentColor() const { return m_currentColor; }
    model::RGBAColor secondaryColor() const { return m_secondaryColor; }
    std::optional<model::PixelRect> selectionRect() const { return m_selectionRect; }
    bool shapeStrokeEnabled() const { return m_shapeStrokeEnabled; }
    bool shapeFillEnabled() const { return m_shapeFillEnabled; }
    double mainZoom() const { return m_mainZoom; }
    double previewZoom() const { return m_previewZoom; }
    model::RGBAColor checkerLightColor() const { return m_checkerLightColor; }
    model::RGBAColor checkerDarkColor() const { return m_checkerDarkColor; }

    // Stores the tool; a tool different from the previous one also clears
    // selectionRect, whoever the writer is.
    void setCurrentTool(EditorTool tool);
    void setCurrentColor(model::RGBAColor color);
    void setSecondaryColor(model::RGBAColor color);
    void setSelectionRect(std::optional<model::PixelRect> rect);
    void setShapeStrokeEnabled(bool enabled);
    void setShapeFillEnabled(bool enabled);
    void setMainZoom(double zoom);
    void setPreviewZoom(double zoom);
    void setCheckerLightColor(model::RGBAColor color);
    void setCheckerDarkColor(model::RGBAColor color);

signals:
    void currentToolChanged(pixmora::editor::EditorTool tool);
    void currentColorChanged(pixmora::model::RGBAColor color);
    void secondaryColorChanged(pixmora::model::RGBAColor color);
    void selectionRectChanged(std::optional<pixmora::model::PixelRect> rect);
    void shapeStrokeEnabledChanged(bool enabled);
    void shapeFillEnabledChanged(bool enabled);
    void mainZoomChanged(double zoom);
    void previewZoomChanged(double zoom);
    void checkerLightColorChanged(pixmora::model::RGBAColor color);
    void checkerDarkColorChanged(pixmora::model::RGBAColor color);
    // After any field's own signal.
    void changed();

private:
    EditorTool m_currentTool = defaultTool;
    model::RGBAColor m_currentColor = defaultCurrentColor;
    model::RGBAColor m_secondaryColor = defaultSecondaryColor;
    std::optional<model::PixelRect> m_selectionRect;
    bool m_shapeStrokeEnabled = true;
    bool m_shapeFillEnabled = false;
    double m_mainZoom = defaultMainZoom;
    double m_previewZoom = defaultPreviewZoom;
    model::RGBAColor m_checkerLightColor = defaultCheckerLightColor;
    model::RGBAColor m_checkerDarkColor = defaultCheckerDarkColor;
};

}  // namespace pixmora::editor
