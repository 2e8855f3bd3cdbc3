#pragma once

#include <QColor>
#include <QWidget>

#include <functional>

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

// The picture of one grid cell: its colour and its outline. Shows only.
class SwatchView : public QWidget {
    Q_OBJECT

public:
    static constexpr double outlineRadius = 3.0;

    explicit SwatchView(QWidget* parent = nullptr);

    model::RGBAColor color() const { return m_color; }
    SwatchOutline outline() const { return m_outline; }
    void setColor(model::RGBAColor color);
    void setOutline(SwatchOutline outline);
    void setCheckerColors(const QColor& light, const QColor& dark);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    model::RGBAColor m_color;
    SwatchOutline m_outline = SwatchOutline::plain;
    QColor m_checkerLight;
    QColor m_checkerDark;
};

// Hosts a content widget and takes the left and right presses on it for
// itself: each runs its callback at the press and goes no further, so the
// content never sees them. Other events (releases, moves, other buttons) keep
// their usual way.
class ClickableSwatch : public QWidget {
    Q_OBJECT

public:
    // Takes ownership of `content`, which fills the swatch.
    explicit ClickableSwatch(QWidget* content, QWidget* parent = nullptr);

    QWidget* content() const { return m_content; }
    void setOnLeftClick(std::function<void()> callback) { m_onLeftClick = std::move(callback); }
    void setOnRightClick(std::function<void()> callback) { m_onRightClick = std::move(callback); }

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // True when the press was one of ours and has been handled.
    bool takePress(Qt::MouseButton button);

    QWidget* m_content = nullptr;
    std::function<void()> m_onLeftClick;
    std::function<void()> m_onRightClick;
};

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
