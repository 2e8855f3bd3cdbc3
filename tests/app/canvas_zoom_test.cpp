#include <algorithm>
#include <cmath>
#include <memory>

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QScrollArea>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>
#include <QWheelEvent>

#include "app/document_window.h"
#include "app/stepper_buttons.h"
#include "app/zoom_stepper.h"
#include "editor/editor_ui_state.h"
#include "editor/pixel_canvas_widget.h"
#include "document_test_support.h"

using pixmora::app::DocumentWindow;
using pixmora::app::ZoomStepper;
using pixmora::editor::EditorUIState;
using pixmora::test::Host;

namespace {

// A side x side picture in a 900 x 650 window.
DocumentWindow* openSquare(Host& host, std::int64_t side)
{
    DocumentWindow* window = host.open({pixmora::test::patternImage(side, side, {0, 0, 0, 255}),
                                        false, pixmora::model::ColorMode::sixteenColor});
    window->resize(900, 650);
    return window;
}

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

void click(QToolButton* button, int times = 1)
{
    for (int i = 0; i < times; ++i)
        QTest::mouseClick(button, Qt::LeftButton);
}

}  // namespace

class CanvasZoomTest : public QObject {
    Q_OBJECT

private slots:
    void steppersStepWithinTheirBoundsAndLabelWholeNumbers()
    {
        EditorUIState state;
        std::unique_ptr<ZoomStepper> stepper(ZoomStepper::createMainZoomStepper(&state));
        QToolButton* up = stepper->buttons()->incrementButton();
        QToolButton* down = stepper->buttons()->decrementButton();
        click(up, 3);
        QCOMPARE(state.mainZoom(), 22.0);
        QCOMPARE(stepper->label()->text(), QStringLiteral("×22"));
        click(down);
        QCOMPARE(state.mainZoom(), 20.0);
        state.setMainZoom(48.0);
        click(up);
        QCOMPARE(state.mainZoom(), 48.0);
        QVERIFY(!up->isEnabled());
        // Values from outside are pulled in.
        stepper->setValue(-3.0);
        QCOMPARE(state.mainZoom(), 2.0);
        QVERIFY(!down->isEnabled());
        // The preview's runs from 1 to 16 by one.
        std::unique_ptr<ZoomStepper> preview(ZoomStepper::createPreviewZoomStepper(&state));
        click(preview->buttons()->decrementButton(), 5);
        QCOMPARE(state.previewZoom(), 1.0);
        QSignalSpy seen(&state, &EditorUIState::previewZoomChanged);
        click(preview->buttons()->incrementButton(), 20);
        QCOMPARE(seen.size(), 15);
        QCOMPARE(seen.last().first().toDouble(), 16.0);
        QCOMPARE(preview->label()->text(), QStringLiteral("×16"));
        QCOMPARE(ZoomStepper::labelText(7.9), QStringLiteral("×7"));
    }

    void ctrlWheelStepsLikeTheStepperAndAddsUpFineTurns()
    {
        Host host;
        DocumentWindow* window = openSquare(host, 40);
        QVERIFY(QTest::qWaitForWindowExposed(window));
        EditorUIState* state = window->uiState();
        turnWheel(window->mainCanvas(), QPointF(30, 30), 120, Qt::ControlModifier);
        QCOMPARE(state->mainZoom(), 18.0);
        QCOMPARE(window->mainZoomStepper()->label()->text(), QStringLiteral("×18"));
        turnWheel(window->mainCanvas(), QPointF(30, 30), -240, Qt::ControlModifier);
        QCOMPARE(state->mainZoom(), 14.0);
        // Fine wheels add up to whole steps; half a notch back out waits for its other half.
        for (int delta : {40, 40, 40})
            turnWheel(viewport(window), QPointF(50, 50), delta, Qt::ControlModifier);
        QCOMPARE(state->mainZoom(), 16.0);
        turnWheel(viewport(window), QPointF(50, 50), 60, Qt::ControlModifier);
        turnWheel(viewport(window), QPointF(50, 50), -60, Qt::ControlModifier);
        QCOMPARE(state->mainZoom(), 16.0);
        turnWheel(viewport(window), QPointF(50, 50), -60, Qt::ControlModifier);
        QCOMPARE(state->mainZoom(), 14.0);
        // The stepper's bounds hold however far the wheel turns.
        turnWheel(viewport(window), QPointF(10, 10), 120 * 40, Qt::ControlModifier);
        QCOMPARE(state->mainZoom(), EditorUIState::mainZoomMaximum);
        turnWheel(viewport(window), QPointF(10, 10), -120 * 40, Qt::ControlModifier);
        QCOMPARE(state->mainZoom(), EditorUIState::mainZoomMinimum);
    }

    void pixelUnderThePointerStaysPut()
    {
        const struct {
            int side;
            QPointF pointer;
            int steps;
        } rows[] = {{80, QPointF(250, 180), 3},   // scrolling before and after
                    {80, QPointF(400, 300), -2},  // zooming out
                    // Fits at first, so the canvas stays centred until it can scroll;
                    // from then on the pixel first pointed at comes back under the pointer.
                    {30, QPointF(300, 260), 6}};
        for (const auto& [side, pointer, steps] : rows) {
            Host host;
            DocumentWindow* window = openSquare(host, side);
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
    }

    void plainWheelScrollsAndMenuZoomKeepsTheMiddle()
    {
        Host host;
        DocumentWindow* window = openSquare(host, 80);
        QVERIFY(QTest::qWaitForWindowExposed(window));
        QApplication::processEvents();
        QScrollArea* area = window->canvasScrollArea();
        area->horizontalScrollBar()->setValue(300);
        area->verticalScrollBar()->setValue(200);
        turnWheel(window->mainCanvas(), QPointF(40, 40), -120, Qt::NoModifier);
        QCOMPARE(window->uiState()->mainZoom(), 16.0);
        QVERIFY(area->verticalScrollBar()->value() > 200);
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
    }
};

QTEST_MAIN(CanvasZoomTest)
#include "canvas_zoom_test.moc"
