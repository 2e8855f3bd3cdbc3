#include <algorithm>
#include <cmath>
#include <tuple>

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QColorDialog>
#include <QImage>
#include <QMenuBar>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>
#include <QUndoStack>
#include <QWheelEvent>

#include "app/canvas_size_fields.h"
#include "app/checker_color_settings_widget.h"
#include "app/color_palette_widget.h"
#include "app/color_swatch.h"
#include "app/document_window.h"
#include "app/hosted_document.h"
#include "app/new_canvas_dialog.h"
#include "app/tool_palette_widget.h"
#include "editor/editor_ui_state.h"
#include "editor/pixel_canvas_widget.h"
#include "model/color_mode.h"
#include "document_test_support.h"
#include "../model/pixel_picture.h"

using namespace pixmora;
using app::DocumentWindow;
using editor::EditorTool;
using document::BitmapDocument;
using model::ColorMode;
using model::PixelImage;
using test::Host;

namespace {

const test::Legend kLegend{{'.', model::kTransparent}, {'r', {255, 0, 0, 255}}};
const PixelImage kFourByFour = test::picture({"rr..", "rr..", "....", "...."}, kLegend);
const BitmapDocument kDocument{kFourByFour, false, ColorMode::sixteenColor};

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
    window->uiState()->setSelectionRect(model::PixelRect{0, 0, 2, 2});
    canvas.mousePress(centre(window, 0, 0), editor::MouseButton::left, false);
    canvas.mouseDrag(centre(window, x, y), editor::MouseButton::left, false);
    canvas.mouseRelease(centre(window, x, y), editor::MouseButton::left, false);
}

QPointF imagePointAt(DocumentWindow* window, QPointF viewportPoint)
{
    QWidget* viewport = window->canvasScrollArea()->viewport();
    const QPointF origin = window->mainCanvas()->mapTo(viewport, QPoint(0, 0));
    return (viewportPoint - origin) / window->uiState()->mainZoom();
}

// As the window system delivers it: Qt propagates only spontaneous wheels to parents.
void ctrlWheel(QWidget* target, QPointF position, int delta)
{
    QWheelEvent event(position, target->mapToGlobal(position), QPoint(), QPoint(0, delta),
                      Qt::NoButton, Qt::ControlModifier, Qt::NoScrollPhase, false);
    QSpontaneKeyEvent::setSpontaneous(&event);
    qApp->notify(target, &event);
}

}  // namespace

class DocumentWindowTest : public QObject {
    Q_OBJECT

private slots:
    void newDocumentSheetCreatingLeavesNothingToUndo()
    {
        Host host;
        DocumentWindow* window = host.controller.newDocument();
        QVERIFY(QTest::qWaitForWindowExposed(window));
        QTRY_VERIFY(window->newCanvasSheet() != nullptr);
        QPointer<app::NewCanvasDialog> sheet = window->newCanvasSheet();
        // The sheet holds this document only: the File menu still opens and imports.
        QCOMPARE(QApplication::activeModalWidget(), nullptr);
        QVERIFY(window->openAction()->isEnabled() && window->newAction()->isEnabled());
        QVERIFY(!window->centralWidget()->isEnabled());
        QVERIFY(!window->saveAction()->isEnabled() && !window->zoomInAction()->isEnabled());
        QSignalSpy opens(window->openAction(), &QAction::triggered);
        QTest::keyClick(sheet, Qt::Key_O, Qt::ControlModifier);
        QCOMPARE(opens.size(), 1);
        sheet->sizeModel()->setWidth(24);
        sheet->sizeModel()->setHeight(8);
        sheet->createButton()->click();
        QCOMPARE(window->document()->value().image, PixelImage(24, 8));
        QTRY_VERIFY(sheet.isNull() || !sheet->isVisible());
        QVERIFY(!window->document()->undoStack()->canUndo());  // nor after the deferred reset
        QVERIFY(!window->isWindowModified());
        QVERIFY(window->centralWidget()->isEnabled() && window->saveAction()->isEnabled());
        QVERIFY(window->zoomInAction()->isEnabled());
        QCOMPARE(window->focusWidget(), window->mainCanvas());  // keys reach it at once
    }

    void menusInOrderAndEditActionsFollowCanvasAndHistory()
    {
        QGuiApplication::clipboard()->setImage(QImage(1, 1, QImage::Format_ARGB32));
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
        // The clipboard is asked once the window is on its way, not while it is built.
        QTRY_VERIFY(window->pasteAction()->isEnabled());
        window->uiState()->setSelectionRect(model::PixelRect{0, 0, 2, 2});
        window->cutAction()->trigger();
        QCOMPARE(window->document()->value().image, PixelImage(4, 4));
        QVERIFY(window->undoAction()->isEnabled());
    }

    void undoPutsFloatingPixelsBackFirstAndSaveOrCloseIncludeAPendingOne()
    {
        Host host;
        DocumentWindow* window = host.open(kDocument);
        editor::CanvasController& canvas = window->mainCanvas()->controller();
        canvas.mousePress(centre(window, 0, 3), editor::MouseButton::left, false);
        canvas.mouseRelease(centre(window, 0, 3), editor::MouseButton::left, false);
        const PixelImage dotted = window->document()->value().image;
        QVERIFY(dotted != kFourByFour);
        floatTopLeftTo(window, 2, 1);
        window->undoAction()->trigger();  // the move, which is not in the history yet
        QVERIFY(!canvas.floatingSelection().has_value());
        window->commitPendingEdits();  // nothing stale is left to write back
        QCOMPARE(window->document()->value().image, dotted);
        window->undoAction()->trigger();
        QCOMPARE(window->document()->value().image, kFourByFour);
        floatTopLeftTo(window, 2, 2);
        host.ui->choices << app::SaveChangesChoice::cancel;
        QVERIFY(!host.controller.closeDocument(window));
        QVERIFY(host.controller.save(window));
        const auto read = document::readDocumentFile(window->document()->filePath());
        QCOMPARE(test::toRows(std::get<BitmapDocument>(read).image, kLegend),
                 (test::Rows{"....", "....", "..rr", "..rr"}));
        QVERIFY(!window->isWindowModified());

        // Undo and Redo wait for the mouse button to come up.
        window->uiState()->setCurrentTool(EditorTool::pen);
        const QPoint corner = centre(window, 3, 0).toPoint();
        QTest::mousePress(window->mainCanvas(), Qt::LeftButton, {}, corner);
        window->undoAction()->trigger();
        window->redoAction()->trigger();
        QTest::mouseRelease(window->mainCanvas(), Qt::LeftButton, {}, corner);
        QCOMPARE(window->document()->value().image.at(3, 0), model::kOpaqueBlack);
        QCOMPARE(window->document()->value().image.at(2, 2), (model::RGBAColor{255, 0, 0, 255}));
    }

    void pixelUnderThePointerStaysPut()
    {
        // The second fits at first: centred until it can scroll, then the pixel comes back.
        const std::tuple<int, QPointF, int> rows[] = {{80, QPointF(250, 180), 3},
                                                      {30, QPointF(300, 260), 6}};
        for (const auto& [side, pointer, steps] : rows) {
            Host host;
            DocumentWindow* window = host.open(
                {PixelImage(side, side), false, ColorMode::sixteenColor});
            window->resize(900, 650);
            QVERIFY(QTest::qWaitForWindowExposed(window));
            QApplication::processEvents();
            QScrollArea* area = window->canvasScrollArea();
            area->horizontalScrollBar()->setValue(area->horizontalScrollBar()->maximum() / 2);
            area->verticalScrollBar()->setValue(area->verticalScrollBar()->maximum() / 2);
            const QPointF imagePoint = imagePointAt(window, pointer);
            for (int i = 0; i < steps; ++i)
                ctrlWheel(area->viewport(), pointer, 120);
            const double zoom = window->uiState()->mainZoom();
            QCOMPARE(zoom, 16.0 + 2.0 * steps);
            QApplication::processEvents();  // scroll bars come or go
            // In view pixels; scroll positions are whole pixels, so 0.5 is exact.
            const QPointF off = (imagePointAt(window, pointer) - imagePoint) * zoom;
            const double drift = std::max(std::abs(off.x()), std::abs(off.y()));
            QVERIFY2(drift <= 0.5 + 1e-9, qPrintable(QString::number(drift)));
        }
    }

    void eachKeyPicksTheToolItsButtonNamesButNotDuringADrag()
    {
        Host host;
        DocumentWindow* window = host.open();
        QVERIFY(QTest::qWaitForWindowActive(window));
        editor::PixelCanvasWidget* canvas = window->mainCanvas();
        const QPoint pixel(8, 8);  // inside pixel (0, 0) at zoom 16
        QTest::mousePress(canvas, Qt::LeftButton, {}, pixel);
        QTest::keyClick(canvas, Qt::Key_R);
        QCOMPARE(window->uiState()->currentTool(), EditorTool::pen);
        QTest::mouseRelease(canvas, Qt::LeftButton, {}, pixel);
        QCOMPARE(window->document()->value().image.at(0, 0), (model::RGBAColor{0, 0, 0, 255}));
        editor::EditorUIState paletteState;
        app::ToolPaletteWidget palette(&paletteState);
        const std::pair<QString, Qt::Key> tools[] = {
            {"ペン", Qt::Key_P},    {"バケツ", Qt::Key_G}, {"消しゴム", Qt::Key_E},
            {"選択", Qt::Key_M},    {"四角形", Qt::Key_R}, {"楕円", Qt::Key_O},
            {"直線", Qt::Key_L}};
        for (int i = 1; i <= 7; ++i) {  // pen last: it is picked already
            const EditorTool tool = editor::allEditorTools[std::size_t(i % 7)];
            const auto& [title, key] = tools[i % 7];
            QCOMPARE(palette.button(tool)->toolTip(), title);
            QCOMPARE(palette.button(tool)->title(), title);
            QTest::keyClick(canvas, key);
            QCOMPARE(window->uiState()->currentTool(), tool);
        }
    }

    void clicksBesideTheCanvasLeaveItTheKeysAndTheSixteenColoursFitWithoutScrolling()
    {
        Host host;
        DocumentWindow* window = host.open(kDocument);
        QVERIFY(QTest::qWaitForWindowActive(window));
        QWidget* preview = window->previewScrollArea()->viewport();
        QWidget* margin = window->canvasScrollArea()->viewport();
        app::SwatchGridWidget* grid = window->colorPalette()->grid();
        QScrollArea* gridArea = window->colorPalette()->gridScrollArea();
        QVERIFY(!gridArea->verticalScrollBar()->isVisible());
        QVERIFY(grid->mapTo(gridArea->viewport(), grid->cellGeometry(16).bottomLeft()).y()
                < gridArea->viewport()->height());
        const std::pair<QWidget*, QPoint> clicks[] = {
            {preview, preview->rect().center()},
            {margin, QPoint(2, 2)},
            {grid, grid->cellRect(1).center().toPoint()}};
        for (const auto& [target, point] : clicks) {
            window->uiState()->setSelectionRect(model::PixelRect{0, 0, 1, 1});
            QTest::mouseClick(window->windowHandle(), Qt::RightButton, {},
                              target->mapTo(window, point));
            QWidget* focus = QApplication::focusWidget();
            QCOMPARE(focus, window->mainCanvas());
            QTest::keyClick(focus, Qt::Key_Escape);
            QVERIFY(!window->uiState()->selectionRect().has_value());
        }
    }

    void colourPressesSetOneColourEachAndTheGridListsThePalette()
    {
        editor::EditorUIState state;
        app::ColorPaletteWidget panel(&state, ColorMode::sixteenColor);
        panel.resize(184, 500);  // as the side column leaves it
        panel.show();
        QVERIFY(QTest::qWaitForWindowExposed(&panel));
        app::SwatchGridWidget* grid = panel.grid();
        QWindow* window = panel.windowHandle();
        const auto cellCentre = [grid](int i) {
            return grid->mapTo(grid->window(), grid->cellRect(i).center().toPoint());
        };
        // Through the window, as a real press finds its cell; taken before any release.
        QTest::mousePress(window, Qt::LeftButton, {}, cellCentre(3));
        QCOMPARE(state.currentColor(), grid->colorAt(3));
        QCOMPARE(state.secondaryColor(), model::kTransparent);
        QTest::mouseRelease(window, Qt::LeftButton, {}, cellCentre(3));
        // The drawing colour's ring is centred on the cell's edge: as thick outside as in.
        const QImage ring = grid->grab().toImage();
        const QRect third = grid->cellGeometry(3);
        QCOMPARE(ring.pixelColor(third.left() - 1, third.center().y()),
                 ring.pixelColor(third.left(), third.center().y()));
        QTest::mousePress(window, Qt::RightButton, {}, cellCentre(7));
        QCOMPARE(state.secondaryColor(), grid->colorAt(7));
        QTest::mouseRelease(window, Qt::RightButton, {}, cellCentre(7));
        const QPoint gap = grid->mapTo(grid->window(), QPoint(grid->cellGeometry(1).left() - 1,
                                                              grid->cellGeometry(1).center().y()));
        QTest::mousePress(window, Qt::LeftButton, {}, gap);
        QTest::mouseRelease(window, Qt::LeftButton, {}, gap);
        QCOMPARE(state.currentColor(), grid->colorAt(3));
        QCOMPARE(panel.checkerButton()->toolTip(), QStringLiteral("透明表示の色を変更"));
        QCOMPARE(panel.currentColorSwatch()->toolTip(),
                 QStringLiteral("描画色（左クリックで描画）"));
        QCOMPARE(panel.secondaryColorSwatch()->toolTip(),
                 QStringLiteral("背景色（右クリックで描画）"));
        panel.setColorMode(ColorMode::webSafe256);
        QCOMPARE(grid->count(), 237);
        QCOMPARE(grid->colorAt(0), model::palette(ColorMode::webSafe256).front());
        QCOMPARE(grid->colorAt(236), model::kTransparent);
        QTRY_VERIFY(grid->cellGeometry(236).bottom() < grid->height());  // after the relayout
        QCOMPARE(grid->grab().toImage().pixelColor(grid->cellGeometry(118).center()),
                 app::toDisplayColor(grid->colorAt(118)));

        // The checker popover comes back when a well's colour dialog closes.
        panel.showCheckerSettings();
        app::CheckerColorSettingsWidget* popover = panel.checkerSettings();
        popover->darkWell()->click();
        QPointer<QColorDialog> dialog = popover->openDialog();
        QVERIFY(dialog);
        popover->hide();  // as the dialog's taking the focus does
        dialog->setCurrentColor(QColor(10, 20, 30));
        dialog->accept();
        QTRY_VERIFY(popover->isVisible() && panel.showsCheckerSettings());
        QCOMPARE(state.checkerDarkColor(), (model::RGBAColor{10, 20, 30, 255}));
    }
};

QTEST_MAIN(DocumentWindowTest)
#include "document_window_test.moc"
