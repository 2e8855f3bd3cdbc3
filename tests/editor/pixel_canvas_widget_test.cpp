#include <cmath>

#include <QApplication>
#include <QPainter>
#include <QPainterPath>
#include <QTest>

#include "../model/pixel_picture.h"
#include "editor/canvas_raster.h"
#include "editor/editor_ui_state.h"
#include "editor/pixel_canvas_widget.h"
#include "model/pixel_image.h"

using pixmora::editor::CanvasRaster;
using pixmora::editor::CanvasRole;
using pixmora::model::PixelImage;
using pixmora::model::RGBAColor;

namespace {

constexpr RGBAColor clear{0, 0, 0, 0};
constexpr RGBAColor red{255, 0, 0, 255};
constexpr RGBAColor blue{0, 0, 255, 255};
constexpr RGBAColor halfRed{255, 0, 0, 128};
constexpr RGBAColor checkerLight{250, 240, 10, 255};
constexpr RGBAColor checkerDark{10, 20, 200, 255};
const QColor background(30, 140, 30);
const QColor darkGrey(84, 84, 84);

struct MemoryDocument final : pixmora::editor::DocumentBinding {
    explicit MemoryDocument(PixelImage image) : m_image(std::move(image)) {}
    PixelImage image() const override { return m_image; }
    void setImage(const PixelImage& image) override { m_image = image; }
    PixelImage m_image;
};

const pixmora::test::Legend legend{{'.', clear}, {'R', red}, {'B', blue}, {'h', halfRed}};

struct Canvas {
    Canvas(PixelImage image, double zoom) : document(std::move(image)), widget(CanvasRole::main)
    {
        state.setCheckerLightColor(checkerLight);
        state.setCheckerDarkColor(checkerDark);
        state.setMainZoom(zoom);
        QPalette palette = widget.palette();
        palette.setColor(QPalette::Window, background);
        widget.setPalette(palette);
        widget.setDocumentBinding(&document);
        widget.setUIState(&state);
    }
    QImage rendered() { return widget.grab().toImage().convertToFormat(QImage::Format_RGB32); }

    pixmora::editor::EditorUIState state;
    MemoryDocument document;
    pixmora::editor::PixelCanvasWidget widget;
};

// Every cell by the per-cell rule: colour over the background, or a 2 x 2 checker.
QImage cellOracle(const PixelImage& image, int s)
{
    QImage out(int(image.width) * s, int(image.height) * s, QImage::Format_RGB32);
    out.fill(background);
    QPainter painter(&out);
    const QColor light(checkerLight.r, checkerLight.g, checkerLight.b);
    const QColor dark(checkerDark.r, checkerDark.g, checkerDark.b);
    for (int y = 0; y < image.height; ++y) {
        for (int x = 0; x < image.width; ++x) {
            const RGBAColor c = image.at(x, y);
            const QRectF cell(x * s, y * s, s, s);
            if (c.a != 0) {
                painter.fillRect(cell, QColor(c.r, c.g, c.b, c.a));
                continue;
            }
            const double q = s / 2.0;
            painter.fillRect(QRectF(cell.x(), cell.y(), q, q), light);
            painter.fillRect(QRectF(cell.x() + q, cell.y() + q, q, q), light);
            painter.fillRect(QRectF(cell.x() + q, cell.y(), q, q), dark);
            painter.fillRect(QRectF(cell.x(), cell.y() + q, q, q), dark);
        }
    }
    return out;
}

bool near(QColor a, QColor b)
{
    const auto within = [](int x, int y) { return std::abs(x - y) <= 2; };
    return within(a.red(), b.red()) && within(a.green(), b.green()) && within(a.blue(), b.blue());
}

// From pixel size 6 up, each cell's first column and row and the canvas's last
// column and row (`canvasSize`) are the grid's, the rest the oracle's.
QByteArray firstDifference(const QImage& actual, const QImage& expected, int s,
                           QSize canvasSize = {})
{
    if (actual.size() != expected.size()) {
        return "sizes differ";
    }
    if (!canvasSize.isValid()) {
        canvasSize = actual.size();
    }
    for (int y = 0; y < actual.height(); ++y) {
        for (int x = 0; x < actual.width(); ++x) {
            const bool grid = s >= 6
                              && (x % s == 0 || y % s == 0 || x == canvasSize.width() - 1
                                  || y == canvasSize.height() - 1);
            const QColor wanted = grid ? CanvasRaster::gridColor : expected.pixelColor(x, y);
            if (!near(actual.pixelColor(x, y), wanted)) {
                return QStringLiteral("zoom %1 at (%2, %3)").arg(s).arg(x).arg(y).toUtf8();
            }
        }
    }
    return {};
}

// What paint() of `area` (all of it when empty) puts on a black image of the
// image's size at pixel size s.
QImage painted(CanvasRaster& raster, const PixelImage& image, int s, QRect area = {})
{
    raster.setImage(image);
    raster.setAppearance(s, checkerLight, checkerDark, background);
    QImage out(int(image.width) * s, int(image.height) * s, QImage::Format_RGB32);
    out.fill(Qt::black);
    QPainter painter(&out);
    raster.paint(painter, area.isEmpty() ? out.rect() : area);
    painter.end();
    return out;
}

PixelImage sampler(std::int64_t w, std::int64_t h)
{
    PixelImage image(w, h);
    const RGBAColor cycle[] = {clear, red, halfRed, blue, clear, {0, 200, 100, 40}};
    for (std::int64_t y = 0; y < h; ++y) {
        for (std::int64_t x = 0; x < w; ++x) {
            image.at(x, y) = cycle[(x + 2 * y + x / 7) % 6];
        }
    }
    return image;
}

}  // namespace

class PixelCanvasWidgetTest : public QObject {
    Q_OBJECT

private slots:
    void renderingMatchesTheCellRuleAtEveryZoom();
    void floatingPixelsCoverTheClosingGridLines();
    void rasterPastItsBudgetKeepsAWindowUpToDate();
    void outlineIsTheDashedStrokeInEveryPaintedPart();
};

void PixelCanvasWidgetTest::renderingMatchesTheCellRuleAtEveryZoom()
{
    const PixelImage image = sampler(128, 3);
    Canvas canvas(image, 2);
    for (int s = 2; s <= 48; s += 2) {
        canvas.state.setMainZoom(s);
        QCOMPARE(firstDifference(canvas.rendered(), cellOracle(image, s), s), QByteArray());
    }
    // Odd zooms, as the preview has; a zero budget paints band by band keeping nothing.
    for (const std::int64_t budget : {CanvasRaster::defaultCacheBudgetPixels, std::int64_t(0)}) {
        for (int s : {1, 3, 5, 7, 9, 15, 48}) {
            CanvasRaster raster(budget);
            QCOMPARE(firstDifference(painted(raster, image, s), cellOracle(image, s), s),
                     QByteArray());
        }
    }
}

void PixelCanvasWidgetTest::floatingPixelsCoverTheClosingGridLines()
{
    const PixelImage image = sampler(4, 3);
    const PixelImage floating(2, 2, {blue, clear, clear, red});
    CanvasRaster raster;
    raster.setFloating(&floating, {3, 2});  // only its top-left pixel lies on the canvas
    const QImage out = painted(raster, image, 8);
    // The whole last cell, the closing lines' corner included, is the floating pixel.
    for (const QPoint p : {QPoint(24, 16), QPoint(31, 16), QPoint(24, 23), QPoint(31, 23)}) {
        QCOMPARE(out.pixelColor(p), QColor(blue.r, blue.g, blue.b));
    }
    QCOMPARE(out.pixelColor(31, 15), CanvasRaster::gridColor);
    QCOMPARE(out.pixelColor(23, 23), CanvasRaster::gridColor);
    raster.setFloating(nullptr);
    QCOMPARE(painted(raster, image, 8).pixelColor(31, 23), CanvasRaster::gridColor);
}

void PixelCanvasWidgetTest::rasterPastItsBudgetKeepsAWindowUpToDate()
{
    constexpr int s = 16;
    PixelImage image = sampler(20, 12);
    CanvasRaster raster(150 * 150);
    const QRect areas[] = {QRect(0, 0, 96, 80),     QRect(16, 16, 64, 48),
                           QRect(32, 16, 64, 48),   QRect(192, 96, 128, 96),
                           QRect(176, 96, 128, 96), QRect(0, 0, 320, 192)};
    for (int step = 0; step < 6; ++step) {
        const QPoint inside = areas[step].center() / s;
        image.at(inside.x(), inside.y()) = step % 2 ? RGBAColor{0, 250, 250, 255} : checkerDark;
        image.at(19 - step, 11 - step) = RGBAColor{250, 250, 0, 255};
        const QImage out = painted(raster, image, s, areas[step]);
        const QSize canvasFromArea(out.width() - areas[step].left(),
                                   out.height() - areas[step].top());
        const QByteArray difference = firstDifference(
            out.copy(areas[step]), cellOracle(image, s).copy(areas[step]), s, canvasFromArea);
        QVERIFY2(difference.isEmpty(), (QByteArray::number(step) + ": " + difference).constData());
    }
}

void PixelCanvasWidgetTest::outlineIsTheDashedStrokeInEveryPaintedPart()
{
    constexpr int s = 7;
    Canvas canvas(sampler(40, 30), s);
    const QImage pixels = canvas.rendered();
    canvas.state.setCurrentTool(pixmora::editor::EditorTool::select);
    QTest::mousePress(&canvas.widget, Qt::LeftButton, {}, QPoint(3 * s + 3, 4 * s + 3));
    QTest::mouseMove(&canvas.widget, QPoint(39 * s + 3, 26 * s + 3));
    for (int step = 0; step < 10; ++step) {
        QImage expected = pixels;
        QPainter painter(&expected);
        painter.setRenderHint(QPainter::Antialiasing);
        QPainterPath outline;
        outline.addRect(3 * s, 4 * s, 37 * s, 23 * s);
        const double phase = canvas.widget.controller().marchingAntsPhase();
        for (const auto& [colour, shift] : {std::pair{darkGrey, 0.0}, {QColor(Qt::white), 5.0}}) {
            QPen pen(colour, 2.5, Qt::CustomDashLine, Qt::FlatCap, Qt::MiterJoin);
            pen.setDashPattern({2.0, 2.0});
            pen.setDashOffset(std::fmod(std::fmod(phase + shift, 10.0) + 10.0, 10.0) / 2.5);
            painter.strokePath(outline, pen);
        }
        painter.end();
        QVERIFY2(canvas.rendered() == expected, QByteArray::number(step).constData());
        for (const QRect area : {QRect(86, 40, 173, 121), QRect(0, 180, 280, 30),
                                 QRect(250, 0, 30, 210)}) {
            QImage part(area.size(), QImage::Format_RGB32);
            canvas.widget.render(&part, QPoint(), QRegion(area));
            QVERIFY2(part == expected.copy(area), QByteArray::number(step).constData());
        }
        canvas.widget.controller().advanceMarchingAnts();
    }
}

QTEST_MAIN(PixelCanvasWidgetTest)
#include "pixel_canvas_widget_test.moc"
