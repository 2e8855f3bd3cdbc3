#include "app/color_swatch.h"

#include <QPainter>
#include <QPainterPath>
#include <QPalette>

#include "editor/editor_ui_state.h"

namespace pixmora::app {
namespace {

constexpr double kFillRadius = 4.0;
constexpr double kOutlineRadius = 3.0;

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

void paintGridCell(QPainter& painter, const QRectF& area, model::RGBAColor color,
                   SwatchOutline outline, const QPalette& palette, const QColor& checkerLight,
                   const QColor& checkerDark)
{
    paintSwatchFill(painter, area, color, checkerLight, checkerDark);
    const SwatchOutlineStyle style = swatchOutlineStyle(outline, palette);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(style.color, style.width));
    painter.setBrush(Qt::NoBrush);
    // Centred on the cell's edge: half the line lies in the gap around it.
    painter.drawRoundedRect(area, kOutlineRadius, kOutlineRadius);
    painter.restore();
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
