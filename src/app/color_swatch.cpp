#include "app/color_swatch.h"

#include <QEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPalette>

#include "editor/editor_ui_state.h"

namespace pixmora::app {
namespace {

constexpr double kFillRadius = 4.0;

QColor greyAt30Percent()
{
    QColor grey(Qt::gray);
    grey.setAlphaF(0.3f);
    return grey;
}

}  // namespace

QColor toDisplayColor(model::RGBAColor color)
{
    return QColor::fromRgbF(float(color.r / 255.0), float(color.g / 255.0), float(color.b / 255.0),
                            float(color.a / 255.0));
}

void paintCheckerboard(QPainter& painter, const QRectF& area, const QColor& light, const QColor& dark)
{
    const double halfWidth = area.width() / 2.0;
    const double halfHeight = area.height() / 2.0;
    painter.fillRect(area, light);
    painter.fillRect(QRectF(area.x(), area.y(), halfWidth, halfHeight), dark);
    painter.fillRect(QRectF(area.x() + halfWidth, area.y() + halfHeight, halfWidth, halfHeight), dark);
}

void paintSwatchFill(QPainter& painter, const QRectF& area, model::RGBAColor color,
                     const QColor& checkerLight, const QColor& checkerDark)
{
    QPainterPath shape;
    shape.addRoundedRect(area, kFillRadius, kFillRadius);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    if (color.isTransparent()) {
        painter.setClipPath(shape, Qt::IntersectClip);
        paintCheckerboard(painter, area, checkerLight, checkerDark);
    } else {
        painter.fillPath(shape, toDisplayColor(color));
    }
    painter.restore();
}

SwatchOutline swatchOutline(model::RGBAColor cell, model::RGBAColor currentColor,
                            model::RGBAColor secondaryColor)
{
    if (cell == currentColor)
        return SwatchOutline::accent;
    if (cell == secondaryColor)
        return SwatchOutline::halfAccent;
    return SwatchOutline::plain;
}

SwatchOutlineStyle swatchOutlineStyle(SwatchOutline outline, const QPalette& palette)
{
    QColor accent = palette.color(QPalette::Active, QPalette::Highlight);
    switch (outline) {
    case SwatchOutline::accent:
        return {accent, 2.0};
    case SwatchOutline::halfAccent:
        accent.setAlphaF(accent.alphaF() * 0.5f);
        return {accent, 2.0};
    case SwatchOutline::plain:
        break;
    }
    return {greyAt30Percent(), 1.0};
}

// ---- SwatchView ----

SwatchView::SwatchView(QWidget* parent)
    : QWidget(parent),
      m_checkerLight(toDisplayColor(editor::EditorUIState::defaultCheckerLightColor)),
      m_checkerDark(toDisplayColor(editor::EditorUIState::defaultCheckerDarkColor))
{
}

void SwatchView::setColor(model::RGBAColor color)
{
    if (color == m_color)
        return;
    m_color = color;
    update();
}

void SwatchView::setOutline(SwatchOutline outline)
{
    if (outline == m_outline)
        return;
    m_outline = outline;
    update();
}

void SwatchView::setCheckerColors(const QColor& light, const QColor& dark)
{
    if (light == m_checkerLight && dark == m_checkerDark)
        return;
    m_checkerLight = light;
    m_checkerDark = dark;
    update();
}

void SwatchView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const QRectF area = rect();
    paintSwatchFill(painter, area, m_color, m_checkerLight, m_checkerDark);

    // The outline follows the cell's edge; it is kept inside the cell so that
    // none of it is cut off at the widget's bounds.
    const SwatchOutlineStyle style = swatchOutlineStyle(m_outline, palette());
    const double half = style.width / 2.0;
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(style.color, style.width));
    painter.setBrush(Qt::NoBrush);
    painter.drawRoundedRect(area.adjusted(half, half, -half, -half), outlineRadius, outlineRadius);
}

// ---- ClickableSwatch ----

ClickableSwatch::ClickableSwatch(QWidget* content, QWidget* parent)
    : QWidget(parent),
      m_content(content)
{
    m_content->setParent(this);
    m_content->setGeometry(rect());
    // Presses are looked up at this widget, not at the content...
    m_content->setAttribute(Qt::WA_TransparentForMouseEvents);
    // ...and any sent to the content directly are taken here too.
    m_content->installEventFilter(this);
}

bool ClickableSwatch::takePress(Qt::MouseButton button)
{
    if (button == Qt::LeftButton) {
        if (m_onLeftClick)
            m_onLeftClick();
        return true;
    }
    if (button == Qt::RightButton) {
        if (m_onRightClick)
            m_onRightClick();
        return true;
    }
    return false;
}

void ClickableSwatch::mousePressEvent(QMouseEvent* event)
{
    if (takePress(event->button()))
        event->accept();
    else
        QWidget::mousePressEvent(event);
}

void ClickableSwatch::mouseDoubleClickEvent(QMouseEvent* event)
{
    // The second press of a double click is a press like the first.
    mousePressEvent(event);
}

void ClickableSwatch::resizeEvent(QResizeEvent*)
{
    m_content->setGeometry(rect());
}

bool ClickableSwatch::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_content
        && (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseButtonDblClick)) {
        if (takePress(static_cast<QMouseEvent*>(event)->button()))
            return true;
    }
    return QWidget::eventFilter(watched, event);
}

// ---- CurrentColorSwatch ----

CurrentColorSwatch::CurrentColorSwatch(bool outlined, QWidget* parent)
    : QWidget(parent),
      m_outlined(outlined),
      m_checkerLight(toDisplayColor(editor::EditorUIState::defaultCheckerLightColor)),
      m_checkerDark(toDisplayColor(editor::EditorUIState::defaultCheckerDarkColor))
{
    setFixedHeight(swatchHeight);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

void CurrentColorSwatch::setColor(model::RGBAColor color)
{
    if (color == m_color)
        return;
    m_color = color;
    update();
}

void CurrentColorSwatch::setCheckerColors(const QColor& light, const QColor& dark)
{
    m_checkerLight = light;
    m_checkerDark = dark;
    update();
}

void CurrentColorSwatch::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const QRectF area = rect();
    paintSwatchFill(painter, area, m_color, m_checkerLight, m_checkerDark);
    if (m_outlined) {
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(QPen(greyAt30Percent(), 1.0));
        painter.setBrush(Qt::NoBrush);
        painter.drawRoundedRect(area.adjusted(0.5, 0.5, -0.5, -0.5), kFillRadius, kFillRadius);
    }
}

}  // namespace pixmora::app
