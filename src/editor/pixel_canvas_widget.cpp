#include "editor/pixel_canvas_widget.h"

#include <algorithm>
#include <cmath>

#include <QEvent>
#include <QFocusEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPen>
#include <QShowEvent>

#include "editor/canvas_geometry.h"

namespace pixmora::editor {

namespace {

using model::PixelImage;
using model::PixelRect;
using model::RGBAColor;

constexpr int marchingAntsIntervalMs = 1000 / 12;
// The grid and the selection overlay appear together.
constexpr double overlayMinimumPixelSize = CanvasRaster::gridMinimumPixelSize;
constexpr double outlineWidth = 2.5;
constexpr double dashLength = 5.0;
const QColor overlayDarkGrey(84, 84, 84);  // white level 0.33

// Qt scales an image with a 16.16 fixed-point step that drifts by up to one unit
// per target pixel; past about 65536 / zoom pixels a cell edge would move by a
// pixel. Scaling in tiles of at most this many target pixels keeps every edge exact.
constexpr double maxScaledTileExtent = 1024.0;

QRgb premultiplied(RGBAColor c)
{
    return qPremultiply(qRgba(c.r, c.g, c.b, c.a));
}

// The cells [x0, x1) x [y0, y1) that meet a view rectangle, within a w x h grid.
struct CellRange {
    std::int64_t x0 = 0;
    std::int64_t y0 = 0;
    std::int64_t x1 = 0;
    std::int64_t y1 = 0;

    bool isEmpty() const { return x0 >= x1 || y0 >= y1; }
};

CellRange cellsMeeting(const QRect& area, double s, std::int64_t originX, std::int64_t originY,
                       std::int64_t w, std::int64_t h)
{
    auto first = [s](int from, std::int64_t origin) {
        return static_cast<std::int64_t>(std::floor(from / s)) - origin;
    };
    auto last = [s](int to, std::int64_t origin) {
        return static_cast<std::int64_t>(std::ceil(to / s)) - origin;
    };
    return {std::max<std::int64_t>(0, first(area.left(), originX)),
            std::max<std::int64_t>(0, first(area.top(), originY)),
            std::min(w, last(area.left() + area.width(), originX)),
            std::min(h, last(area.top() + area.height(), originY))};
}

// Draws the cells of `range` from an image that holds `block` x `block` pixels per
// cell, cell (0, 0) sitting at view cell `origin`; nearest-neighbour, no smoothing.
void drawCellsScaled(QPainter& painter, const QImage& image, int block, const CellRange& range,
                     std::int64_t originX, std::int64_t originY, double s)
{
    const auto tile = std::max<std::int64_t>(1, static_cast<std::int64_t>(maxScaledTileExtent / s));
    for (std::int64_t ty = range.y0; ty < range.y1; ty += tile) {
        const std::int64_t th = std::min(tile, range.y1 - ty);
        for (std::int64_t tx = range.x0; tx < range.x1; tx += tile) {
            const std::int64_t tw = std::min(tile, range.x1 - tx);
            const QRectF target(double(originX + tx) * s, double(originY + ty) * s,
                                double(tw) * s, double(th) * s);
            const QRectF source(double(tx * block), double(ty * block), double(tw * block),
                                double(th * block));
            painter.drawImage(target, image, source);
        }
    }
}

// The closed subpaths of path whose bounds meet area. Filling them paints exactly
// what filling the whole path paints inside area.
QPainterPath subpathsMeeting(const QPainterPath& path, const QRectF& area)
{
    QPainterPath kept;
    kept.setFillRule(path.fillRule());
    const int count = path.elementCount();
    for (int first = 0; first < count;) {
        int end = first + 1;
        while (end < count && !path.elementAt(end).isMoveTo()) {
            ++end;
        }
        QPointF low = path.elementAt(first);
        QPointF high = low;
        for (int i = first + 1; i < end; ++i) {
            const QPointF p = path.elementAt(i);
            low = QPointF(std::min(low.x(), p.x()), std::min(low.y(), p.y()));
            high = QPointF(std::max(high.x(), p.x()), std::max(high.y(), p.y()));
        }
        if (low.x() <= area.right() && high.x() >= area.left() && low.y() <= area.bottom()
            && high.y() >= area.top()) {
            kept.moveTo(path.elementAt(first));
            for (int i = first + 1; i < end; ++i) {
                kept.lineTo(path.elementAt(i));
            }
        }
        first = end;
    }
    return kept;
}

// 0 <= phase < 10; the pattern repeats every 10 points.
double normalisedPhase(double phase)
{
    const double period = 2.0 * dashLength;
    double p = std::fmod(phase, period);
    return p < 0.0 ? p + period : p;
}

}  // namespace

PixelCanvasWidget::PixelCanvasWidget(CanvasRole role, QWidget* parent)
    : QWidget(parent), m_role(role)
{
    m_controller.setInteractive(isInteractive());
    if (isInteractive()) {
        // Not ClickFocus: Qt would hand focus to any button, but only a left press takes it.
        setFocusPolicy(Qt::TabFocus);
        setMouseTracking(true);
    } else {
        setFocusPolicy(Qt::NoFocus);
        setAttribute(Qt::WA_TransparentForMouseEvents);
    }
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setFixedSize(0, 0);
    // Every exposed pixel is painted, so Qt need not fill the background first.
    setAttribute(Qt::WA_OpaquePaintEvent);

    m_marchingAntsTimer.setInterval(marchingAntsIntervalMs);
    connect(&m_marchingAntsTimer, &QTimer::timeout, this,
            [this] { m_controller.advanceMarchingAnts(); });
    connect(&m_controller, &CanvasController::redisplayRequested, this,
            &PixelCanvasWidget::redisplay);
    connect(&m_controller, &CanvasController::intrinsicSizeChanged, this,
            &PixelCanvasWidget::updateSize);
    connect(&m_controller, &CanvasController::editStateChanged, this,
            &PixelCanvasWidget::editStateChanged);
}

PixelCanvasWidget::~PixelCanvasWidget()
{
    // The controller outlives this body; nothing it emits may reach a half-gone widget.
    disconnect(&m_controller, nullptr, this, nullptr);
    disconnect(m_uiStateConnection);
    m_marchingAntsTimer.stop();
}

void PixelCanvasWidget::setUIState(EditorUIState* state)
{
    disconnect(m_uiStateConnection);
    m_uiState = state;
    m_controller.setUIState(state);
    if (state) {
        m_uiStateConnection =
            connect(state, &EditorUIState::changed, this, &PixelCanvasWidget::hostUpdate);
        m_controller.setPixelSize(zoomForRole());
    }
    redisplay();
}

void PixelCanvasWidget::setDocumentBinding(DocumentBinding* binding)
{
    m_controller.setDocumentBinding(binding);
    redisplay();
}

void PixelCanvasWidget::setClipboard(ClipboardPort* clipboard)
{
    m_controller.setClipboard(clipboard);
}

void PixelCanvasWidget::setColorMode(model::ColorMode mode)
{
    m_controller.setColorMode(mode);
}

QSize PixelCanvasWidget::sizeHint() const
{
    const QSizeF size = m_controller.intrinsicSize();
    return {static_cast<int>(std::ceil(size.width())), static_cast<int>(std::ceil(size.height()))};
}

void PixelCanvasWidget::cut()
{
    m_controller.cut();
}

void PixelCanvasWidget::copy()
{
    m_controller.copy();
}

void PixelCanvasWidget::paste()
{
    m_controller.paste();
}

void PixelCanvasWidget::commitPendingFloatingSelection()
{
    m_controller.commitPendingFloatingSelection();
}

void PixelCanvasWidget::documentImageChanged()
{
    m_controller.documentChangedExternally();
    redisplay();
}

double PixelCanvasWidget::zoomForRole() const
{
    if (!m_uiState) {
        return m_controller.pixelSize();
    }
    return m_role == CanvasRole::main ? m_uiState->mainZoom() : m_uiState->previewZoom();
}

// Every change of the editor state re-applies the zoom and the tool rule, as a
// host re-evaluating its view would.
void PixelCanvasWidget::hostUpdate()
{
    m_controller.setPixelSize(zoomForRole());
    m_controller.syncTool();
    redisplay();
}

void PixelCanvasWidget::redisplay()
{
    m_imageMayHaveChanged = true;
    updateSize();
    update();
    updateMarchingAntsTimer();
    updateCursor();
}

void PixelCanvasWidget::updateSize()
{
    const QSize size = sizeHint();
    if (size != minimumSize() || size != maximumSize()) {
        setFixedSize(size);
        updateGeometry();
    }
}

void PixelCanvasWidget::updateMarchingAntsTimer()
{
    if (!m_controller.needsMarchingAnts()) {
        m_marchingAntsTimer.stop();
    } else if (!m_marchingAntsTimer.isActive()) {
        m_marchingAntsTimer.start();
    }
}

void PixelCanvasWidget::updateCursor()
{
    if (!isInteractive()) {
        return;
    }
    const auto handle = m_pointer ? m_controller.handleAt(*m_pointer) : std::nullopt;
    if (handle) {
        setCursor(cursorShapeForHandle(*handle));
    } else {
        unsetCursor();
    }
}

// --- input ---

void PixelCanvasWidget::mousePressEvent(QMouseEvent* event)
{
    std::optional<MouseButton> button;
    if (event->button() == Qt::LeftButton) {
        button = MouseButton::left;
    } else if (event->button() == Qt::RightButton) {
        button = MouseButton::right;
    }
    if (!isInteractive() || !button) {
        event->ignore();
        return;
    }
    // A second button during a gesture would start another on top of it.
    if (m_pressedButton) {
        return;
    }
    const QPointF point = event->position();
    const bool shift = event->modifiers().testFlag(Qt::ShiftModifier);
    m_pointer = point;
    m_shiftDown = shift;
    m_pressedButton = button;
    if (*button == MouseButton::left) {
        setFocus(Qt::MouseFocusReason);
    }
    m_controller.mousePress(point, *button, shift);
}

void PixelCanvasWidget::mouseMoveEvent(QMouseEvent* event)
{
    if (!isInteractive()) {
        event->ignore();
        return;
    }
    m_pointer = event->position();
    if (m_pressedButton) {
        const bool shift = event->modifiers().testFlag(Qt::ShiftModifier);
        m_shiftDown = shift;
        m_controller.mouseDrag(*m_pointer, *m_pressedButton, shift);
    }
    updateCursor();
}

void PixelCanvasWidget::mouseReleaseEvent(QMouseEvent* event)
{
    if (!isInteractive()) {
        event->ignore();
        return;
    }
    const bool left = event->button() == Qt::LeftButton;
    const bool right = event->button() == Qt::RightButton;
    if (!m_pressedButton || (left && *m_pressedButton != MouseButton::left)
        || (right && *m_pressedButton != MouseButton::right) || (!left && !right)) {
        return;
    }
    const MouseButton button = *m_pressedButton;
    m_pressedButton.reset();
    m_pointer = event->position();
    m_controller.mouseRelease(*m_pointer, button,
                              event->modifiers().testFlag(Qt::ShiftModifier));
    updateCursor();
}

void PixelCanvasWidget::leaveEvent(QEvent* event)
{
    if (!m_pressedButton) {
        m_pointer.reset();
    }
    QWidget::leaveEvent(event);
}

namespace {

std::optional<CanvasKey> canvasKeyFor(int key)
{
    switch (key) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return CanvasKey::commit;
    case Qt::Key_Backspace:
    case Qt::Key_Delete:
        return CanvasKey::deleteSelection;
    case Qt::Key_Escape:
        return CanvasKey::cancel;
    default:
        return std::nullopt;
    }
}

bool hasCommandModifiers(const QKeyEvent* event)
{
    return (event->modifiers()
            & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))
        != Qt::NoModifier;
}

}  // namespace

bool PixelCanvasWidget::event(QEvent* event)
{
    // While the canvas has focus its own keys win over window shortcuts.
    if (event->type() == QEvent::ShortcutOverride && isInteractive()) {
        auto* keyEvent = static_cast<QKeyEvent*>(event);
        if (canvasKeyFor(keyEvent->key()) && !hasCommandModifiers(keyEvent)) {
            event->accept();
            return true;
        }
    }
    return QWidget::event(event);
}

void PixelCanvasWidget::keyPressEvent(QKeyEvent* event)
{
    if (!isInteractive()) {
        event->ignore();
        return;
    }
    if (event->key() == Qt::Key_Shift) {
        forwardShift(true);
        event->ignore();
        return;
    }
    const auto key = canvasKeyFor(event->key());
    if (!key || hasCommandModifiers(event) || !m_controller.keyPress(*key)) {
        event->ignore();
        return;
    }
    event->accept();
}

void PixelCanvasWidget::keyReleaseEvent(QKeyEvent* event)
{
    if (isInteractive() && event->key() == Qt::Key_Shift) {
        forwardShift(false);
    }
    event->ignore();
}

void PixelCanvasWidget::focusInEvent(QFocusEvent* event)
{
    QWidget::focusInEvent(event);
    // Shift may have changed while another widget had the keyboard.
    const bool shift = QGuiApplication::keyboardModifiers().testFlag(Qt::ShiftModifier);
    if (shift != m_shiftDown) {
        forwardShift(shift);
    }
}

void PixelCanvasWidget::forwardShift(bool shift)
{
    m_shiftDown = shift;
    m_controller.shiftChanged(shift);
}

void PixelCanvasWidget::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (isInteractive()) {
        setFocus(Qt::OtherFocusReason);
    }
}

void PixelCanvasWidget::changeEvent(QEvent* event)
{
    // Partly transparent pixels are composed over the background colour.
    if (event->type() == QEvent::PaletteChange) {
        update();
    }
    QWidget::changeEvent(event);
}

// --- painting ---

void PixelCanvasWidget::paintEvent(QPaintEvent* event)
{
    if (!m_uiState) {
        QPainter(this).fillRect(event->rect(), palette().color(backgroundRole()));
        return;
    }
    // Every change of what is shown comes with a redisplay, so a bare repaint
    // (scrolling, exposure) need not read the image again.
    if (m_imageMayHaveChanged) {
        m_imageMayHaveChanged = false;
        if (const auto& working = m_controller.workingImage()) {
            m_raster.setImage(*working);
        } else if (m_controller.documentBinding()) {
            m_raster.setImage(m_controller.documentBinding()->image());
        } else {
            m_raster.setImage({});
        }
    }
    const QRect exposed = event->rect();
    const double s = m_controller.pixelSize();
    const SelectionOverlay overlay = s >= overlayMinimumPixelSize ? m_controller.selectionOverlay()
                                                                  : SelectionOverlay{};
    // At whole-number zooms floating pixels fill exactly the cells the raster draws,
    // so it keeps them rendered with the rest; elsewhere they are drawn over it.
    const bool floatingInRaster = overlay.floating && s == std::floor(s);
    if (floatingInRaster) {
        m_raster.setFloating(&overlay.floating->image,
                             {overlay.floating->rect.x, overlay.floating->rect.y});
    } else {
        m_raster.setFloating(nullptr);
    }
    QPainter painter(this);
    m_raster.setAppearance(s, m_uiState->checkerLightColor(), m_uiState->checkerDarkColor(),
                           palette().color(backgroundRole()));
    m_raster.paint(painter, exposed);  // pixels, checker, grid
    // Nothing of the widget lies outside the canvas but while its size catches up.
    for (const QRect& rest : QRegion(exposed).subtracted(m_raster.canvasArea())) {
        painter.fillRect(rest, palette().color(backgroundRole()));
    }
    if (overlay.floating && !floatingInRaster) {
        paintFloatingPixels(painter, exposed, *overlay.floating);
        paintSelectionOverlay(painter, exposed, overlay);
    } else if (overlay.outline) {
        paintCachedOutline(painter, exposed, overlay);
    }
}

void PixelCanvasWidget::paintCachedOutline(QPainter& painter, const QRect& exposed,
                                           const SelectionOverlay& overlay)
{
    OutlineCache& cache = m_outlineCache;
    if (cache.rasterGeneration != m_raster.generation()
        || cache.pixelSize != m_controller.pixelSize() || cache.outline != *overlay.outline
        || cache.showHandles != overlay.showHandles || !cache.exposed.contains(exposed)) {
        cache = {m_raster.generation(), m_controller.pixelSize(), *overlay.outline,
                 overlay.showHandles, exposed, {}};
    }
    const double phase = normalisedPhase(m_controller.marchingAntsPhase());
    auto entry = std::find_if(cache.phases.begin(), cache.phases.end(),
                              [phase](const auto& p) { return p.first == phase; });
    if (entry == cache.phases.end()) {
        if (cache.phases.size() >= 16) {
            cache.phases.clear();
        }
        std::vector<OutlineStrip> strips;
        for (const QRect& band : outlineBands(*overlay.outline, cache.exposed & rect())) {
            OutlineStrip strip{band, QImage(band.size(), QImage::Format_RGB32)};
            QPainter stripPainter(&strip.pixels);
            stripPainter.translate(-band.topLeft());
            m_raster.paint(stripPainter, band);
            paintSelectionOverlay(stripPainter, band, overlay);
            strips.push_back(std::move(strip));
        }
        cache.phases.emplace_back(phase, std::move(strips));
        entry = std::prev(cache.phases.end());
    }
    for (const OutlineStrip& strip : entry->second) {
        const QRect shown = strip.area & exposed;
        if (!shown.isEmpty()) {
            painter.drawImage(shown.topLeft(), strip.pixels,
                              shown.translated(-strip.area.topLeft()));
        }
    }
}

// The view pixels the outline and its handles can touch: bands along the four
// edges, or one block for a small selection.
std::vector<QRect> PixelCanvasWidget::outlineBands(const PixelRect& rect, const QRect& within) const
{
    // Past the half pen width and the half handle square, with room to spare.
    constexpr int margin = 8;
    const double s = m_controller.pixelSize();
    const int left = int(std::floor(double(rect.x) * s));
    const int top = int(std::floor(double(rect.y) * s));
    const int right = int(std::ceil(double(rect.x + rect.width) * s));
    const int bottom = int(std::ceil(double(rect.y + rect.height) * s));
    std::vector<QRect> bands;
    if (right - left <= 4 * margin || bottom - top <= 4 * margin) {
        bands.push_back(QRect(QPoint(left - margin, top - margin),
                              QPoint(right + margin - 1, bottom + margin - 1)));
    } else {
        const int across = right - left + 2 * margin;
        const int down = bottom - top - 2 * margin;
        bands = {QRect(left - margin, top - margin, across, 2 * margin),
                 QRect(left - margin, bottom - margin, across, 2 * margin),
                 QRect(left - margin, top + margin, 2 * margin, down),
                 QRect(right - margin, top + margin, 2 * margin, down)};
    }
    std::vector<QRect> visible;
    for (const QRect& band : bands) {
        if (const QRect part = band & within; !part.isEmpty()) {
            visible.push_back(part);
        }
    }
    return visible;
}

void PixelCanvasWidget::paintSelectionOverlay(QPainter& painter, const QRect& exposed,
                                              const SelectionOverlay& overlay)
{
    if (overlay.outline) {
        paintOutline(painter, *overlay.outline, exposed);
        if (overlay.showHandles) {
            paintHandles(painter, *overlay.outline);
        }
    }
}

void PixelCanvasWidget::paintFloatingPixels(QPainter& painter, const QRect& exposed,
                                            const FloatingSelection& floating) const
{
    const double s = m_controller.pixelSize();
    const PixelImage& pixels = floating.image;
    // Not clipped to the image: pixels past its edge show wherever the widget reaches.
    const CellRange cells = cellsMeeting(exposed, s, floating.rect.x, floating.rect.y,
                                         pixels.width, pixels.height);
    if (cells.isEmpty()) {
        return;
    }
    const int w = static_cast<int>(cells.x1 - cells.x0);
    const int h = static_cast<int>(cells.y1 - cells.y0);
    QImage visible(w, h, QImage::Format_ARGB32_Premultiplied);
    for (int y = 0; y < h; ++y) {
        auto* line = reinterpret_cast<QRgb*>(visible.scanLine(y));
        for (int x = 0; x < w; ++x) {
            line[x] = premultiplied(pixels.at(cells.x0 + x, cells.y0 + y));
        }
    }
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    drawCellsScaled(painter, visible, 1, {0, 0, w, h}, floating.rect.x + cells.x0,
                    floating.rect.y + cells.y0, s);
}

const PixelCanvasWidget::OutlinePaths& PixelCanvasWidget::outlinePaths(const PixelRect& rect)
{
    OutlinePathCache& cache = m_outlinePaths;
    const double s = m_controller.pixelSize();
    if (cache.pixelSize != s || cache.outline != rect) {
        cache = {s, rect, {}};
    }
    const double phase = normalisedPhase(m_controller.marchingAntsPhase());
    for (const OutlinePaths& paths : cache.phases) {
        if (paths.phase == phase) {
            return paths;
        }
    }
    if (cache.phases.size() >= 16) {
        cache.phases.clear();
    }
    QPainterPath path;
    path.addRect(QRectF(double(rect.x) * s, double(rect.y) * s, double(rect.width) * s,
                        double(rect.height) * s));
    // The outline a dashed pen strokes, made once and filled: QPainter would stroke
    // it again for every paint, and skip dashes off the device inexactly.
    const auto dashes = [&](double offset) {
        QPainterPathStroker stroker;
        stroker.setWidth(outlineWidth);
        stroker.setCapStyle(Qt::FlatCap);
        stroker.setJoinStyle(Qt::MiterJoin);
        stroker.setMiterLimit(QPen().miterLimit());
        // Qt measures dashes and their offset in pen widths.
        stroker.setDashPattern({dashLength / outlineWidth, dashLength / outlineWidth});
        stroker.setDashOffset(normalisedPhase(phase + offset) / outlineWidth);
        return stroker.createStroke(path);
    };
    cache.phases.push_back({phase, dashes(0.0), dashes(dashLength)});
    return cache.phases.back();
}

void PixelCanvasWidget::paintOutline(QPainter& painter, const PixelRect& rect,
                                     const QRect& within)
{
    const OutlinePaths& paths = outlinePaths(rect);
    painter.setRenderHint(QPainter::Antialiasing, true);
    // Dashes apart from the area cannot touch it.
    const QRectF area = QRectF(within).adjusted(-2.0, -2.0, 2.0, 2.0);
    painter.fillPath(subpathsMeeting(paths.dark, area), overlayDarkGrey);
    painter.fillPath(subpathsMeeting(paths.light, area), QColor(Qt::white));
}

void PixelCanvasWidget::paintHandles(QPainter& painter, const PixelRect& rect) const
{
    // Crisp squares covering exactly the pixels the hit test counts as inside.
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setPen(QPen(overlayDarkGrey, 1.0));
    painter.setBrush(Qt::NoBrush);
    const int half = static_cast<int>(handleSquareSize / 2);
    const int side = static_cast<int>(handleSquareSize);
    for (const QPointF centre : handlePoints(rect, m_controller.pixelSize())) {
        const QRect square(int(std::ceil(centre.x() - half)), int(std::ceil(centre.y() - half)),
                           side, side);
        painter.fillRect(square, Qt::white);
        painter.drawRect(square.adjusted(0, 0, -1, -1));
    }
}

}  // namespace pixmora::editor
