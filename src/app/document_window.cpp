#include "app/document_window.h"

#include <QAction>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenuBar>
#include <QMimeData>
#include <QScopedValueRollback>
#include <QScrollArea>
#include <QScrollBar>
#include <QUndoStack>
#include <QUrl>
#include <QVBoxLayout>
#include <QWheelEvent>

#include <utility>

#include "app/after_first_paint.h"
#include "app/color_palette_widget.h"
#include "app/new_canvas_dialog.h"
#include "app/recent_files.h"
#include "app/text_styles.h"
#include "app/tool_palette_widget.h"
#include "app/zoom_stepper.h"
#include "editor/document_binding.h"
#include "editor/pixel_canvas_widget.h"
#include "editor/system_clipboard.h"

namespace pixmora::app {

// The canvases' view of the document image. It remembers whether a write is the
// canvas's own, so only other writers are reported to the canvas as outside changes.
class DocumentWindow::Binding final : public editor::DocumentBinding {
public:
    explicit Binding(HostedDocument* document) : m_document(document) {}

    model::PixelImage image() const override { return m_document->value().image; }

    void setImage(const model::PixelImage& image) override
    {
        document::BitmapDocument next = m_document->value();
        next.image = image;
        const QScopedValueRollback<bool> writing(m_canvasWriting, true);
        m_document->write(next);
    }

    bool isCanvasWriting() const { return m_canvasWriting; }

private:
    HostedDocument* m_document;
    bool m_canvasWriting = false;
};

namespace {

QFrame* divider(QFrame::Shape shape)
{
    auto* line = new QFrame;
    line->setFrameShape(shape);
    line->setFrameShadow(QFrame::Plain);
    line->setForegroundRole(QPalette::Mid);
    if (shape == QFrame::VLine)
        line->setFixedWidth(1);
    else
        line->setFixedHeight(1);
    return line;
}

QAction* menuItem(QMenu* menu, const QString& text, const QList<QKeySequence>& shortcuts = {})
{
    QAction* action = menu->addAction(text);
    action->setShortcuts(shortcuts);
    return action;
}

}  // namespace

DocumentWindow::DocumentWindow(HostedDocument* document, QWidget* parent)
    : QMainWindow(parent),
      m_document(document),
      m_uiState(new editor::EditorUIState(this)),
      m_binding(std::make_unique<Binding>(document))
{
    m_document->setParent(this);
    setAcceptDrops(true);
    buildLayout();
    buildMenus();

    const document::BitmapDocument& value = m_document->value();
    for (editor::PixelCanvasWidget* canvas : {m_mainCanvas, m_previewCanvas}) {
        canvas->setUIState(m_uiState);
        canvas->setColorMode(value.colorMode);
        canvas->setDocumentBinding(m_binding.get());
    }
    m_toolPalette->setToolKeyGuard([this] { return !m_mainCanvas->isGestureActive(); });

    connect(m_document, &HostedDocument::valueChanged, this, &DocumentWindow::documentChanged);
    connect(m_document, &HostedDocument::displayNameChanged, this, &DocumentWindow::refreshTitle);
    connect(m_document, &HostedDocument::modifiedChanged, this, &DocumentWindow::refreshTitle);
    refreshTitle();
    resize(1000, 720);
}

DocumentWindow::~DocumentWindow()
{
    // Panels and canvases go first, while the state and document they point at live.
    disconnect(m_document, nullptr, this, nullptr);
    // The stack announces its emptying as it goes, after this window is gone.
    disconnect(m_document->undoStack(), nullptr, this, nullptr);
    m_mainCanvas->setDocumentBinding(nullptr);
    m_previewCanvas->setDocumentBinding(nullptr);
    delete takeCentralWidget();
}

void DocumentWindow::buildLayout()
{
    auto* root = new QWidget;
    root->setMinimumSize(minimumWidth, minimumHeight);
    auto* row = new QHBoxLayout(root);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);

    m_toolPalette = new ToolPaletteWidget(m_uiState);
    m_toolPalette->setFixedWidth(toolColumnWidth);
    row->addWidget(m_toolPalette);
    row->addWidget(divider(QFrame::VLine));

    // Canvas column.
    auto* canvasColumn = new QWidget;
    auto* canvasStack = new QVBoxLayout(canvasColumn);
    canvasStack->setContentsMargins(0, 0, 0, 0);
    canvasStack->setSpacing(0);
    auto* header = new QHBoxLayout;
    header->setContentsMargins(8, 8, 8, 8);
    auto* mainTitle = new QLabel(QStringLiteral("メインキャンバス"));
    mainTitle->setFont(smallCaptionFont());
    header->addWidget(mainTitle);
    header->addStretch(1);
    m_mainZoomStepper = ZoomStepper::createMainZoomStepper(m_uiState);
    header->addWidget(m_mainZoomStepper);
    canvasStack->addLayout(header);
    canvasStack->addWidget(divider(QFrame::HLine));

    m_mainCanvas = new editor::PixelCanvasWidget(editor::CanvasRole::main);
    auto* canvasHolder = new QWidget;
    auto* holderLayout = new QGridLayout(canvasHolder);
    holderLayout->setContentsMargins(canvasMargin, canvasMargin, canvasMargin, canvasMargin);
    holderLayout->addWidget(m_mainCanvas, 0, 0, Qt::AlignCenter);
    m_canvasScroll = new QScrollArea;
    // A click on the margin or the preview must leave Return, Delete and Escape with
    // the canvas; arrow keys the canvas passes on still scroll.
    m_canvasScroll->setFocusPolicy(Qt::NoFocus);
    m_canvasScroll->setFrameShape(QFrame::NoFrame);
    m_canvasScroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_canvasScroll->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_canvasScroll->setWidgetResizable(true);
    m_canvasScroll->setWidget(canvasHolder);
    m_canvasViewport = m_canvasScroll->viewport();
    m_canvasViewport->installEventFilter(this);
    canvasStack->addWidget(m_canvasScroll, 1);
    row->addWidget(canvasColumn, 1);
    row->addWidget(divider(QFrame::VLine));

    // Side column.
    m_sideColumn = new QWidget;
    m_sideColumn->setFixedWidth(sideColumnWidth);
    auto* side = new QVBoxLayout(m_sideColumn);
    side->setContentsMargins(sideColumnMargin, sideColumnMargin, sideColumnMargin,
                             sideColumnMargin);
    side->setSpacing(sideColumnSpacing);
    auto* preview = new QVBoxLayout;
    preview->setSpacing(4);
    auto* previewTitle = new QLabel(QStringLiteral("実イメージ"));
    previewTitle->setFont(captionFont());
    preview->addWidget(previewTitle, 0, Qt::AlignLeft);
    m_previewCanvas = new editor::PixelCanvasWidget(editor::CanvasRole::preview);
    m_previewScroll = new QScrollArea;
    m_previewScroll->setFocusPolicy(Qt::NoFocus);
    m_previewScroll->setFixedSize(previewSide, previewSide);
    // A plain box frame is drawn inside the area's bounds in the window-text colour.
    m_previewScroll->setFrameStyle(QFrame::Box | QFrame::Plain);
    m_previewScroll->setLineWidth(1);
    QPalette borderPalette = m_previewScroll->palette();
    borderPalette.setColor(QPalette::WindowText, QColor(128, 128, 128, 77));
    m_previewScroll->setPalette(borderPalette);
    m_previewScroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_previewScroll->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_previewScroll->setWidgetResizable(false);
    m_previewScroll->setAlignment(Qt::AlignCenter);
    m_previewScroll->setWidget(m_previewCanvas);
    preview->addWidget(m_previewScroll, 0, Qt::AlignLeft);
    m_previewZoomStepper = ZoomStepper::createPreviewZoomStepper(m_uiState);
    preview->addWidget(m_previewZoomStepper, 0, Qt::AlignLeft);
    side->addLayout(preview);
    side->addWidget(divider(QFrame::HLine));
    m_colorPalette = new ColorPaletteWidget(m_uiState, m_document->value().colorMode);
    // The panel takes all the height left: its grid gets the room it needs before
    // any is left empty (an even share with a gap below made the 16-colour grid
    // scroll beside empty space). What the cells do not fill stays empty under them.
    side->addWidget(m_colorPalette, 1);
    row->addWidget(m_sideColumn);

    setCentralWidget(root);
}

NewCanvasDialog* DocumentWindow::newCanvasSheet() const
{
    return m_sheet;
}

QWidget* DocumentWindow::toolColumn() const
{
    return m_toolPalette;
}

void DocumentWindow::buildMenus()
{
    QMenu* file = menuBar()->addMenu(QStringLiteral("ファイル"));
    m_newAction = menuItem(file, QStringLiteral("新規"), {QKeySequence(Qt::CTRL | Qt::Key_N)});
    m_importAction = menuItem(file, QStringLiteral("インポート…"));
    m_importAction->setObjectName(QStringLiteral("importAction"));
    m_importAction->setEnabled(false);
    m_openAction = menuItem(file, QStringLiteral("開く…"), {QKeySequence(Qt::CTRL | Qt::Key_O)});
    m_recentFilesMenu = file->addMenu(QStringLiteral("最近使ったファイル"));
    m_recentFilesMenu->setToolTipsVisible(true);
    m_clearRecentFilesAction = new QAction(QStringLiteral("履歴を消去"), this);
    connect(m_clearRecentFilesAction, &QAction::triggered, this,
            &DocumentWindow::clearRecentFilesChosen);
    setRecentFiles({});
    file->addSeparator();
    m_saveAction = menuItem(file, QStringLiteral("保存"), {QKeySequence(Qt::CTRL | Qt::Key_S)});
    m_saveAsAction = menuItem(file, QStringLiteral("別名で保存…"),
                               {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S)});
    m_closeAction = menuItem(file, QStringLiteral("閉じる"), {QKeySequence(Qt::CTRL | Qt::Key_W)});
    file->addSeparator();
    m_quitAction = menuItem(file, QStringLiteral("終了"), {QKeySequence(Qt::CTRL | Qt::Key_Q)});
    m_quitAction->setMenuRole(QAction::QuitRole);

    QMenu* edit = menuBar()->addMenu(QStringLiteral("編集"));
    m_undoAction = menuItem(edit, QStringLiteral("元に戻す"), {QKeySequence(Qt::CTRL | Qt::Key_Z)});
    m_redoAction = menuItem(edit, QStringLiteral("やり直す"),
                             {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z),
                              QKeySequence(Qt::CTRL | Qt::Key_Y)});
    edit->addSeparator();
    m_cutAction = menuItem(edit, QStringLiteral("カット"), {QKeySequence(Qt::CTRL | Qt::Key_X)});
    m_copyAction = menuItem(edit, QStringLiteral("コピー"), {QKeySequence(Qt::CTRL | Qt::Key_C)});
    m_pasteAction = menuItem(edit, QStringLiteral("ペースト"), {QKeySequence(Qt::CTRL | Qt::Key_V)});

    QMenu* view = menuBar()->addMenu(QStringLiteral("表示"));
    // Ctrl+= is the unshifted key of + on US layouts.
    m_zoomInAction = menuItem(view, QStringLiteral("拡大"),
                              {QKeySequence(Qt::CTRL | Qt::Key_Plus),
                               QKeySequence(Qt::CTRL | Qt::Key_Equal)});
    m_zoomOutAction = menuItem(view, QStringLiteral("縮小"), {QKeySequence(Qt::CTRL | Qt::Key_Minus)});
    connect(m_zoomInAction, &QAction::triggered, this, [this] { zoomAroundViewportCentre(1); });
    connect(m_zoomOutAction, &QAction::triggered, this, [this] { zoomAroundViewportCentre(-1); });
    connect(m_uiState, &editor::EditorUIState::mainZoomChanged, this,
            &DocumentWindow::refreshZoomActions);
    refreshZoomActions();

    QUndoStack* stack = m_document->undoStack();
    connect(m_undoAction, &QAction::triggered, this, &DocumentWindow::undo);
    connect(m_redoAction, &QAction::triggered, this, &DocumentWindow::redo);
    connect(stack, &QUndoStack::canUndoChanged, this, &DocumentWindow::refreshEditActions);
    connect(stack, &QUndoStack::canRedoChanged, this, &DocumentWindow::refreshEditActions);
    connect(m_cutAction, &QAction::triggered, m_mainCanvas, &editor::PixelCanvasWidget::cut);
    connect(m_copyAction, &QAction::triggered, m_mainCanvas, &editor::PixelCanvasWidget::copy);
    connect(m_pasteAction, &QAction::triggered, m_mainCanvas, &editor::PixelCanvasWidget::paste);
    connect(m_mainCanvas, &editor::PixelCanvasWidget::editStateChanged, this,
            &DocumentWindow::refreshEditActions);
    refreshEditActions();
}

void DocumentWindow::undo()
{
    if (m_mainCanvas->controller().prepareUndo())
        m_document->undoStack()->undo();
}

void DocumentWindow::redo()
{
    if (m_mainCanvas->controller().prepareRedo())
        m_document->undoStack()->redo();
}

void DocumentWindow::refreshEditActions()
{
    const bool editing = !m_sheet;
    m_undoAction->setEnabled(editing && m_document->undoStack()->canUndo());
    m_redoAction->setEnabled(editing && m_document->undoStack()->canRedo());
    m_cutAction->setEnabled(editing && m_mainCanvas->canCut());
    m_copyAction->setEnabled(editing && m_mainCanvas->canCopy());
    m_pasteAction->setEnabled(editing && m_mainCanvas->canPaste());
}

void DocumentWindow::refreshZoomActions()
{
    const bool editing = !m_sheet;
    const double zoom = m_uiState->mainZoom();
    m_zoomInAction->setEnabled(editing && zoom < m_mainZoomStepper->upper());
    m_zoomOutAction->setEnabled(editing && zoom > m_mainZoomStepper->lower());
}

void DocumentWindow::refreshSheetState()
{
    const bool editing = !m_sheet;
    centralWidget()->setEnabled(editing);
    m_saveAction->setEnabled(editing);
    m_saveAsAction->setEnabled(editing);
    refreshEditActions();
    refreshZoomActions();
    if (editing)
        m_mainCanvas->setFocus();  // disabling the canvas took its focus away
}

void DocumentWindow::setRecentFiles(const QStringList& paths)
{
    m_recentFilesMenu->clear();
    const QStringList texts = recentFileMenuTexts(paths);
    for (qsizetype i = 0; i < paths.size(); ++i) {
        QString text = texts[i];
        QAction* item = m_recentFilesMenu->addAction(text.replace(u'&', QStringLiteral("&&")));
        item->setToolTip(QDir::toNativeSeparators(paths[i]));
        connect(item, &QAction::triggered, this,
                [this, path = paths[i]] { emit recentFileChosen(path); });
    }
    if (!paths.isEmpty())
        m_recentFilesMenu->addSeparator();
    m_recentFilesMenu->addAction(m_clearRecentFilesAction);
    m_recentFilesMenu->setEnabled(!paths.isEmpty());
}

void DocumentWindow::refreshTitle()
{
    setWindowTitle(m_document->displayName() + QStringLiteral("[*]"));
    setWindowModified(m_document->isModified());
}

void DocumentWindow::setCloseGuard(std::function<bool()> guard)
{
    m_closeGuard = std::move(guard);
}

bool DocumentWindow::hasPendingEdits() const
{
    return m_mainCanvas->controller().floatingSelection().has_value();
}

void DocumentWindow::commitPendingEdits()
{
    m_mainCanvas->commitPendingFloatingSelection();
}

void DocumentWindow::writeDocument(const document::BitmapDocument& value)
{
    m_document->write(value);
    // The push has finished, so the history can go at once.
    resetHistoryIfPending();
}

void DocumentWindow::documentChanged(const document::BitmapDocument& previous)
{
    const document::BitmapDocument& now = m_document->value();
    if (now.image != previous.image) {
        if (m_binding->isCanvasWriting())
            m_mainCanvas->update();
        else
            m_mainCanvas->documentImageChanged();
        m_previewCanvas->documentImageChanged();
    }
    if (now.colorMode != previous.colorMode) {
        m_mainCanvas->setColorMode(now.colorMode);
        m_previewCanvas->setColorMode(now.colorMode);
        m_colorPalette->setColorMode(now.colorMode);
    }
    if (previous.needsSizeConfiguration && !now.needsSizeConfiguration) {
        // Neither the placeholder nor its configuration may come back by Undo. The
        // stack is in the middle of a push, undo or redo here: clear it once that
        // has returned.
        m_historyResetPending = true;
        QMetaObject::invokeMethod(this, &DocumentWindow::resetHistoryIfPending,
                                  Qt::QueuedConnection);
        dismissSheet();
    } else if (!previous.needsSizeConfiguration && now.needsSizeConfiguration) {
        presentSheetIfNeeded();
    }
}

void DocumentWindow::resetHistoryIfPending()
{
    if (!m_historyResetPending)
        return;
    m_historyResetPending = false;
    m_document->undoStack()->clear();
}

void DocumentWindow::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    if (m_shown)
        return;
    m_shown = true;
    m_mainCanvas->setFocus();
    // Whether the clipboard holds an image is a round trip to the application that
    // owns it, and Qt loads every image plugin to answer; the window paints first.
    runAfterFirstPaint(
        this, [this] { m_mainCanvas->setClipboard(new editor::SystemClipboard(this)); });
    // After the window is on screen, so the sheet stacks above it even without a
    // window manager to keep it there.
    QMetaObject::invokeMethod(this, &DocumentWindow::presentSheetIfNeeded, Qt::QueuedConnection);
}

void DocumentWindow::presentSheetIfNeeded()
{
    const document::BitmapDocument& value = m_document->value();
    if (!value.needsSizeConfiguration || m_sheet || !isVisible())
        return;
    m_sheet = new NewCanvasDialog(int(value.image.width), int(value.image.height),
                                  value.colorMode, this);
    m_sheet->setAttribute(Qt::WA_DeleteOnClose);
    connect(m_sheet, &NewCanvasDialog::createRequested, this, &DocumentWindow::createCanvas);
    connect(m_sheet, &QDialog::finished, this, &DocumentWindow::sheetFinished);
    // Not window-modal: that would block this window's menu bar too, and with it
    // Open, New and Import, which the sheet has no business holding back. Their keys
    // work from the sheet as well.
    m_sheet->addActions({m_newAction, m_openAction, m_closeAction, m_quitAction});
    m_sheet->show();
    refreshSheetState();
}

void DocumentWindow::dismissSheet()
{
    if (!m_sheet)
        return;
    NewCanvasDialog* sheet = m_sheet;
    m_sheet = nullptr;
    disconnect(sheet, nullptr, this, nullptr);
    sheet->close();
    sheet->deleteLater();
    refreshSheetState();
}

void DocumentWindow::createCanvas(int width, int height, model::ColorMode mode)
{
    // Three separate writes, as the document binding records them.
    document::BitmapDocument value = m_document->value();
    value.image = model::PixelImage(width, height);
    writeDocument(value);
    value = m_document->value();
    value.colorMode = mode;
    writeDocument(value);
    value = m_document->value();
    value.needsSizeConfiguration = false;
    writeDocument(value);
}

void DocumentWindow::sheetFinished()
{
    m_sheet = nullptr;
    refreshSheetState();
    // Closed without creating: only the flag is written.
    document::BitmapDocument value = m_document->value();
    if (!value.needsSizeConfiguration)
        return;
    value.needsSizeConfiguration = false;
    writeDocument(value);
}

void DocumentWindow::closeEvent(QCloseEvent* event)
{
    if (m_closeGuard && !m_closeGuard()) {
        event->ignore();
        return;
    }
    event->accept();
    dismissSheet();  // closing the window answers nothing for the document
    emit closed();
}

namespace {

QStringList localFiles(const QMimeData* mime)
{
    QStringList paths;
    if (!mime || !mime->hasUrls())
        return paths;
    for (const QUrl& url : mime->urls())
        if (url.isLocalFile())
            paths << url.toLocalFile();
    return paths;
}

}  // namespace

bool DocumentWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::Wheel && watched == m_canvasViewport) {
        const auto* wheel = static_cast<QWheelEvent*>(event);
        if (wheel->modifiers().testFlag(Qt::ControlModifier)) {
            wheelZoom(*wheel);
            return true;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

void DocumentWindow::wheelZoom(const QWheelEvent& event)
{
    // Fine-grained wheels (touchpads) send small deltas: a step per full notch.
    const QPoint angle = event.angleDelta();
    const int delta = angle.y() != 0 ? angle.y() : angle.x();
    // Turning back starts afresh rather than first undoing a part turn.
    if ((delta > 0) != (m_wheelRemainder > 0))
        m_wheelRemainder = 0;
    m_wheelRemainder += delta;
    const int steps = m_wheelRemainder / QWheelEvent::DefaultDeltasPerStep;
    m_wheelRemainder -= steps * QWheelEvent::DefaultDeltasPerStep;
    if (steps != 0)
        zoomMainCanvas(steps, event.position());
}

void DocumentWindow::zoomAroundViewportCentre(int steps)
{
    zoomMainCanvas(steps, QRectF(m_canvasScroll->viewport()->rect()).center());
}

void DocumentWindow::zoomMainCanvas(int steps, QPointF anchor)
{
    const double before = m_uiState->mainZoom();
    const QPoint origin = mainCanvasOrigin();
    QPointF imagePoint = (anchor - QPointF(origin)) / before;
    // A run of steps at one point keeps aiming at the image point it started
    // from, so neither rounding nor a scroll range that was too short adds up.
    if (m_lastZoom && m_lastZoom->anchor.viewportPoint == anchor
        && m_lastZoom->canvasOrigin == origin && m_lastZoom->zoom == before)
        imagePoint = m_lastZoom->anchor.imagePoint;
    // Through the stepper, so its bounds and step are the only ones.
    for (; steps > 0; --steps)
        m_mainZoomStepper->stepUp();
    for (; steps < 0; ++steps)
        m_mainZoomStepper->stepDown();
    if (m_uiState->mainZoom() == before)
        return;
    const ZoomAnchor target{imagePoint, anchor};
    settleCanvasLayout();
    placeZoomAnchor(target);
    // Scroll bars shown or hidden by the new size resize the viewport once more,
    // after this event; place the point again then.
    m_pendingZoomAnchor = target;
    QMetaObject::invokeMethod(this, &DocumentWindow::placePendingZoomAnchor,
                              Qt::QueuedConnection);
}

void DocumentWindow::settleCanvasLayout()
{
    // The canvas has its new fixed size; lay out its holder and let the scroll
    // area take the new extent now rather than on the next event loop pass.
    if (QLayout* layout = m_canvasScroll->widget()->layout())
        layout->activate();
    QEvent request(QEvent::LayoutRequest);
    QCoreApplication::sendEvent(m_canvasScroll, &request);
}

void DocumentWindow::placePendingZoomAnchor()
{
    if (const std::optional<ZoomAnchor> anchor = std::exchange(m_pendingZoomAnchor, std::nullopt))
        placeZoomAnchor(*anchor);
}

void DocumentWindow::placeZoomAnchor(const ZoomAnchor& anchor)
{
    // The holder sits at minus the scroll values inside the viewport.
    const QPointF target = QPointF(m_mainCanvas->pos())
                           + anchor.imagePoint * m_uiState->mainZoom() - anchor.viewportPoint;
    m_canvasScroll->horizontalScrollBar()->setValue(qRound(target.x()));
    m_canvasScroll->verticalScrollBar()->setValue(qRound(target.y()));
    m_lastZoom = ZoomResult{anchor, mainCanvasOrigin(), m_uiState->mainZoom()};
}

QPoint DocumentWindow::mainCanvasOrigin() const
{
    return m_mainCanvas->mapTo(m_canvasScroll->viewport(), QPoint(0, 0));
}

void DocumentWindow::dragEnterEvent(QDragEnterEvent* event)
{
    if (!localFiles(event->mimeData()).isEmpty())
        event->acceptProposedAction();
}

void DocumentWindow::dropEvent(QDropEvent* event)
{
    const QStringList paths = localFiles(event->mimeData());
    if (paths.isEmpty())
        return;
    event->acceptProposedAction();
    emit filesDropped(paths);
}

}  // namespace pixmora::app
