#pragma once

#include <QColor>
#include <QIcon>
#include <QPixmap>
#include <QString>

namespace pixmora::app {

// Registers the app library's compiled-in resources (the symbol icons). The
// library is static, so nothing registers them by itself; safe to call often.
void initAppResources();

// The path of a symbol's SVG resource, e.g. ":/icons/pencil.svg".
QString symbolResourcePath(const QString& symbolName);

// A symbol drawn in one colour, `size` device-independent pixels square, for a
// screen of the given pixel ratio. A null pixmap when the symbol is unknown.
// Rendered once and kept; GUI thread only.
QPixmap symbolPixmap(const QString& symbolName, int size, const QColor& color,
                     qreal devicePixelRatio = 1.0);

// The symbol as an icon tinted for each mode of the given palette's text colour,
// rendered at whatever size it is drawn.
QIcon symbolIcon(const QString& symbolName, const QPalette& palette);

}  // namespace pixmora::app
