#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QImage>
#include <QFileInfo>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QRadioButton>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <QUndoStack>
#include <QUrl>

#include "app/canvas_size_fields.h"
#include "app/color_palette_widget.h"
#include "app/document_controller.h"
#include "app/document_window.h"
#include "app/hosted_document.h"
#include "app/new_canvas_dialog.h"
#include "editor/pixel_canvas_widget.h"
#include "document_test_support.h"
#include "../model/pixel_picture.h"

using pixmora::app::DocumentController;
using pixmora::app::DocumentWindow;
using pixmora::app::NewCanvasDialog;
using pixmora::app::SaveChangesChoice;
using pixmora::document::BitmapDocument;
using pixmora::editor::EditorTool;
using pixmora::editor::MouseButton;
using pixmora::model::ColorMode;
using pixmora::model::PixelImage;
using pixmora::model::PixelRect;
using pixmora::model::RGBAColor;
using pixmora::test::FakeInteraction;

namespace {

constexpr RGBAColor kInk{0, 0, 0, 255};
constexpr RGBAColor kRed{255, 0, 0, 255};
const pixmora::test::Legend kLegend{{'.', {0, 0, 0, 0}}, {'#', kInk}, {'r', kRed}};

struct Host {
    FakeInteraction* ui = new FakeInteraction;
    DocumentController controller{std::unique_ptr<FakeInteraction>(ui)};
    QTemporaryDir dir;

    DocumentWindow* open(const PixelImage& image, ColorMode mode = ColorMode::sixteenColor)
    {
        const QString path = pixmora::test::writeSample(QDir(dir.path()), QStringLiteral("w.png"),
                                                        BitmapDocument{image, false, mode});
        return controller.openFiles({path}).value(0);
    }
};

// The view point at the centre of a pixel of the main canvas.
QPointF centre(DocumentWindow* window, std::int64_t x, std::int64_t y)
{
    const double s = window->uiState()->mainZoom();
    return {(double(x) + 0.5) * s, (double(y) + 0.5) * s};
}

QStringList actionTexts(QMenu* menu)
{
    QStringList texts;
    for (QAction* action : menu->actions())
        texts << (action->isSeparator() ? QStringLiteral("-") : action->text());
    return texts;
}

PixelImage fourByFour()
{
    return pixmora::test::picture({"rr..", "rr..", "....", "...."}, kLegend);
}

}  // namespace

class DocumentWindowTest : public QObject {
    Q_OBJECT

private slots:
    void columnsKeepTheirWidthsAndTheWindowItsMinimum();
    void canvasScrollsWithItsMargin();
    void menusInOrderWithShortcuts();
    void newDocumentSheetCreatesCanvasWithNothingToUndo();
    void closingSheetOtherwiseWritesOnlyTheFlag();
    void eachCanvasWriteIsOneUndoStep();
    void editActionsFollowCanvasAndHistory();
    void undoDuringFloatingSelectionDropsStaleCopy();
    void saveAndCloseIncludeThePendingFloatingSelection();
    void droppedFilesOpen();
};

void DocumentWindowTest::columnsKeepTheirWidthsAndTheWindowItsMinimum()
{
    Host host;
    DocumentWindow* window = host.open(fourByFour());
    QVERIFY(QTest::qWaitForWindowExposed(window));

    window->resize(300, 200);
    QApplication::processEvents();
    QVERIFY(window->findChildren<NewCanvasDialog*>().isEmpty());  // opened files need no sheet
    QVERIFY(window->centralWidget()->width() >= 800);
    QVERIFY(window->centralWidget()->height() >= 600);

    int canvasWidth = -1;
    for (const QSize size : {QSize(900, 650), QSize(1400, 900)}) {
        window->resize(size);
        QApplication::processEvents();
        QCOMPARE(window->toolColumn()->width(), 60);
        QCOMPARE(window->sideColumn()->width(), 200);
        QCOMPARE(window->previewScrollArea()->size(), QSize(140, 140));
        QVERIFY(window->canvasScrollArea()->width() > canvasWidth);
        canvasWidth = window->canvasScrollArea()->width();
    }
    QCOMPARE(window->colorPalette()->width(), 184);
    QCOMPARE(window->colorPalette()->x(), 8);
}

void DocumentWindowTest::canvasScrollsWithItsMargin()
{
    Host host;
    DocumentWindow* window = host.open(pixmora::test::patternImage(60, 60, kInk));
    QVERIFY(QTest::qWaitForWindowExposed(window));
    window->resize(900, 650);
    window->uiState()->setMainZoom(48);
    QApplication::processEvents();

    QWidget* canvas = window->mainCanvas();
    QCOMPARE(canvas->size(), QSize(60 * 48, 60 * 48));
    QWidget* content = window->canvasScrollArea()->widget();
    QCOMPARE(content->size(), canvas->size() + QSize(40, 40));
    QCOMPARE(canvas->pos(), QPoint(20, 20));
    QCOMPARE(window->canvasScrollArea()->horizontalScrollBar()->maximum(),
             content->width() - window->canvasScrollArea()->viewport()->width());
    window->uiState()->setPreviewZoom(4);
    QApplication::processEvents();
    QCOMPARE(window->previewCanvas()->size(), QSize(240, 240));
    QVERIFY(window->previewScrollArea()->verticalScrollBar()->maximum() > 0);
}

void DocumentWindowTest::menusInOrderWithShortcuts()
{
    Host host;
    DocumentWindow* window = host.open(fourByFour());
    const QList<QAction*> menus = window->menuBar()->actions();
    QCOMPARE(menus.size(), 3);
    QCOMPARE(menus[0]->text(), QStringLiteral("ファイル"));
    QCOMPARE(menus[1]->text(), QStringLiteral("編集"));
    QCOMPARE(menus[2]->text(), QStringLiteral("表示"));
    QCOMPARE(actionTexts(menus[0]->menu()),
             (QStringList{"新規", "インポート…", "開く…", "最近使ったファイル", "-", "保存",
                          "別名で保存…", "閉じる", "-", "終了"}));
    QCOMPARE(actionTexts(menus[1]->menu()),
             (QStringList{"元に戻す", "やり直す", "-", "カット", "コピー", "ペースト"}));
    QCOMPARE(actionTexts(menus[2]->menu()), (QStringList{"拡大", "縮小"}));

    const QList<std::pair<QAction*, QString>> shortcuts{
        {window->newAction(), "Ctrl+N"},         {window->openAction(), "Ctrl+O"},
        {window->saveAction(), "Ctrl+S"},        {window->saveAsAction(), "Ctrl+Shift+S"},
        {window->closeAction(), "Ctrl+W"},       {window->quitAction(), "Ctrl+Q"},
        {window->undoAction(), "Ctrl+Z"},        {window->redoAction(), "Ctrl+Shift+Z; Ctrl+Y"},
        {window->cutAction(), "Ctrl+X"},         {window->copyAction(), "Ctrl+C"},
        {window->pasteAction(), "Ctrl+V"},       {window->zoomInAction(), "Ctrl++; Ctrl+="},
        {window->zoomOutAction(), "Ctrl+-"}};
    for (const auto& [action, keys] : shortcuts)
        QCOMPARE(action->shortcuts(), QKeySequence::listFromString(keys));
    QVERIFY(window->importAction()->shortcut().isEmpty());
    QVERIFY(!window->importAction()->isEnabled());
}

void DocumentWindowTest::newDocumentSheetCreatesCanvasWithNothingToUndo()
{
    Host host;
    DocumentWindow* window = host.controller.newDocument();
    QVERIFY(QTest::qWaitForWindowExposed(window));
    QTRY_VERIFY(window->newCanvasSheet() != nullptr);
    QPointer<NewCanvasDialog> sheet = window->newCanvasSheet();
    QVERIFY(sheet->isVisible());
    QCOMPARE(sheet->windowModality(), Qt::WindowModal);
    QCOMPARE(sheet->parentWidget(), window);

    sheet->sizeModel()->setWidth(24);
    sheet->sizeModel()->setHeight(8);
    sheet->colorModeButton(ColorMode::twoColor)->click();
    sheet->createButton()->click();

    const BitmapDocument& value = window->document()->value();
    QCOMPARE(value.image, PixelImage(24, 8));
    QCOMPARE(value.colorMode, ColorMode::twoColor);
    QVERIFY(!value.needsSizeConfiguration);
    QUndoStack* stack = window->document()->undoStack();
    QVERIFY(!stack->canUndo());
    QVERIFY(!stack->canRedo());
    QVERIFY(window->newCanvasSheet() == nullptr);
    QTRY_VERIFY(sheet.isNull() || !sheet->isVisible());
    QVERIFY(!stack->canUndo());  // nor after the deferred reset

    QCOMPARE(window->colorPalette()->colorMode(), ColorMode::twoColor);
    QCOMPARE(window->mainCanvas()->controller().colorMode(), ColorMode::twoColor);
    QCOMPARE(window->mainCanvas()->size(), QSize(24 * 16, 8 * 16));
    QCOMPARE(window->previewCanvas()->size(), QSize(24 * 4, 8 * 4));
    QVERIFY(!window->isWindowModified());
}

void DocumentWindowTest::closingSheetOtherwiseWritesOnlyTheFlag()
{
    Host host;
    DocumentWindow* window = host.controller.newDocument();
    QVERIFY(QTest::qWaitForWindowExposed(window));
    QTRY_VERIFY(window->newCanvasSheet() != nullptr);
    NewCanvasDialog* sheet = window->newCanvasSheet();
    sheet->sizeModel()->setWidth(64);  // not taken: nothing is created
    sheet->reject();

    BitmapDocument expected = pixmora::document::placeholderDocument();
    expected.needsSizeConfiguration = false;
    QCOMPARE(window->document()->value(), expected);
    QVERIFY(!window->document()->undoStack()->canUndo());
    QApplication::processEvents();
    QVERIFY(window->newCanvasSheet() == nullptr);
    QVERIFY(!window->document()->undoStack()->canUndo());
}

void DocumentWindowTest::eachCanvasWriteIsOneUndoStep()
{
    Host host;
    DocumentWindow* window = host.open(fourByFour());
    QVERIFY(QTest::qWaitForWindowExposed(window));
    QUndoStack* stack = window->document()->undoStack();
    pixmora::editor::PixelCanvasWidget* canvas = window->mainCanvas();

    QTest::mousePress(canvas, Qt::LeftButton, {}, centre(window, 0, 3).toPoint());
    QTest::mouseMove(canvas, centre(window, 1, 3).toPoint());
    QTest::mouseMove(canvas, centre(window, 2, 3).toPoint());
    QTest::mouseRelease(canvas, Qt::LeftButton, {}, centre(window, 2, 3).toPoint());
    QCOMPARE(stack->count(), 1);
    QVERIFY(stack->text(0).isEmpty());
    QVERIFY(window->isWindowModified());
    QTest::mouseClick(canvas, Qt::LeftButton, {}, centre(window, 3, 0).toPoint());
    QCOMPARE(stack->count(), 2);

    const pixmora::test::Rows drawn{"rr.#", "rr..", "....", "###."};
    QCOMPARE(pixmora::test::toRows(window->document()->value().image, kLegend), drawn);
    window->undoAction()->trigger();
    window->undoAction()->trigger();
    QCOMPARE(window->document()->value().image, fourByFour());
    QVERIFY(!window->isWindowModified());
    QVERIFY(!window->undoAction()->isEnabled());
    QVERIFY(window->redoAction()->isEnabled());
    window->redoAction()->trigger();
    window->redoAction()->trigger();
    QCOMPARE(pixmora::test::toRows(window->document()->value().image, kLegend), drawn);
    QVERIFY(window->isWindowModified());
    // Both canvases show the document, not a stale copy.
    QCOMPARE(canvas->controller().displayedImage().value(), window->document()->value().image);
    QCOMPARE(window->previewCanvas()->controller().displayedImage().value(),
             window->document()->value().image);
}

void DocumentWindowTest::editActionsFollowCanvasAndHistory()
{
    QGuiApplication::clipboard()->setImage(QImage(1, 1, QImage::Format_ARGB32));
    Host host;
    DocumentWindow* window = host.open(fourByFour());
    QVERIFY(!window->copyAction()->isEnabled());
    QVERIFY(!window->cutAction()->isEnabled());
    QVERIFY(!window->undoAction()->isEnabled());
    // The clipboard is asked once the window is on its way, not while it is built.
    QTRY_VERIFY(window->pasteAction()->isEnabled());

    window->uiState()->setSelectionRect(PixelRect{0, 0, 2, 2});
    QVERIFY(window->copyAction()->isEnabled());
    QVERIFY(window->cutAction()->isEnabled());

    // Cut goes to the main canvas: one document change with the hole.
    window->cutAction()->trigger();
    QCOMPARE(window->document()->value().image, PixelImage(4, 4));
    QVERIFY(QGuiApplication::clipboard()->mimeData()->hasFormat(QStringLiteral("image/png")));
    QVERIFY(window->undoAction()->isEnabled());
    window->uiState()->setSelectionRect(std::nullopt);
    QVERIFY(!window->copyAction()->isEnabled());
}

void DocumentWindowTest::undoDuringFloatingSelectionDropsStaleCopy()
{
    Host host;
    DocumentWindow* window = host.open(fourByFour());
    pixmora::editor::CanvasController& canvas = window->mainCanvas()->controller();
    QTest::mouseClick(window->mainCanvas(), Qt::LeftButton, {}, centre(window, 3, 3).toPoint());
    QCOMPARE(window->document()->undoStack()->count(), 1);

    window->uiState()->setCurrentTool(EditorTool::select);
    window->uiState()->setSelectionRect(PixelRect{0, 0, 2, 2});
    canvas.mousePress(centre(window, 0, 0), MouseButton::left, false);
    canvas.mouseDrag(centre(window, 2, 1), MouseButton::left, false);
    canvas.mouseRelease(centre(window, 2, 1), MouseButton::left, false);
    QVERIFY(canvas.floatingSelection().has_value());
    QVERIFY(window->hasPendingEdits());

    window->undoAction()->trigger();
    QCOMPARE(window->document()->value().image, fourByFour());
    QVERIFY(!canvas.floatingSelection().has_value());
    QVERIFY(!canvas.workingImage().has_value());
    QCOMPARE(canvas.displayedImage().value(), fourByFour());
    // Nothing stale is left to be written back over the undone state.
    window->commitPendingEdits();
    QCOMPARE(window->document()->value().image, fourByFour());
    QVERIFY(window->redoAction()->isEnabled());
}

void DocumentWindowTest::saveAndCloseIncludeThePendingFloatingSelection()
{
    Host host;
    DocumentWindow* window = host.open(fourByFour());
    const QString path = window->document()->filePath();
    pixmora::editor::CanvasController& canvas = window->mainCanvas()->controller();
    window->uiState()->setCurrentTool(EditorTool::select);
    window->uiState()->setSelectionRect(PixelRect{0, 0, 2, 2});
    canvas.mousePress(centre(window, 0, 0), MouseButton::left, false);
    canvas.mouseDrag(centre(window, 2, 2), MouseButton::left, false);
    canvas.mouseRelease(centre(window, 2, 2), MouseButton::left, false);
    QVERIFY(!window->document()->isModified());

    // Only the canvas holds the move, yet closing asks; Cancel keeps it floating.
    host.ui->choices << SaveChangesChoice::cancel;
    QVERIFY(!host.controller.closeDocument(window));
    QCOMPARE(host.ui->saveChangesAsked.size(), 1);
    QVERIFY(window->hasPendingEdits());

    QVERIFY(host.controller.save(window));
    const pixmora::test::Rows moved{"....", "....", "..rr", "..rr"};
    const auto read = pixmora::document::readDocumentFile(path);
    QCOMPARE(pixmora::test::toRows(std::get<BitmapDocument>(read).image, kLegend), moved);
    QVERIFY(!window->hasPendingEdits());
    QVERIFY(!window->isWindowModified());
    QVERIFY(host.controller.closeDocument(window));
}

void DocumentWindowTest::droppedFilesOpen()
{
    Host host;
    DocumentWindow* window = host.open(fourByFour());
    const QString other =
        pixmora::test::writeSample(QDir(host.dir.path()), QStringLiteral("x.png"));
    auto* mime = new QMimeData;
    mime->setUrls({QUrl::fromLocalFile(other)});

    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(window, &enter);
    QVERIFY(enter.isAccepted());
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(window, &drop);
    QCOMPARE(host.controller.windows().size(), 2);
    QVERIFY(host.controller.windowForFile(other) != nullptr);
    delete mime;
}

QTEST_MAIN(DocumentWindowTest)
#include "document_window_test.moc"
