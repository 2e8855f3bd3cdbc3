#include "app/color_palette_widget.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollArea>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

#include "app/app_resources.h"
#include "app/checker_color_settings_widget.h"
#include "app/color_swatch.h"
#include "app/text_styles.h"
#include "editor/editor_ui_state.h"

namespace pixmora::app {

using editor::EditorUIState;

namespace {

constexpr double kMinimumCellSize = 4.0;

int rowCount(int count, int columns)
{
    return (count + columns - 1) / columns;
}

}  // namespace

// ---- SwatchGridWidget ----

SwatchGridWidget::SwatchGridWidget(EditorUIState* state, double spacing, model::ColorMode mode,
                                   QWidget* parent)
    : QWidget(parent),
      m_state(state),
      m_spacing(spacing),
      m_mode(mode)
{
    QSizePolicy policy(QSizePolicy::Preferred, QSizePolicy::Preferred);
    policy.setHeightForWidth(true);
    setSizePolicy(policy);
    rebuild();
    const auto repaint = [this] { update(); };
    connect(m_state, &EditorUIState::currentColorChanged, this, repaint);
    connect(m_state, &EditorUIState::secondaryColorChanged, this, repaint);
    connect(m_state, &EditorUIState::checkerLightColorChanged, this, repaint);
    connect(m_state, &EditorUIState::checkerDarkColorChanged, this, repaint);
}

void SwatchGridWidget::setColorMode(model::ColorMode mode)
{
    if (mode == m_mode)
        return;
    m_mode = mode;
    rebuild();
}

double SwatchGridWidget::cellSize() const
{
    return ColorPaletteWidget::cellSize(width(), ColorPaletteWidget::columnCount(m_mode), m_spacing);
}

QRectF SwatchGridWidget::cellRect(int index) const
{
    return cellRectAt(index, width());
}

QRect SwatchGridWidget::cellGeometry(int index) const
{
    const QRectF cell = cellRect(index);
    const int left = int(std::round(cell.left()));
    const int top = int(std::round(cell.top()));
    return {left, top, int(std::round(cell.right())) - left, int(std::round(cell.bottom())) - top};
}

SwatchOutline SwatchGridWidget::outline(int index) const
{
    return swatchOutline(colorAt(index), m_state->currentColor(), m_state->secondaryColor());
}

QRectF SwatchGridWidget::cellRectAt(int index, double width) const
{
    const int columns = ColorPaletteWidget::columnCount(m_mode);
    const double size = ColorPaletteWidget::cellSize(width, columns, m_spacing);
    const double blockWidth = size * columns + m_spacing * (columns - 1);
    const double left = (width - blockWidth) / 2.0;
    const int row = index / columns;
    const int column = index % columns;
    return {left + column * (size + m_spacing), row * (size + m_spacing), size, size};
}

int SwatchGridWidget::cellAt(QPointF point) const
{
    for (int i = 0; i < count(); ++i) {
        if (QRectF(cellGeometry(i)).contains(point))
            return i;
    }
    return -1;
}

int SwatchGridWidget::heightForWidth(int width) const
{
    if (m_colors.empty())
        return 0;
    const int columns = ColorPaletteWidget::columnCount(m_mode);
    const int rows = rowCount(count(), columns);
    const double size = ColorPaletteWidget::cellSize(width, columns, m_spacing);
    return int(std::ceil(rows * size + (rows - 1) * m_spacing));
}

QSize SwatchGridWidget::sizeHint() const
{
    const int width = 184;
    return {width, heightForWidth(width)};
}

QSize SwatchGridWidget::minimumSizeHint() const
{
    // The cells shrink with the width (down to 4); the height follows from it.
    return {0, 0};
}

void SwatchGridWidget::paintEvent(QPaintEvent* event)
{
    QPainter painter(this);
    const QColor light = toDisplayColor(m_state->checkerLightColor());
    const QColor dark = toDisplayColor(m_state->checkerDarkColor());
    for (int i = 0; i < count(); ++i) {
        const QRect cell = cellGeometry(i);
        // The outline reaches half its width (at most 1) past the cell, into the gap.
        const QRect drawn = cell.adjusted(-1, -1, 1, 1);
        if (!event->rect().intersects(drawn))
            continue;
        painter.save();
        painter.setClipRect(drawn);
        painter.translate(cell.topLeft());
        paintGridCell(painter, QRectF(QPointF(0, 0), cell.size()), colorAt(i), outline(i),
                      palette(), light, dark);
        painter.restore();
    }
}

void SwatchGridWidget::mousePressEvent(QMouseEvent* event)
{
    const int index = cellAt(event->position());
    if (index >= 0 && event->button() == Qt::LeftButton) {
        m_state->setCurrentColor(colorAt(index));
        event->accept();
    } else if (index >= 0 && event->button() == Qt::RightButton) {
        m_state->setSecondaryColor(colorAt(index));
        event->accept();
    } else {
        QWidget::mousePressEvent(event);
    }
}

void SwatchGridWidget::mouseDoubleClickEvent(QMouseEvent* event)
{
    // The second press of a double click is a press like the first.
    mousePressEvent(event);
}

void SwatchGridWidget::rebuild()
{
    m_colors = ColorPaletteWidget::swatchColors(m_mode);
    updateGeometry();
    update();
}

// ---- ColorPaletteWidget ----

int ColorPaletteWidget::columnCount(model::ColorMode mode)
{
    switch (mode) {
    case model::ColorMode::twoColor: return 8;
    case model::ColorMode::sixteenColor: return 4;
    case model::ColorMode::webSafe256: return 16;
    }
    return 8;
}

std::vector<model::RGBAColor> ColorPaletteWidget::swatchColors(model::ColorMode mode)
{
    std::vector<model::RGBAColor> colors = model::palette(mode);
    colors.push_back(model::kTransparent);
    return colors;
}

double ColorPaletteWidget::cellSize(double availableWidth, int columns, double spacing)
{
    if (columns <= 0)
        return kMinimumCellSize;
    return std::max(kMinimumCellSize, (availableWidth - spacing * (columns - 1)) / columns);
}

ColorPaletteWidget::ColorPaletteWidget(EditorUIState* state, model::ColorMode mode,
                                       QWidget* parent)
    : QWidget(parent),
      m_state(state)
{
    initAppResources();
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(6);

    auto* header = new QHBoxLayout;
    auto* title = new QLabel(QStringLiteral("カラー"), this);
    title->setFont(captionFont());
    header->addWidget(title);
    header->addStretch(1);
    m_checkerButton = new QToolButton(this);
    m_checkerButton->setAutoRaise(true);
    m_checkerButton->setFocusPolicy(Qt::NoFocus);
    m_checkerButton->setIconSize(QSize(16, 16));
    m_checkerButton->setIcon(symbolIcon(QStringLiteral("checkerboard.rectangle"), palette()));
    m_checkerButton->setToolTip(QStringLiteral("透明表示の色を変更"));
    header->addWidget(m_checkerButton);
    layout->addLayout(header);

    auto* current = new QHBoxLayout;
    current->setSpacing(6);
    m_currentSwatch = new CurrentColorSwatch(false, this);
    m_currentSwatch->setToolTip(QStringLiteral("描画色（左クリックで描画）"));
    m_secondarySwatch = new CurrentColorSwatch(true, this);
    m_secondarySwatch->setToolTip(QStringLiteral("背景色（右クリックで描画）"));
    current->addWidget(m_currentSwatch, 1);
    current->addWidget(m_secondarySwatch, 1);
    layout->addLayout(current);

    m_scrollArea = new QScrollArea(this);
    m_scrollArea->setFocusPolicy(Qt::NoFocus);  // picking a colour keeps the canvas's keys
    m_scrollArea->setFrameShape(QFrame::NoFrame);
    m_scrollArea->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_scrollArea->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_scrollArea->setWidgetResizable(true);
    m_scrollArea->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Expanding);
    m_grid = new SwatchGridWidget(m_state, swatchSpacing, mode);
    m_scrollArea->setWidget(m_grid);
    // Let the panel's own background show between and behind the cells.
    m_scrollArea->viewport()->setAutoFillBackground(false);
    m_grid->setAutoFillBackground(false);
    layout->addWidget(m_scrollArea, 1);

    m_checkerSettings = new CheckerColorSettingsWidget(m_state, this);
    connect(m_checkerButton, &QToolButton::clicked, this, &ColorPaletteWidget::showCheckerSettings);
    connect(m_checkerSettings, &CheckerColorSettingsWidget::opened, this,
            [this] { m_showsCheckerSettings = true; });
    connect(m_checkerSettings, &CheckerColorSettingsWidget::closed, this,
            [this] { m_showsCheckerSettings = false; });

    connect(m_state, &EditorUIState::currentColorChanged, this, &ColorPaletteWidget::refreshCurrentColors);
    connect(m_state, &EditorUIState::secondaryColorChanged, this, &ColorPaletteWidget::refreshCurrentColors);
    connect(m_state, &EditorUIState::checkerLightColorChanged, this, &ColorPaletteWidget::refreshCurrentColors);
    connect(m_state, &EditorUIState::checkerDarkColorChanged, this, &ColorPaletteWidget::refreshCurrentColors);
    refreshCurrentColors();
}

void ColorPaletteWidget::setColorMode(model::ColorMode mode)
{
    m_grid->setColorMode(mode);
}

model::ColorMode ColorPaletteWidget::colorMode() const
{
    return m_grid->colorMode();
}

void ColorPaletteWidget::showCheckerSettings()
{
    m_showsCheckerSettings = true;
    if (!m_checkerSettings->isVisible())
        m_checkerSettings->popUp(m_checkerButton);
}

void ColorPaletteWidget::refreshCurrentColors()
{
    const QColor light = toDisplayColor(m_state->checkerLightColor());
    const QColor dark = toDisplayColor(m_state->checkerDarkColor());
    m_currentSwatch->setColor(m_state->currentColor());
    m_currentSwatch->setCheckerColors(light, dark);
    m_secondarySwatch->setColor(m_state->secondaryColor());
    m_secondarySwatch->setCheckerColors(light, dark);
}

}  // namespace pixmora::app
