#include <cmath>
#include <vector>

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QScrollArea>
#include <QTest>
#include <QVBoxLayout>

#include "../model/pixel_picture.h"
#include "editor/canvas_raster.h"
#include "editor/editor_ui_state.h"
#include "editor/pixel_canvas_widget.h"
#include "model/pixel_image.h"

using pixmora::editor::CanvasRaster;
using pixmora::editor::CanvasRole;
using pixmora::editor::DocumentBinding;
using pixmora::editor::EditorTool;
using pixmora::editor::EditorUIState;
using pixmora::editor::PixelCanvasWidget;
using pixmora::model::PixelImage;
using pixmora::model::PixelRect;
using pixmora::model::RGBAColor;

namespace {

constexpr RGBAColor clear{0, 0, 0, 0};
constexpr RGBAColor red{255, 0, 0, 255};
constexpr RGBAColor blue{0, 0, 255, 255};
constexpr RGBAColor halfRed{255, 0, 0, 128};
// Checker colours far from every other colour in these tests.
constexpr RGBAColor checkerLight{250, 240, 10, 255};
constexpr RGBAColor checkerDark{10, 20, 200, 255};
const QColor background(30, 140, 30);
const QColor darkGrey(84, 84, 84);

class MemoryDocument final : public DocumentBinding {
public:
    explicit MemoryDocument(PixelImage image) : m_image(std::move(image)) {}
    PixelImage image() const override { return m_image; }
    void setImage(const PixelImage& image) override
    {
        m_image = image;
        ++writes;
    }
    PixelImage m_image;
    int writes = 0;
};

const pixmora::test::Legend legend{{'.', clear}, {'R', red}, {'B', blue}, {'h', halfRed}};

PixelImage picture(const pixmora::test::Rows& rows)
{
    return pixmora::test::picture(rows, legend);
}

PixelImage filled(std::int64_t w, std::int64_t h, RGBAColor c)
{
    return PixelImage(w, h, std::vector<RGBAColor>(static_cast<std::size_t>(w * h), c));
}

// One canvas wired to its own state and an in-memory document.
struct Canvas {
    explicit Canvas(PixelImage image, CanvasRole role = CanvasRole::main, double zoom = 16.0)
        : document(std::move(image)), widget(role)
    {
        state.setCheckerLightColor(checkerLight);
        state.setCheckerDarkColor(checkerDark);
        state.setMainZoom(zoom);
        state.setPreviewZoom(zoom);
        QPalette palette = widget.palette();
        palette.setColor(QPalette::Window, background);
        widget.setPalette(palette);
        widget.setDocumentBinding(&document);
        widget.setUIState(&state);
    }
    QImage rendered() { return widget.grab().toImage().convertToFormat(QImage::Format_RGB32); }
    void click(Qt::MouseButton button, QPoint at) { QTest::mouseClick(&widget, button, {}, at); }

    EditorUIState state;
    MemoryDocument document;
    PixelCanvasWidget widget;
};

QColor qcolor(RGBAColor c)
{
    return QColor(c.r, c.g, c.b, c.a);
}

bool near(QColor actual, QColor expected, int tolerance = 2)
{
    return std::abs(actual.red() - expected.red()) <= tolerance
        && std::abs(actual.green() - expected.green()) <= tolerance
        && std::abs(actual.blue() - expected.blue()) <= tolerance;
}

QByteArray describe(QPoint at, QColor actual, QColor expected)
{
    return QStringLiteral("at (%1, %2): got %3, expected %4")
        .arg(at.x())
        .arg(at.y())
        .arg(actual.name(), expected.name())
        .toUtf8();
}

#define VERIFY_COLOUR(image, point, expected)                                                    \
    do {                                                                                         \
        const QPoint at_ = (point);                                                              \
        const QColor actual_ = (image).pixelColor(at_);                                          \
        QVERIFY2(near(actual_, (expected)), describe(at_, actual_, (expected)).constData());      \
    } while (false)

// Every cell by the per-cell rule: colour over the background, or a 2 x 2 checker.
QImage cellOracle(const PixelImage& image, int s)
{
    QImage out(int(image.width) * s, int(image.height) * s, QImage::Format_RGB32);
    out.fill(background);
    QPainter painter(&out);
    for (int y = 0; y < image.height; ++y) {
        for (int x = 0; x < image.width; ++x) {
            const RGBAColor c = image.at(x, y);
            const QRectF cell(x * s, y * s, s, s);
            if (c.a != 0) {
                painter.fillRect(cell, qcolor(c));
                continue;
            }
            const double q = s / 2.0;
            painter.fillRect(QRectF(cell.x(), cell.y(), q, q), qcolor(checkerLight));
            painter.fillRect(QRectF(cell.x() + q, cell.y() + q, q, q), qcolor(checkerLight));
            painter.fillRect(QRectF(cell.x() + q, cell.y(), q, q), qcolor(checkerDark));
            painter.fillRect(QRectF(cell.x(), cell.y() + q, q, q), qcolor(checkerDark));
        }
    }
    return out;
}

// Null when `actual` shows every cell as `expected` does, ignoring the grid pixels
// (each cell's first column and row from pixel size 6 up); otherwise where it differs.
QByteArray firstDifference(const QImage& actual, const QImage& expected, int s)
{
    if (actual.size() != expected.size()) {
        return "sizes differ";
    }
    for (int y = 0; y < actual.height(); ++y) {
        for (int x = 0; x < actual.width(); ++x) {
            if (s >= 6 && (x % s == 0 || y % s == 0)) {
                continue;
            }
            if (!near(actual.pixelColor(x, y), expected.pixelColor(x, y))) {
                return QByteArray("zoom ") + QByteArray::number(s) + " "
                     + describe({x, y}, actual.pixelColor(x, y), expected.pixelColor(x, y));
            }
        }
    }
    return {};
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

void sendMove(QWidget& widget, QPoint at)
{
    QMouseEvent move(QEvent::MouseMove, at, widget.mapToGlobal(at), Qt::NoButton, Qt::NoButton,
                     Qt::NoModifier);
    QApplication::sendEvent(&widget, &move);
}

bool keyAccepted(QWidget& widget, int key)
{
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
    QApplication::sendEvent(&widget, &press);
    return press.isAccepted();
}

}  // namespace

class PixelCanvasWidgetTest : public QObject {
    Q_OBJECT

private slots:
    void shiftConstrainsALineFromTheMouseAndFromTheKey();
    void renderingMatchesTheCellRuleAtEveryEvenZoom();
    void rasterFollowsTheFillRuleKeptOrNot();
    void partialRepaintMatchesFullPaint();
    void rasterPastItsBudgetKeepsAWindowUpToDate();
    void outlineIsTheDashedStrokeInEveryPaintedPart();
    void floatingPixelsCoverTheGridOfTheirCells();
    void selectionOutlineAndHandlesOnlyFromPixelSizeSix();
    void marchingAntsRunOnlyWhileASelectionExists();
    void sizeFollowsZoomAndImage();
    void handleCursorsFollowThePointer();
    void keysReachTheCanvasAndOthersPassOn();
    void mainCanvasTakesFocusPreviewNever();
    void previewIgnoresMouseAndKeys();
};

void PixelCanvasWidgetTest::shiftConstrainsALineFromTheMouseAndFromTheKey()
{
    Canvas canvas(filled(12, 8, clear));
    canvas.state.setCurrentTool(EditorTool::line);
    canvas.state.setCurrentColor(red);
    canvas.state.setSecondaryColor(blue);
    const auto at = [](int x, int y) { return QPoint(x * 16 + 8, y * 16 + 8); };
    // Shift on the drag turns (0, 0) to (10, 4) horizontal.
    QTest::mousePress(&canvas.widget, Qt::LeftButton, {}, at(0, 0));
    QTest::mouseEvent(QTest::MouseMove, &canvas.widget, Qt::NoButton, Qt::ShiftModifier,
                      at(10, 4));
    QTest::mouseRelease(&canvas.widget, Qt::LeftButton, Qt::ShiftModifier, at(10, 4));
    // The Shift key alone turns a right-button (0, 2) to (6, 7) to 45 degrees.
    QTest::mousePress(&canvas.widget, Qt::RightButton, {}, at(0, 2));
    QTest::mouseMove(&canvas.widget, at(6, 7));
    QTest::keyPress(&canvas.widget, Qt::Key_Shift, Qt::ShiftModifier);
    QTest::mouseRelease(&canvas.widget, Qt::RightButton, Qt::ShiftModifier, at(6, 7));

    PixelImage expected = filled(12, 8, clear);
    for (int d = 0; d <= 10; ++d) {
        expected.at(d, 0) = red;
        if (d <= 5) {
            expected.at(d, 2 + d) = blue;
        }
    }
    QCOMPARE(canvas.document.m_image, expected);
    QCOMPARE(canvas.document.writes, 2);
}

void PixelCanvasWidgetTest::renderingMatchesTheCellRuleAtEveryEvenZoom()
{
    // 128 wide at zoom 48 also catches scaled drawing that drifts across the width.
    const PixelImage image = sampler(128, 3);
    Canvas canvas(image, CanvasRole::main, 2);
    for (int s = 2; s <= 48; s += 2) {
        canvas.state.setMainZoom(s);
        const QByteArray difference = firstDifference(canvas.rendered(), cellOracle(image, s), s);
        QVERIFY2(difference.isEmpty(), difference.constData());
    }
    canvas.state.setCheckerLightColor(blue);  // shows at once
    VERIFY_COLOUR(canvas.rendered(), QPoint(12, 12), qcolor(blue));  // top-left quarter
}

void PixelCanvasWidgetTest::rasterFollowsTheFillRuleKeptOrNot()
{
    // Odd preview zooms split cells as aliased fills do; a zero budget paints
    // band by band without keeping the canvas (6144 x 144 takes several bands).
    const PixelImage image = sampler(128, 3);
    for (const std::int64_t budget : {CanvasRaster::defaultCacheBudgetPixels, std::int64_t(0)}) {
        for (int s : {1, 3, 5, 7, 9, 15, 48}) {
            CanvasRaster raster(budget);
            raster.setImage(image);
            raster.setAppearance(s, checkerLight, checkerDark, background);
            QImage out(int(image.width) * s, int(image.height) * s, QImage::Format_RGB32);
            out.fill(Qt::black);
            QPainter painter(&out);
            raster.paint(painter, out.rect());
            painter.end();
            const QByteArray difference = firstDifference(out, cellOracle(image, s), s);
            QVERIFY2(difference.isEmpty(), difference.constData());
        }
    }
}

void PixelCanvasWidgetTest::partialRepaintMatchesFullPaint()
{
    Canvas canvas(picture({".RhB", "B.R.", "hh..", "R..B"}), CanvasRole::main, 12);
    canvas.state.setSelectionRect(PixelRect{1, 1, 2, 2});
    const QImage full = canvas.rendered();
    for (const QRect area : {QRect(5, 7, 20, 13), QRect(13, 0, 1, 48), QRect(30, 30, 18, 18)}) {
        const QImage part =
            canvas.widget.grab(area).toImage().convertToFormat(QImage::Format_RGB32);
        QCOMPARE(part, full.copy(area));
    }
}

void PixelCanvasWidgetTest::rasterPastItsBudgetKeepsAWindowUpToDate()
{
    // 320 x 192 view pixels over a budget of 150 x 150: parts are kept, as when
    // scrolling a large canvas, and edits in between must reach them.
    constexpr int s = 16;
    PixelImage image = sampler(20, 12);
    CanvasRaster raster(150 * 150);
    raster.setImage(image);
    raster.setAppearance(s, checkerLight, checkerDark, background);
    QImage out(20 * s, 12 * s, QImage::Format_RGB32);
    const QRect areas[] = {QRect(0, 0, 96, 80),     QRect(16, 16, 64, 48),
                           QRect(32, 16, 64, 48),   QRect(192, 96, 128, 96),
                           QRect(176, 96, 128, 96), QRect(0, 0, 320, 192)};
    for (int step = 0; step < 6; ++step) {
        // An edit inside the area and one anywhere, in colours the sampler lacks.
        const QRect area = areas[step];
        const QPoint inside = area.center() / s;
        image.at(inside.x(), inside.y()) = step % 2 ? RGBAColor{0, 250, 250, 255} : checkerDark;
        image.at(19 - step, 11 - step) = RGBAColor{250, 250, 0, 255};
        raster.setImage(image);
        out.fill(Qt::black);
        QPainter painter(&out);
        raster.paint(painter, area);
        painter.end();
        const QByteArray difference =
            firstDifference(out.copy(area), cellOracle(image, s).copy(area), s);
        QVERIFY2(difference.isEmpty(), (QByteArray::number(step) + ": " + difference).constData());
    }
}

void PixelCanvasWidgetTest::outlineIsTheDashedStrokeInEveryPaintedPart()
{
    // While a selection is dragged out it has an outline and no handles: a 2.5-wide
    // dark grey and white dash pattern (5 on, 5 off each) along the cell edges, shifted
    // by the ants' phase, drawn here whole as the reference for whole and partial paints.
    constexpr int s = 7;
    Canvas canvas(sampler(40, 30), CanvasRole::main, s);
    const QImage pixels = canvas.rendered();
    canvas.state.setCurrentTool(EditorTool::select);
    QTest::mousePress(&canvas.widget, Qt::LeftButton, {}, QPoint(3 * s + 3, 4 * s + 3));
    QTest::mouseMove(&canvas.widget, QPoint(39 * s + 3, 26 * s + 3));
    QCOMPARE(canvas.state.selectionRect(), std::optional(PixelRect{3, 4, 37, 23}));
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

void PixelCanvasWidgetTest::floatingPixelsCoverTheGridOfTheirCells()
{
    Canvas canvas(picture({"BBBBBBBB", "BRRRBBBB", "BRhRBBBB", "BRRRBBBB",
                           "BBBBBBBB", "BBBBBBBB", "BBBBBBBB", "BBBBBBBB"}),
                  CanvasRole::main, 8);
    canvas.state.setCurrentTool(EditorTool::select);
    canvas.state.setSelectionRect(PixelRect{1, 1, 3, 3});
    QTest::mousePress(&canvas.widget, Qt::LeftButton, {}, QPoint(12, 12));
    QTest::mouseMove(&canvas.widget, QPoint(28, 28));
    QTest::mouseRelease(&canvas.widget, Qt::LeftButton, {}, QPoint(28, 28));
    QCOMPARE(canvas.state.selectionRect(), std::optional(PixelRect{3, 3, 3, 3}));
    QCOMPARE(canvas.document.writes, 0);

    // Grid pixels of inner floating cells, clear of the outline and the handles:
    // (4, 5) red, (4, 4) half red, which the grid shows through.
    const QImage image = canvas.rendered();
    VERIFY_COLOUR(image, QPoint(4 * 8 + 3, 5 * 8), qcolor(red));
    VERIFY_COLOUR(image, QPoint(4 * 8, 5 * 8 + 3), qcolor(red));
    QImage grid(1, 1, QImage::Format_RGB32);
    grid.fill(CanvasRaster::gridColor);
    QPainter(&grid).fillRect(0, 0, 1, 1, qcolor(halfRed));
    VERIFY_COLOUR(image, QPoint(4 * 8 + 3, 4 * 8), grid.pixelColor(0, 0));
    // The hole left behind: checker cells under the grid.
    VERIFY_COLOUR(image, QPoint(2 * 8 + 3, 2 * 8), CanvasRaster::gridColor);
    VERIFY_COLOUR(image, QPoint(10, 10), qcolor(checkerLight));
    VERIFY_COLOUR(image, QPoint(4, 52), qcolor(blue));
}

void PixelCanvasWidgetTest::selectionOutlineAndHandlesOnlyFromPixelSizeSix()
{
    Canvas canvas(filled(8, 8, red), CanvasRole::main, 8);
    canvas.state.setCurrentTool(EditorTool::select);
    canvas.state.setSelectionRect(PixelRect{2, 2, 3, 3});  // view (16, 16) to (40, 40)
    // The outline is checked in outlineIsTheDashedStrokeInEveryPaintedPart. Top-left
    // handle: 8 x 8 around (16, 16), white inside a dark grey border.
    QImage image = canvas.rendered();
    VERIFY_COLOUR(image, QPoint(14, 14), QColor(Qt::white));
    VERIFY_COLOUR(image, QPoint(19, 19), darkGrey);

    canvas.state.setMainZoom(4);  // view (8, 8) to (20, 20): nothing drawn over the pixels
    image = canvas.rendered();
    for (const QPoint p : {QPoint(10, 7), QPoint(11, 8), QPoint(6, 6), QPoint(21, 21)}) {
        VERIFY_COLOUR(image, p, qcolor(red));
    }
}

void PixelCanvasWidgetTest::marchingAntsRunOnlyWhileASelectionExists()
{
    Canvas canvas(filled(8, 8, red));
    Canvas preview(filled(8, 8, red), CanvasRole::preview);
    preview.widget.setUIState(&canvas.state);
    const auto running = [&](bool expected) {
        return canvas.widget.isMarchingAntsRunning() == expected
            && preview.widget.isMarchingAntsRunning() == expected;
    };
    QVERIFY(running(false));
    canvas.state.setSelectionRect(PixelRect{1, 1, 2, 2});
    QVERIFY(running(true));
    const double phase = canvas.widget.controller().marchingAntsPhase();
    QTRY_VERIFY(canvas.widget.controller().marchingAntsPhase() != phase);

    // A floating selection keeps them running even when the rectangle is gone.
    canvas.state.setCurrentTool(EditorTool::select);
    canvas.state.setSelectionRect(PixelRect{1, 1, 2, 2});
    canvas.click(Qt::LeftButton, QPoint(24, 24));
    QVERIFY(canvas.widget.controller().floatingSelection().has_value());
    canvas.state.setSelectionRect(std::nullopt);
    QVERIFY(canvas.widget.isMarchingAntsRunning());
    QTest::keyClick(&canvas.widget, Qt::Key_Escape);  // puts the pixels back, selected again
    QVERIFY(canvas.widget.isMarchingAntsRunning());
    QTest::keyClick(&canvas.widget, Qt::Key_Escape);  // deselects
    QVERIFY(running(false));
}

void PixelCanvasWidgetTest::sizeFollowsZoomAndImage()
{
    Canvas canvas(filled(32, 32, clear));
    Canvas preview(filled(32, 32, clear), CanvasRole::preview);
    preview.widget.setUIState(&canvas.state);
    canvas.state.setMainZoom(16);
    canvas.state.setPreviewZoom(4);
    QCOMPARE(canvas.widget.sizeHint(), QSize(512, 512));
    canvas.state.setMainZoom(8);
    QCOMPARE(canvas.widget.size(), QSize(256, 256));
    QCOMPARE(preview.widget.size(), QSize(128, 128));
    canvas.document.m_image = filled(16, 8, clear);
    canvas.widget.documentImageChanged();
    QCOMPARE(canvas.widget.size(), QSize(128, 64));
}

void PixelCanvasWidgetTest::handleCursorsFollowThePointer()
{
    Canvas canvas(filled(8, 8, red));
    canvas.state.setCurrentTool(EditorTool::select);
    canvas.state.setSelectionRect(PixelRect{2, 2, 3, 3});  // view (32, 32) to (80, 80)
    const struct {
        QPoint at;
        Qt::CursorShape shape;
    } rows[] = {{{81, 81}, Qt::SizeFDiagCursor}, {{28, 35}, Qt::SizeFDiagCursor},
                {{83, 29}, Qt::SizeBDiagCursor}, {{32, 78}, Qt::SizeBDiagCursor},
                {{80, 56}, Qt::SizeHorCursor},   {{56, 28}, Qt::SizeVerCursor},
                {{60, 60}, Qt::ArrowCursor},     {{5, 5}, Qt::ArrowCursor}};
    for (const auto& row : rows) {
        sendMove(canvas.widget, row.at);
        QCOMPARE(canvas.widget.cursor().shape(), row.shape);
    }
    sendMove(canvas.widget, QPoint(81, 81));
    canvas.state.setCurrentTool(EditorTool::pen);  // under a still pointer too
    QCOMPARE(canvas.widget.cursor().shape(), Qt::ArrowCursor);
}

void PixelCanvasWidgetTest::keysReachTheCanvasAndOthersPassOn()
{
    Canvas canvas(picture({"RRRR", "RRRR"}));
    QVERIFY(keyAccepted(canvas.widget, Qt::Key_Return));  // consumed without a floating selection
    QVERIFY(keyAccepted(canvas.widget, Qt::Key_Enter));
    QVERIFY(!keyAccepted(canvas.widget, Qt::Key_A));
    QCOMPARE(canvas.document.writes, 0);
    canvas.state.setSelectionRect(PixelRect{1, 0, 2, 1});
    QVERIFY(keyAccepted(canvas.widget, Qt::Key_Backspace));
    canvas.state.setSelectionRect(PixelRect{0, 1, 1, 1});
    QVERIFY(keyAccepted(canvas.widget, Qt::Key_Delete));
    QCOMPARE(canvas.document.m_image, picture({"R..R", ".RRR"}));
    QCOMPARE(canvas.document.writes, 2);
    QVERIFY(keyAccepted(canvas.widget, Qt::Key_Escape));
    QCOMPARE(canvas.state.selectionRect(), std::nullopt);
}

void PixelCanvasWidgetTest::mainCanvasTakesFocusPreviewNever()
{
    EditorUIState state;
    MemoryDocument document(filled(8, 8, clear));
    QWidget window;  // owns the canvases, and goes before what they point to
    auto* layout = new QVBoxLayout(&window);
    auto* field = new QLineEdit;
    auto* scroll = new QScrollArea;
    auto* canvas = new PixelCanvasWidget(CanvasRole::main);
    auto* preview = new PixelCanvasWidget(CanvasRole::preview);
    for (PixelCanvasWidget* widget : {canvas, preview}) {
        widget->setDocumentBinding(&document);
        widget->setUIState(&state);
    }
    layout->addWidget(field);
    layout->addWidget(scroll);
    layout->addWidget(preview);
    scroll->setWidget(canvas);
    scroll->setFocusPolicy(Qt::NoFocus);  // as the window has it: clicks must not land there
    window.show();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    QCOMPARE(window.focusWidget(), canvas);  // taken when shown
    field->setFocus();
    QTest::mouseClick(canvas, Qt::RightButton, {}, QPoint(8, 8));
    QCOMPARE(window.focusWidget(), field);  // only the left button takes it
    QTest::mouseClick(canvas, Qt::LeftButton, {}, QPoint(8, 8));
    QCOMPARE(window.focusWidget(), canvas);
    QCOMPARE(preview->focusPolicy(), Qt::NoFocus);
}

void PixelCanvasWidgetTest::previewIgnoresMouseAndKeys()
{
    Canvas preview(filled(8, 8, clear), CanvasRole::preview, 16);
    preview.state.setCurrentColor(red);
    QVERIFY(preview.widget.testAttribute(Qt::WA_TransparentForMouseEvents));
    preview.click(Qt::LeftButton, QPoint(20, 20));
    preview.state.setCurrentTool(EditorTool::select);
    preview.state.setSelectionRect(PixelRect{0, 0, 4, 4});
    preview.click(Qt::LeftButton, QPoint(20, 20));
    QVERIFY(!preview.widget.controller().floatingSelection().has_value());
    for (int key :
         {Qt::Key_Return, Qt::Key_Delete, Qt::Key_Backspace, Qt::Key_Escape, Qt::Key_A}) {
        QVERIFY(!keyAccepted(preview.widget, key));
    }
    QCOMPARE(preview.document.writes, 0);
    QCOMPARE(preview.state.selectionRect(), std::optional(PixelRect{0, 0, 4, 4}));
    sendMove(preview.widget, QPoint(0, 0));  // on the top-left handle
    QCOMPARE(preview.widget.cursor().shape(), Qt::ArrowCursor);
    QVERIFY(!preview.widget.canPaste() && !preview.widget.canCopy());
}

QTEST_MAIN(PixelCanvasWidgetTest)
#include "pixel_canvas_widget_test.moc"
