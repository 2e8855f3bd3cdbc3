#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QImage>
#include <QMenuBar>
#include <QMimeData>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QUndoStack>

#include "app/canvas_size_fields.h"
#include "app/document_window.h"
#include "app/hosted_document.h"
#include "app/new_canvas_dialog.h"
#include "editor/pixel_canvas_widget.h"
#include "document_test_support.h"
#include "../model/pixel_picture.h"

using namespace pixmora;
using app::DocumentWindow;
using app::NewCanvasDialog;
using document::BitmapDocument;
using model::ColorMode;
using model::PixelImage;
using model::PixelRect;
using test::Host;
using test::toRows;

namespace {

constexpr model::RGBAColor kInk{0, 0, 0, 255};
const test::Legend kLegend{{'.', {0, 0, 0, 0}}, {'#', kInk}, {'r', {255, 0, 0, 255}}};
const PixelImage kFourByFour = test::picture({"rr..", "rr..", "....", "...."}, kLegend);
const BitmapDocument kDocument{kFourByFour, false, ColorMode::sixteenColor};

// The view point at the centre of a pixel of the main canvas.
QPointF centre(DocumentWindow* window, std::int64_t x, std::int64_t y)
{
    const double s = window->uiState()->mainZoom();
    return {(double(x) + 0.5) * s, (double(y) + 0.5) * s};
}

// Selects the top-left 2x2 and drags it by its (0, 0) to (x, y), leaving it floating.
void floatTopLeftTo(DocumentWindow* window, std::int64_t x, std::int64_t y)
{
    editor::CanvasController& canvas = window->mainCanvas()->controller();
    window->uiState()->setCurrentTool(editor::EditorTool::select);
    window->uiState()->setSelectionRect(PixelRect{0, 0, 2, 2});
    canvas.mousePress(centre(window, 0, 0), editor::MouseButton::left, false);
    canvas.mouseDrag(centre(window, x, y), editor::MouseButton::left, false);
    canvas.mouseRelease(centre(window, x, y), editor::MouseButton::left, false);
}

}  // namespace

class DocumentWindowTest : public QObject {
    Q_OBJECT

private slots:
    void menusInOrder()
    {
        Host host;
        DocumentWindow* window = host.open(kDocument);
        const QList<QAction*> menus = window->menuBar()->actions();
        QCOMPARE(test::menuTexts(window->menuBar()), (QStringList{"ファイル", "編集", "表示"}));
        QCOMPARE(test::menuTexts(menus[0]->menu()),
                 (QStringList{"新規", "インポート…", "開く…", "最近使ったファイル", "-", "保存",
                              "別名で保存…", "閉じる", "-", "終了"}));
        QCOMPARE(test::menuTexts(menus[1]->menu()),
                 (QStringList{"元に戻す", "やり直す", "-", "カット", "コピー", "ペースト"}));
        QCOMPARE(test::menuTexts(menus[2]->menu()), (QStringList{"拡大", "縮小"}));
    }

    void newDocumentSheetCreatingLeavesNothingToUndo()
    {
        Host host;
        DocumentWindow* window = host.controller.newDocument();
        QVERIFY(QTest::qWaitForWindowExposed(window));
        QTRY_VERIFY(window->newCanvasSheet() != nullptr);
        QPointer<NewCanvasDialog> sheet = window->newCanvasSheet();
        QCOMPARE(sheet->parentWidget(), window);
        sheet->sizeModel()->setWidth(24);
        sheet->sizeModel()->setHeight(8);
        sheet->colorModeButton(ColorMode::twoColor)->click();
        sheet->createButton()->click();
        QCOMPARE(window->document()->value().image, PixelImage(24, 8));
        QCOMPARE(window->mainCanvas()->controller().colorMode(), ColorMode::twoColor);
        QTRY_VERIFY(sheet.isNull() || !sheet->isVisible());
        QVERIFY(!window->document()->undoStack()->canUndo());  // nor after the deferred reset
        QVERIFY(!window->isWindowModified());
    }

    void editActionsFollowCanvasAndHistory()
    {
        QGuiApplication::clipboard()->setImage(QImage(1, 1, QImage::Format_ARGB32));
        Host host;
        DocumentWindow* window = host.open(kDocument);
        QVERIFY(!window->cutAction()->isEnabled());
        QVERIFY(!window->undoAction()->isEnabled());
        // The clipboard is asked once the window is on its way, not while it is built.
        QTRY_VERIFY(window->pasteAction()->isEnabled());

        window->uiState()->setSelectionRect(PixelRect{0, 0, 2, 2});
        QVERIFY(window->cutAction()->isEnabled());
        // Cut goes to the main canvas: one document change with the hole.
        window->cutAction()->trigger();
        QCOMPARE(window->document()->value().image, PixelImage(4, 4));
        QVERIFY(QGuiApplication::clipboard()->mimeData()->hasFormat(QStringLiteral("image/png")));
        QVERIFY(window->undoAction()->isEnabled());
    }

    void eachCanvasWriteIsOneUndoStepAndUndoDropsAFloatingCopy()
    {
        Host host;
        DocumentWindow* window = host.open(kDocument);
        QVERIFY(QTest::qWaitForWindowExposed(window));
        editor::PixelCanvasWidget* widget = window->mainCanvas();
        QTest::mousePress(widget, Qt::LeftButton, {}, centre(window, 0, 3).toPoint());
        QTest::mouseMove(widget, centre(window, 1, 3).toPoint());
        QTest::mouseMove(widget, centre(window, 2, 3).toPoint());
        QTest::mouseRelease(widget, Qt::LeftButton, {}, centre(window, 2, 3).toPoint());
        QCOMPARE(window->document()->undoStack()->count(), 1);
        floatTopLeftTo(window, 2, 1);
        QVERIFY(window->hasPendingEdits());
        window->undoAction()->trigger();
        QCOMPARE(window->document()->value().image, kFourByFour);
        QVERIFY(!window->isWindowModified());
        QVERIFY(!widget->controller().floatingSelection().has_value());
        window->commitPendingEdits();  // nothing stale is left to write back
        QCOMPARE(window->document()->value().image, kFourByFour);
    }

    void saveAndCloseIncludeThePendingFloatingSelection()
    {
        Host host;
        DocumentWindow* window = host.open(kDocument);
        floatTopLeftTo(window, 2, 2);
        QVERIFY(!window->document()->isModified());
        // Only the canvas holds the move, yet closing asks.
        host.ui->choices << app::SaveChangesChoice::cancel;
        QVERIFY(!host.controller.closeDocument(window));
        QCOMPARE(host.ui->saveChangesAsked.size(), 1);
        QVERIFY(window->hasPendingEdits());
        QVERIFY(host.controller.save(window));
        const auto read = document::readDocumentFile(window->document()->filePath());
        QCOMPARE(toRows(std::get<BitmapDocument>(read).image, kLegend),
                 (test::Rows{"....", "....", "..rr", "..rr"}));
        QVERIFY(!window->isWindowModified());
    }
};

QTEST_MAIN(DocumentWindowTest)
#include "document_window_test.moc"
