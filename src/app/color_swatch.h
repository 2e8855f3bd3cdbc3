#pragma once

#include <QColor>
#include <QWidget>

#include "model/rgba_color.h"

class QPainter;
class QPalette;

namespace pixmora::app {

// The display colour of a stored colour: sRGB, each component / 255.
QColor toDisplayColor(model::RGBAColor color);

// A two-by-two checker filling `area`: light everywhere, dark in the top-left
// and bottom-right quadrants.
void paintCheckerboard(QPainter& painter, const QRectF& area, const QColor& light, const QColor& dark);

// How a colour is shown in a swatch: a transparent colour as the checkerboard,
// any other colour filled with its own opacity; both clipped to a rounded
// rectangle of radius 4.
void paintSwatchFill(QPainter& painter, const QRectF& area, model::RGBAColor color,
                     const QColor& checkerLight, const QColor& checkerDark);

// The outline of a grid cell: the drawing colour wins over the background colour.
enum class SwatchOutline { accent, halfAccent, plain };

struct SwatchOutlineStyle {
    QColor color;
    double width = 1.0;
};

SwatchOutline swatchOutline(model::RGBAColor cell, model::RGBAColor currentColor,
                            model::RGBAColor secondaryColor);
// Accent: width 2 in the palette's accent colour; half accent: width 2 at 50 %;
// plain: width 1 in grey at 30 %.
SwatchOutlineStyle swatchOutlineStyle(SwatchOutline outline, const QPalette& palette);

// One grid cell in `area`: the swatch fill of its colour and, along the cell's edge,
// its outline (corner radius 3, centred on the edge: half of it lies outside `area`).
void paintGridCell(QPainter& painter, const QRectF& area, model::RGBAColor color,
                   SwatchOutline outline, const QPalette& palette, const QColor& checkerLight,
                   const QColor& checkerDark);

// One of the two "current colour" swatches above the grid. Shows only.
class CurrentColorSwatch : public QWidget {
    Q_OBJECT

public:
    static constexpr int swatchHeight = 28;

    explicit CurrentColorSwatch(bool outlined, QWidget* parent = nullptr);

    model::RGBAColor color() const { return m_color; }
    void setColor(model::RGBAColor color);
    void setCheckerColors(const QColor& light, const QColor& dark);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    bool m_outlined = false;
    model::RGBAColor m_color;
    QColor m_checkerLight;
    QColor m_checkerDark;
};

}  // namespace pixmora::app
