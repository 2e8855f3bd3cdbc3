#include "editor/system_clipboard.h"

#include <algorithm>
#include <cstring>
#include <memory>

#include <QByteArray>
#include <QClipboard>
#include <QGuiApplication>
#include <QImage>
#include <QMimeData>
#include <QString>
#include <QStringList>

#include "document/raster_bridge.h"

namespace pixmora::editor {

namespace {

const QString pngType = QStringLiteral("image/png");
const QString tiffType = QStringLiteral("image/tiff");

QClipboard* systemClipboard()
{
    return qobject_cast<QGuiApplication*>(QCoreApplication::instance()) != nullptr
               ? QGuiApplication::clipboard()
               : nullptr;
}

QByteArray toByteArray(const document::Bytes& bytes)
{
    return QByteArray(reinterpret_cast<const char*>(bytes.data()),
                      static_cast<qsizetype>(bytes.size()));
}

std::optional<model::PixelImage> decodeFormat(const QMimeData& mime, const QString& type)
{
    const QByteArray data = mime.data(type);
    if (data.isEmpty()) {
        return std::nullopt;
    }
    const auto* begin = reinterpret_cast<const std::uint8_t*>(data.constData());
    return document::decodeImageData(document::Bytes(begin, begin + data.size()));
}

// Straight-alpha pixels of an image some other application put up only as a
// platform image (no encoded bytes we could decode ourselves).
std::optional<model::PixelImage> fromQImage(const QImage& source)
{
    if (source.isNull()) {
        return std::nullopt;
    }
    const QImage rgba = source.convertToFormat(QImage::Format_RGBA8888);
    model::PixelImage image(rgba.width(), rgba.height());
    const auto rowLength = static_cast<std::size_t>(rgba.width());
    for (int y = 0; y < rgba.height(); ++y) {
        std::memcpy(&image.pixels[static_cast<std::size_t>(y) * rowLength], rgba.constScanLine(y),
                    rowLength * sizeof(model::RGBAColor));
    }
    return image;
}

bool isOtherImageType(const QString& type)
{
    return type.startsWith(QLatin1String("image/")) && type != pngType && type != tiffType;
}

}  // namespace

SystemClipboard::SystemClipboard(QObject* parent) : ClipboardPort(parent)
{
    if (QClipboard* clipboard = systemClipboard()) {
        connect(clipboard, &QClipboard::dataChanged, this, &ClipboardPort::changed);
    }
}

void SystemClipboard::writeImage(const model::PixelImage& image)
{
    QClipboard* clipboard = systemClipboard();
    if (clipboard == nullptr) {
        return;
    }
    auto mime = std::make_unique<QMimeData>();
    if (const auto png = document::encodeImage(image, document::ImageFormat::png)) {
        mime->setData(pngType, toByteArray(*png));
    }
    if (const auto tiff = document::encodeImage(image, document::ImageFormat::tiff)) {
        mime->setData(tiffType, toByteArray(*tiff));
    }
    clipboard->setMimeData(mime.release());
}

std::optional<model::PixelImage> SystemClipboard::readImage() const
{
    QClipboard* clipboard = systemClipboard();
    const QMimeData* mime = clipboard != nullptr ? clipboard->mimeData() : nullptr;
    if (mime == nullptr) {
        return std::nullopt;
    }
    for (const QString& type : {pngType, tiffType}) {
        if (mime->hasFormat(type)) {
            if (auto image = decodeFormat(*mime, type)) {
                return image;
            }
        }
    }
    // Browsers and other editors offer further encodings; take the first that decodes.
    for (const QString& type : mime->formats()) {
        if (isOtherImageType(type)) {
            if (auto image = decodeFormat(*mime, type)) {
                return image;
            }
        }
    }
    if (mime->hasImage()) {
        return fromQImage(qvariant_cast<QImage>(mime->imageData()));
    }
    return std::nullopt;
}

bool SystemClipboard::canReadImage() const
{
    QClipboard* clipboard = systemClipboard();
    const QMimeData* mime = clipboard != nullptr ? clipboard->mimeData() : nullptr;
    if (mime == nullptr) {
        return false;
    }
    if (mime->hasFormat(pngType) || mime->hasFormat(tiffType) || mime->hasImage()) {
        return true;
    }
    const QStringList formats = mime->formats();
    return std::any_of(formats.begin(), formats.end(), isOtherImageType);
}

}  // namespace pixmora::editor
