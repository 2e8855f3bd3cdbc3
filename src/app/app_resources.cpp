#include "app/app_resources.h"

#include <QFile>
#include <QHash>
#include <QPainter>
#include <QPalette>
#include <QSvgRenderer>

// Q_INIT_RESOURCE expands to a declaration that must live at global scope.
static void initIconsResource()
{
    Q_INIT_RESOURCE(icons);
}

namespace pixmora::app {

void initAppResources()
{
    static const bool done = (initIconsResource(), true);
    Q_UNUSED(done);
}

QString symbolResourcePath(const QString& symbolName)
{
    return QStringLiteral(":/icons/%1.svg").arg(symbolName);
}

namespace {

QPixmap renderSymbol(const QString& symbolName, int size, const QColor& color,
                     qreal devicePixelRatio)
{
    initAppResources();
    QSvgRenderer renderer(symbolResourcePath(symbolName));
    if (!renderer.isValid() || size <= 0)
        return {};
    const int devicePixels = qMax(1, qRound(size * devicePixelRatio));
    QImage image(devicePixels, devicePixels, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    renderer.render(&painter, QRectF(0, 0, devicePixels, devicePixels));
    // The SVGs are drawn in black; keep their coverage and paint it in `color`.
    painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
    painter.fillRect(image.rect(), color);
    painter.end();
    image.setDevicePixelRatio(devicePixelRatio);
    return QPixmap::fromImage(std::move(image));
}

}  // namespace

QPixmap symbolPixmap(const QString& symbolName, int size, const QColor& color,
                     qreal devicePixelRatio)
{
    // Tool buttons ask on every paint; parsing and rendering the SVG each time
    // would cost more than the rest of the paint. A handful of symbols, sizes and
    // colours are ever asked for.
    static QHash<QString, QPixmap> cache;
    const QString key = QStringLiteral("%1|%2|%3|%4")
                            .arg(symbolName)
                            .arg(size)
                            .arg(color.rgba())
                            .arg(devicePixelRatio);
    if (const auto found = cache.constFind(key); found != cache.constEnd())
        return *found;
    QPixmap pixmap = renderSymbol(symbolName, size, color, devicePixelRatio);
    if (cache.size() >= 256)
        cache.clear();
    cache.insert(key, pixmap);
    return pixmap;
}

QIcon symbolIcon(const QString& symbolName, int size, const QPalette& palette)
{
    QIcon icon;
    icon.addPixmap(symbolPixmap(symbolName, size, palette.color(QPalette::Active, QPalette::ButtonText)),
                   QIcon::Normal);
    icon.addPixmap(symbolPixmap(symbolName, size, palette.color(QPalette::Disabled, QPalette::ButtonText)),
                   QIcon::Disabled);
    return icon;
}

}  // namespace pixmora::app
