#include <algorithm>
#include <cmath>
#include <memory>

#include <QApplication>
#include <QScrollArea>
#include <QScrollBar>
#include <QTest>
#include <QWheelEvent>

#include "app/document_window.h"
#include "editor/editor_ui_state.h"
#include "editor/pixel_canvas_widget.h"
#include "document_test_support.h"

using pixmora::app::DocumentWindow;
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

// A Ctrl+wheel turn over `target` as the window system delivers it, so it travels
// from the widget under the pointer up to its parents.
void ctrlWheel(QWidget* target, QPointF position, int delta)
{
    QWheelEvent event(position, target->mapToGlobal(position), QPoint(), QPoint(0, delta),
                      Qt::NoButton, Qt::ControlModifier, Qt::NoScrollPhase, false);
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
    void pixelUnderThePointerStaysPut()
    {
        const struct {
            int side;
            QPointF pointer;
            int steps;
        } rows[] = {{80, QPointF(250, 180), 3},
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
            for (int i = 0; i < steps; ++i)
                ctrlWheel(viewport(window), pointer, 120);
            QCOMPARE(window->uiState()->mainZoom(), 16.0 + 2.0 * steps);
            // Still there once scroll bars have come or gone.
            QApplication::processEvents();
            QVERIFY2(drift(window, imagePoint, pointer) <= kExact,
                     qPrintable(QString::number(drift(window, imagePoint, pointer))));
        }
    }
};

QTEST_MAIN(CanvasZoomTest)
#include "canvas_zoom_test.moc"
