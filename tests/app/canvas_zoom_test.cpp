#include <algorithm>
#include <cmath>

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QScrollArea>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <QWheelEvent>

#include "app/document_controller.h"
#include "app/document_window.h"
#include "app/zoom_stepper.h"
#include "editor/editor_ui_state.h"
#include "editor/pixel_canvas_widget.h"
#include "document_test_support.h"

using pixmora::app::DocumentController;
using pixmora::app::DocumentWindow;
using pixmora::document::BitmapDocument;
using pixmora::editor::EditorUIState;
using pixmora::model::ColorMode;
using pixmora::test::FakeInteraction;

namespace {

struct Host {
    DocumentController controller{std::make_unique<FakeInteraction>()};
    QTemporaryDir dir;

    DocumentWindow* open(std::int64_t side)
    {
        const BitmapDocument value{pixmora::test::patternImage(side, side, {0, 0, 0, 255}), false,
                                   ColorMode::sixteenColor};
        const QString path =
            pixmora::test::writeSample(QDir(dir.path()), QStringLiteral("z.png"), value);
        DocumentWindow* window = controller.openFiles({path}).value(0);
        window->resize(900, 650);
        return window;
    }
};

QWidget* viewport(DocumentWindow* window)
{
    return window->canvasScrollArea()->viewport();
}

// The image point (in pixels, fractional) under a point of the canvas viewport.
QPointF imagePointAt(DocumentWindow* window, QPointF viewportPoint)
{
    const QPointF origin = window->mainCanvas()->mapTo(viewport(window), QPoint(0, 0));
    return (viewportPoint - origin) / window->uiState()->mainZoom();
}

// A wheel turn over `target` as the window system delivers it, so it travels
// from the widget under the pointer up to its parents.
void turnWheel(QWidget* target, QPointF position, int delta, Qt::KeyboardModifiers modifiers)
{
    QWheelEvent event(position, target->mapToGlobal(position), QPoint(), QPoint(0, delta),
                      Qt::NoButton, modifiers, Qt::NoScrollPhase, false);
    // sendEvent would mark it synthesized, and Qt propagates only spontaneous wheels.
    QSpontaneKeyEvent::setSpontaneous(&event);
    qApp->notify(target, &event);
}

// How far (in view pixels, along the worse axis) the image point has moved away
// from the viewport point. Scroll positions are whole pixels, so 0.5 is exact.
double drift(DocumentWindow* window, QPointF imagePoint, QPointF viewportPoint)
{
    const QPointF off = imagePointAt(window, viewportPoint) - imagePoint;
    return std::max(std::abs(off.x()), std::abs(off.y())) * window->uiState()->mainZoom();
}

constexpr double kExact = 0.5 + 1e-9;

}  // namespace

class CanvasZoomTest : public QObject {
    Q_OBJECT

private slots:
    void ctrlWheelOverTheCanvasStepsLikeTheStepper()
    {
        Host host;
        DocumentWindow* window = host.open(40);
        QVERIFY(QTest::qWaitForWindowExposed(window));
        EditorUIState* state = window->uiState();
        const QPointF onCanvas(30, 30);  // canvas coordinates

        turnWheel(window->mainCanvas(), onCanvas, 120, Qt::ControlModifier);
        QCOMPARE(state->mainZoom(), 18.0);
        QCOMPARE(window->mainZoomStepper()->label()->text(), QStringLiteral("×18"));
        turnWheel(window->mainCanvas(), onCanvas, -240, Qt::ControlModifier);
        QCOMPARE(state->mainZoom(), 14.0);

        // The stepper's bounds hold however far the wheel turns.
        turnWheel(viewport(window), QPointF(10, 10), 120 * 40, Qt::ControlModifier);
        QCOMPARE(state->mainZoom(), EditorUIState::mainZoomMaximum);
        turnWheel(viewport(window), QPointF(10, 10), -120 * 40, Qt::ControlModifier);
        QCOMPARE(state->mainZoom(), EditorUIState::mainZoomMinimum);
    }

    void fineWheelsAddUpToWholeSteps()
    {
        Host host;
        DocumentWindow* window = host.open(20);
        QVERIFY(QTest::qWaitForWindowExposed(window));
        for (int i = 0; i < 3; ++i)
            turnWheel(viewport(window), QPointF(50, 50), 40, Qt::ControlModifier);
        QCOMPARE(window->uiState()->mainZoom(), 18.0);
        turnWheel(viewport(window), QPointF(50, 50), 60, Qt::ControlModifier);
        QCOMPARE(window->uiState()->mainZoom(), 18.0);
        // Half a notch back out does nothing yet; the other half steps once.
        turnWheel(viewport(window), QPointF(50, 50), -60, Qt::ControlModifier);
        QCOMPARE(window->uiState()->mainZoom(), 18.0);
        turnWheel(viewport(window), QPointF(50, 50), -60, Qt::ControlModifier);
        QCOMPARE(window->uiState()->mainZoom(), 16.0);
    }

    void plainWheelScrollsAndLeavesTheZoom()
    {
        Host host;
        DocumentWindow* window = host.open(80);
        QVERIFY(QTest::qWaitForWindowExposed(window));
        QApplication::processEvents();
        QScrollBar* vertical = window->canvasScrollArea()->verticalScrollBar();
        QVERIFY(vertical->maximum() > 0);
        turnWheel(window->mainCanvas(), QPointF(40, 40), -120, Qt::NoModifier);
        QCOMPARE(window->uiState()->mainZoom(), 16.0);
        QVERIFY(vertical->value() > 0);
    }

    void pixelUnderThePointerStaysPut_data()
    {
        QTest::addColumn<int>("side");
        QTest::addColumn<QPointF>("pointer");
        QTest::addColumn<int>("steps");
        // Scrolling before and after.
        QTest::newRow("in, large image") << 80 << QPointF(250, 180) << 3;
        QTest::newRow("out, large image") << 80 << QPointF(400, 300) << -2;
        // Fits at first, so the canvas stays centred until it can scroll; from
        // then on the pixel first pointed at comes back under the pointer.
        QTest::newRow("in, image that starts fitting") << 30 << QPointF(300, 260) << 6;
    }
    void pixelUnderThePointerStaysPut()
    {
        QFETCH(int, side);
        QFETCH(QPointF, pointer);
        QFETCH(int, steps);
        Host host;
        DocumentWindow* window = host.open(side);
        QVERIFY(QTest::qWaitForWindowExposed(window));
        QApplication::processEvents();
        // Somewhere in the middle, so the scroll range does not pin the view.
        QScrollArea* area = window->canvasScrollArea();
        area->horizontalScrollBar()->setValue(area->horizontalScrollBar()->maximum() / 2);
        area->verticalScrollBar()->setValue(area->verticalScrollBar()->maximum() / 2);

        const QPointF imagePoint = imagePointAt(window, pointer);
        QVERIFY(imagePoint.x() > 0 && imagePoint.x() < side);
        QVERIFY(imagePoint.y() > 0 && imagePoint.y() < side);
        for (int i = 0; i < std::abs(steps); ++i)
            turnWheel(viewport(window), pointer, steps > 0 ? 120 : -120, Qt::ControlModifier);
        QCOMPARE(window->uiState()->mainZoom(), 16.0 + 2.0 * steps);
        // Still there once scroll bars have come or gone.
        QApplication::processEvents();
        QVERIFY2(drift(window, imagePoint, pointer) <= kExact,
                 qPrintable(QString::number(drift(window, imagePoint, pointer))));
    }

    void menuZoomKeepsTheMiddleAndStopsAtTheBounds()
    {
        Host host;
        DocumentWindow* window = host.open(80);
        QVERIFY(QTest::qWaitForWindowExposed(window));
        QApplication::processEvents();
        QScrollArea* area = window->canvasScrollArea();
        area->horizontalScrollBar()->setValue(300);
        area->verticalScrollBar()->setValue(200);
        const QPointF middle = QRectF(viewport(window)->rect()).center();
        const QPointF imagePoint = imagePointAt(window, middle);

        window->zoomInAction()->trigger();
        QCOMPARE(window->uiState()->mainZoom(), 18.0);
        QVERIFY(drift(window, imagePoint, middle) <= kExact);
        window->zoomOutAction()->trigger();
        window->zoomOutAction()->trigger();
        QCOMPARE(window->uiState()->mainZoom(), 14.0);
        QVERIFY(drift(window, imagePoint, middle) <= kExact);

        window->uiState()->setMainZoom(EditorUIState::mainZoomMaximum);
        QVERIFY(!window->zoomInAction()->isEnabled());
        window->uiState()->setMainZoom(EditorUIState::mainZoomMinimum);
        QVERIFY(!window->zoomOutAction()->isEnabled());
        window->zoomOutAction()->trigger();
        QCOMPARE(window->uiState()->mainZoom(), EditorUIState::mainZoomMinimum);
    }

    void ctrlPlusAndMinusReachTheMenu()
    {
        Host host;
        DocumentWindow* window = host.open(16);
        QVERIFY(QTest::qWaitForWindowActive(window));
        QWidget* canvas = window->mainCanvas();
        QTest::keyClick(canvas, Qt::Key_Equal, Qt::ControlModifier);
        QCOMPARE(window->uiState()->mainZoom(), 18.0);
        QTest::keyClick(canvas, Qt::Key_Plus, Qt::ControlModifier);
        QCOMPARE(window->uiState()->mainZoom(), 20.0);
        QTest::keyClick(canvas, Qt::Key_Minus, Qt::ControlModifier);
        QTest::keyClick(canvas, Qt::Key_Minus, Qt::ControlModifier);
        QTest::keyClick(canvas, Qt::Key_Minus, Qt::ControlModifier);
        QCOMPARE(window->uiState()->mainZoom(), 14.0);
        // The preview keeps its own zoom.
        QCOMPARE(window->uiState()->previewZoom(), 4.0);
    }
};

QTEST_MAIN(CanvasZoomTest)
#include "canvas_zoom_test.moc"
