#pragma once

#include <functional>
#include <memory>

#include <QMainWindow>
#include <QPointer>
#include <QStringList>

#include "app/hosted_document.h"
#include "editor/editor_ui_state.h"

class QAction;
class QFrame;
class QScrollArea;
class QCloseEvent;
class QDragEnterEvent;
class QDropEvent;

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
    // The window accepted a close request and is going away.
    void closed();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    class Binding;

    void buildLayout();
    void buildMenus();
    void refreshTitle();
    void documentChanged(const document::BitmapDocument& previous);
    void presentSheetIfNeeded();
    void dismissSheet();
    void createCanvas(int width, int height, model::ColorMode mode);
    void sheetFinished();
    void writeDocument(const document::BitmapDocument& value);
    void resetHistoryIfPending();
    void refreshEditActions();

    HostedDocument* m_document = nullptr;
    editor::EditorUIState* m_uiState = nullptr;
    std::unique_ptr<Binding> m_binding;
    std::function<bool()> m_closeGuard;

    editor::PixelCanvasWidget* m_mainCanvas = nullptr;
    editor::PixelCanvasWidget* m_previewCanvas = nullptr;
    ToolPaletteWidget* m_toolPalette = nullptr;
    QWidget* m_sideColumn = nullptr;
    QScrollArea* m_canvasScroll = nullptr;
    QScrollArea* m_previewScroll = nullptr;
    ZoomStepper* m_mainZoomStepper = nullptr;
    ZoomStepper* m_previewZoomStepper = nullptr;
    ColorPaletteWidget* m_colorPalette = nullptr;
    QPointer<NewCanvasDialog> m_sheet;
    bool m_shown = false;
    bool m_historyResetPending = false;

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
};

}  // namespace pixmora::app
