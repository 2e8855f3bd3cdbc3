#pragma once

#include <functional>
#include <memory>

#include <QMainWindow>
#include <QPointF>
#include <QPointer>
#include <QStringList>

#include <optional>

#include "app/hosted_document.h"
#include "editor/editor_ui_state.h"

class QAction;
class QFrame;
class QScrollArea;
class QCloseEvent;
class QDragEnterEvent;
class QDropEvent;
class QMenu;
class QWheelEvent;

namespace pixmora::editor {
class PixelCanvasWidget;
class CanvasController;
}  // namespace pixmora::editor

namespace pixmora::app {

class ColorPaletteWidget;
class NewCanvasDialog;
class ToolPaletteWidget;
class ZoomStepper;

// The window of one document: tool column, scrolling main canvas with its zoom,
// and the side column with the preview and the colour panel. It owns the document
// (and so its undo history) and one EditorUIState, and shows the new-canvas sheet
// while the document waits for its size.
class DocumentWindow : public QMainWindow {
    Q_OBJECT

public:
    static constexpr int toolColumnWidth = 60;
    static constexpr int sideColumnWidth = 200;
    static constexpr int sideColumnMargin = 8;
    static constexpr int sideColumnSpacing = 12;
    static constexpr int previewSide = 140;
    static constexpr int canvasMargin = 20;
    static constexpr int minimumWidth = 800;
    static constexpr int minimumHeight = 600;

    // Takes ownership of the document.
    explicit DocumentWindow(HostedDocument* document, QWidget* parent = nullptr);
    ~DocumentWindow() override;

    HostedDocument* document() const { return m_document; }
    editor::EditorUIState* uiState() const { return m_uiState; }

    // File menu items; the document controller connects them.
    QAction* newAction() const { return m_newAction; }
    // "インポート…", disabled until someone connects it (objectName "importAction").
    QAction* importAction() const { return m_importAction; }
    QAction* openAction() const { return m_openAction; }
    QAction* saveAction() const { return m_saveAction; }
    QAction* saveAsAction() const { return m_saveAsAction; }
    QAction* closeAction() const { return m_closeAction; }
    QAction* quitAction() const { return m_quitAction; }
    // Edit menu items, handled by the window itself.
    QAction* undoAction() const { return m_undoAction; }
    QAction* redoAction() const { return m_redoAction; }
    QAction* cutAction() const { return m_cutAction; }
    QAction* copyAction() const { return m_copyAction; }
    QAction* pasteAction() const { return m_pasteAction; }
    // View menu: "拡大" and "縮小", one step of the main zoom stepper each, keeping
    // the middle of the canvas area where it is.
    QAction* zoomInAction() const { return m_zoomInAction; }
    QAction* zoomOutAction() const { return m_zoomOutAction; }

    // "最近使ったファイル" under File: one item per path, most recent first, then
    // "履歴を消去". Disabled while the list is empty.
    QMenu* recentFilesMenu() const { return m_recentFilesMenu; }
    QAction* clearRecentFilesAction() const { return m_clearRecentFilesAction; }
    void setRecentFiles(const QStringList& paths);

    // Moves the main zoom `steps` stepper steps (negative: out), within the
    // stepper's bounds, and scrolls so that the image point under `anchor`
    // (canvas scroll area viewport coordinates) stays under it where the
    // scroll range allows. Ctrl + wheel and the View menu come through here.
    void zoomMainCanvas(int steps, QPointF anchor);

    // Decides whether a close request goes ahead (unsaved changes); without a
    // guard the window always closes.
    void setCloseGuard(std::function<bool()> guard);

    // An edit lives only on the canvas (a floating selection not yet stamped).
    bool hasPendingEdits() const;
    // Writes that edit into the document (one undo step); nothing without one.
    void commitPendingEdits();

    editor::PixelCanvasWidget* mainCanvas() const { return m_mainCanvas; }
    editor::PixelCanvasWidget* previewCanvas() const { return m_previewCanvas; }
    // The open new-canvas sheet, or null.
    NewCanvasDialog* newCanvasSheet() const;

    QWidget* toolColumn() const;
    QWidget* sideColumn() const { return m_sideColumn; }
    QScrollArea* canvasScrollArea() const { return m_canvasScroll; }
    QScrollArea* previewScrollArea() const { return m_previewScroll; }
    ZoomStepper* mainZoomStepper() const { return m_mainZoomStepper; }
    ZoomStepper* previewZoomStepper() const { return m_previewZoomStepper; }
    ColorPaletteWidget* colorPalette() const { return m_colorPalette; }

signals:
    // Files dropped on the window, to be opened.
    void filesDropped(const QStringList& paths);
    // An item of "最近使ったファイル" was chosen.
    void recentFileChosen(const QString& path);
    // "履歴を消去" was chosen.
    void clearRecentFilesChosen();
    // The window accepted a close request and is going away.
    void closed();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    class Binding;

    // An image point and the viewport point it is to stay under.
    struct ZoomAnchor {
        QPointF imagePoint;
        QPointF viewportPoint;
    };
    // How the last zoom left the view, so the next step at the same point can
    // aim at the same image point.
    struct ZoomResult {
        ZoomAnchor anchor;
        QPoint canvasOrigin;
        double zoom = 0.0;
    };

    void buildLayout();
    void buildMenus();
    void refreshTitle();
    void documentChanged(const document::BitmapDocument& previous);
    void presentSheetIfNeeded();
    void dismissSheet();
    void createCanvas(int width, int height, model::ColorMode mode);
    void sheetFinished();
    // While the sheet asks for the canvas size, only the File commands that do not
    // touch this document stay live: the sheet blocks its document, not the program.
    void refreshSheetState();
    void writeDocument(const document::BitmapDocument& value);
    void resetHistoryIfPending();
    void undo();
    void redo();
    void refreshEditActions();
    void refreshZoomActions();
    void wheelZoom(const QWheelEvent& event);
    void zoomAroundViewportCentre(int steps);
    void settleCanvasLayout();
    void placeZoomAnchor(const ZoomAnchor& anchor);
    void placePendingZoomAnchor();
    QPoint mainCanvasOrigin() const;

    HostedDocument* m_document = nullptr;
    editor::EditorUIState* m_uiState = nullptr;
    std::unique_ptr<Binding> m_binding;
    std::function<bool()> m_closeGuard;

    editor::PixelCanvasWidget* m_mainCanvas = nullptr;
    editor::PixelCanvasWidget* m_previewCanvas = nullptr;
    ToolPaletteWidget* m_toolPalette = nullptr;
    QWidget* m_sideColumn = nullptr;
    QScrollArea* m_canvasScroll = nullptr;
    QWidget* m_canvasViewport = nullptr;  // compared, never dereferenced in filters
    QScrollArea* m_previewScroll = nullptr;
    ZoomStepper* m_mainZoomStepper = nullptr;
    ZoomStepper* m_previewZoomStepper = nullptr;
    ColorPaletteWidget* m_colorPalette = nullptr;
    QPointer<NewCanvasDialog> m_sheet;
    bool m_shown = false;
    bool m_historyResetPending = false;
    int m_wheelRemainder = 0;  // eighths of a degree not yet turned into steps
    std::optional<ZoomAnchor> m_pendingZoomAnchor;
    std::optional<ZoomResult> m_lastZoom;

    QAction* m_newAction = nullptr;
    QAction* m_importAction = nullptr;
    QAction* m_openAction = nullptr;
    QAction* m_saveAction = nullptr;
    QAction* m_saveAsAction = nullptr;
    QAction* m_closeAction = nullptr;
    QAction* m_quitAction = nullptr;
    QAction* m_undoAction = nullptr;
    QAction* m_redoAction = nullptr;
    QAction* m_cutAction = nullptr;
    QAction* m_copyAction = nullptr;
    QAction* m_pasteAction = nullptr;
    QAction* m_zoomInAction = nullptr;
    QAction* m_zoomOutAction = nullptr;
    QMenu* m_recentFilesMenu = nullptr;
    QAction* m_clearRecentFilesAction = nullptr;
};

}  // namespace pixmora::app
