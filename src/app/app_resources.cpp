#include "app/app_resources.h"

#include <QFile>
#include <QHash>
#include <QIconEngine>
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

namespace {

// Renders the symbol at the size and mode it is drawn in, and not before: an icon
// made while a window is built costs nothing until it is shown.
class SymbolIconEngine final : public QIconEngine {
public:
    SymbolIconEngine(QString symbolName, const QPalette& palette)
        : m_symbolName(std::move(symbolName)),
          m_normal(palette.color(QPalette::Active, QPalette::ButtonText)),
          m_disabled(palette.color(QPalette::Disabled, QPalette::ButtonText))
    {
    }

    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State) override
    {
        return symbolPixmap(m_symbolName, qMin(size.width(), size.height()), colorFor(mode));
    }

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State) override
    {
        const int side = qMin(rect.width(), rect.height());
        const QPixmap symbol = symbolPixmap(m_symbolName, side, colorFor(mode),
                                            painter->device()->devicePixelRatioF());
        painter->drawPixmap(QPointF(rect.x() + (rect.width() - side) / 2.0,
                                    rect.y() + (rect.height() - side) / 2.0),
                            symbol);
    }

    QIconEngine* clone() const override { return new SymbolIconEngine(*this); }

private:
    QColor colorFor(QIcon::Mode mode) const
    {
        return mode == QIcon::Disabled ? m_disabled : m_normal;
    }

    QString m_symbolName;
    QColor m_normal;
    QColor m_disabled;
};

}  // namespace

QIcon symbolIcon(const QString& symbolName, const QPalette& palette)
{
    return QIcon(new SymbolIconEngine(symbolName, palette));
}

}  // namespace pixmora::app
