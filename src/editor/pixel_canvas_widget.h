#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include <QPainterPath>
#include <QPointF>
#include <QPointer>
#include <QTimer>
#include <QWidget>

#include "editor/canvas_controller.h"
#include "editor/canvas_raster.h"
#include "model/color_mode.h"

class QFocusEvent;
class QKeyEvent;
class QMouseEvent;
class QPaintEvent;
class QPainter;
class QShowEvent;

namespace pixmora::editor {

// Which of the window's two canvases a widget is; it decides the zoom field read
// from the editor state and whether the widget takes input at all.
enum class CanvasRole { main, preview };

// The canvas on screen: a thin adapter that feeds Qt mouse, key and Shift events
// to its own CanvasController and paints what the controller shows. Its size is
// the displayed image's size times the zoom, so it belongs in a QScrollArea.
// The preview role ignores the mouse, never takes focus and passes every key on.
class PixelCanvasWidget : public QWidget {
    Q_OBJECT

public:
    explicit PixelCanvasWidget(CanvasRole role, QWidget* parent = nullptr);
    ~PixelCanvasWidget() override;

    CanvasRole role() const { return m_role; }
    bool isInteractive() const { return m_role == CanvasRole::main; }
    CanvasController& controller() { return m_controller; }
    const CanvasController& controller() const { return m_controller; }

    // Wiring; none of these objects is owned, all may be replaced or detached (nullptr).
    void setUIState(EditorUIState* state);
    void setDocumentBinding(DocumentBinding* binding);
    // Only the main canvas needs one; without it Cut, Copy and Paste do nothing.
    void setClipboard(ClipboardPort* clipboard);
    void setColorMode(model::ColorMode mode);

    bool canCut() const { return m_controller.canCut(); }
    bool canCopy() const { return m_controller.canCopy(); }
    bool canPaste() const { return m_controller.canPaste(); }

    bool isMarchingAntsRunning() const { return m_marchingAntsTimer.isActive(); }
    // A mouse button went down on the canvas and has not come up yet.
    bool isGestureActive() const { return m_controller.isGestureActive(); }
    QSize sizeHint() const override;

public slots:
    void cut();
    void copy();
    void paste();
    // Stamps and writes a pending floating selection (before saving or closing).
    void commitPendingFloatingSelection();
    // Connect to the document's change notification: an outside change (undo, redo,
    // another writer) drops stale working copies; every change repaints.
    void documentImageChanged();

signals:
    // canCut(), canCopy() or canPaste() may answer differently now.
    void editStateChanged();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool event(QEvent* event) override;

private:
    double zoomForRole() const;
    void hostUpdate();
    void redisplay();
    void updateSize();
    void updateMarchingAntsTimer();
    void updateCursor();
    void forwardShift(bool shift);

    void paintSelectionOverlay(QPainter& painter, const QRect& exposed,
                               const SelectionOverlay& overlay);
    void paintCachedOutline(QPainter& painter, const QRect& exposed,
                            const SelectionOverlay& overlay);
    std::vector<QRect> outlineBands(const model::PixelRect& rect, const QRect& within) const;
    void paintFloatingPixels(QPainter& painter, const QRect& exposed,
                             const FloatingSelection& floating) const;
    // The marching-ants outline, of which only what meets `within` is drawn.
    void paintOutline(QPainter& painter, const model::PixelRect& rect, const QRect& within);
    void paintHandles(QPainter& painter, const model::PixelRect& rect) const;

    const CanvasRole m_role;
    CanvasController m_controller;
    QPointer<EditorUIState> m_uiState;
    QMetaObject::Connection m_uiStateConnection;
    QTimer m_marchingAntsTimer;
    std::optional<MouseButton> m_pressedButton;
    std::optional<QPointF> m_pointer;  // last pointer position over the widget
    bool m_shiftDown = false;
    CanvasRaster m_raster;
    bool m_imageMayHaveChanged = true;

    // The outline and handles with the canvas beneath them, in the bands around the
    // selection that were in view, kept for each marching-ants phase: stroking the
    // dashes costs far more than copying them.
    struct OutlineStrip {
        QRect area;
        QImage pixels;
    };
    struct OutlineCache {
        std::uint64_t rasterGeneration = 0;
        double pixelSize = 0.0;
        model::PixelRect outline;
        bool showHandles = false;
        QRect exposed;
        std::vector<std::pair<double, std::vector<OutlineStrip>>> phases;
    };
    OutlineCache m_outlineCache;

    // The outline's two dash colours as filled shapes, for each ants phase.
    struct OutlinePaths {
        double phase = 0.0;
        QPainterPath dark;
        QPainterPath light;
    };
    struct OutlinePathCache {
        double pixelSize = 0.0;
        model::PixelRect outline;
        std::vector<OutlinePaths> phases;
    };
    const OutlinePaths& outlinePaths(const model::PixelRect& rect);
    OutlinePathCache m_outlinePaths;
};

}  // namespace pixmora::editor
