#include "document/raster_bridge.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <unordered_map>

#include <QBuffer>
#include <QByteArray>
#include <QColorSpace>
#include <QImageReader>
#include <QImageWriter>
#include <QPainter>
#include <QRectF>

namespace pixmora::document {

namespace {

using model::RGBAColor;

// Qt's raster engine works in int coordinates; stay well inside them.
constexpr std::int64_t kMaxSide = 32767;

bool fitsBudget(std::int64_t width, std::int64_t height)
{
    return width > 0 && height > 0 && width <= kMaxSide && height <= kMaxSide
           && width * height * 4 <= kDecodeBudgetBytes;
}

bool fitsBudget(QSize size)
{
    return size.isValid() && fitsBudget(size.width(), size.height());
}

// libpng allocates and zeroes a chunk's declared length before reading it, so data
// with a PNG stream (whole, or inside an icon) whose chunk claims more bytes than the
// data holds is refused unread: that stream could never decode, and trying could cost
// gigabytes for a file of a few bytes. A PNG damaged only past its image data (a
// cut-off or corrupted text at the end) is read from the bytes before the damage,
// closed with an IEND, so the picture is not lost with it. Returns the bytes to
// decode (data itself, or the repaired copy), or nullptr.
const Bytes* decodableBytes(const Bytes& data, Bytes& repaired)
{
    if (!hasOverlongPngChunk(data)) {
        return &data;
    }
    const auto end = pngImageDataEnd(data);
    if (!end) {
        return nullptr;
    }
    repaired.assign(data.begin(), data.begin() + static_cast<std::ptrdiff_t>(*end));
    const Bytes iend = makePngChunk("IEND", {});
    repaired.insert(repaired.end(), iend.begin(), iend.end());
    return &repaired;
}

// Naming the format of the common kinds spares Qt probing, and loading, every
// image plugin installed to find the one that reads them.
QByteArray formatByContent(const Bytes& data)
{
    static constexpr std::uint8_t jpeg[] = {0xFF, 0xD8, 0xFF};
    static constexpr std::uint8_t png[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    const auto startsWith = [&data](const auto& prefix) {
        return data.size() >= sizeof(prefix)
               && std::memcmp(data.data(), prefix, sizeof(prefix)) == 0;
    };
    if (startsWith(jpeg)) {
        return "jpeg";
    }
    if (startsWith(png)) {
        return "png";
    }
    return {};
}

void prepareReader(QImageReader& reader, const Bytes& data, bool applyOrientation)
{
    if (const QByteArray format = formatByContent(data); !format.isEmpty()) {
        reader.setFormat(format);
        // With detection on, Qt still asks every plugin about the content first.
        reader.setAutoDetectImageFormat(false);
    }
    reader.setAutoTransform(applyOrientation);
    reader.setAllocationLimit(static_cast<int>(kDecodeBudgetBytes / (1024 * 1024)));
}

// A prepared reader over the bytes the decoder may be handed (decodableBytes): the
// caller's data without copying, or the repaired copy. reader() only when isSafe().
class SourceReader {
public:
    SourceReader(const Bytes& data, bool applyOrientation)
        : m_bytes(decodableBytes(data, m_repaired))
    {
        if (!m_bytes) {
            return;
        }
        m_array = QByteArray::fromRawData(reinterpret_cast<const char*>(m_bytes->data()),
                                          static_cast<qsizetype>(m_bytes->size()));
        m_buffer.setBuffer(&m_array);
        m_buffer.open(QIODevice::ReadOnly);
        m_reader.setDevice(&m_buffer);
        prepareReader(m_reader, *m_bytes, applyOrientation);
    }
    bool isSafe() const { return m_bytes != nullptr; }
    QImageReader& reader() { return m_reader; }

private:
    Bytes m_repaired;
    const Bytes* m_bytes = nullptr;
    QByteArray m_array;
    QBuffer m_buffer;
    QImageReader m_reader;
};

// Straight RGBA read directly from the decoded image: a premultiplied detour would
// lower the colours of partly transparent pixels.
model::PixelImage toPixelImage(const QImage& decoded)
{
    const QImage rgba = decoded.convertToFormat(QImage::Format_RGBA8888);
    if (rgba.isNull()) {
        return {};
    }
    const std::int64_t width = rgba.width();
    const std::int64_t height = rgba.height();
    std::vector<RGBAColor> pixels(static_cast<std::size_t>(width * height));
    for (std::int64_t y = 0; y < height; ++y) {
        const uchar* row = rgba.constScanLine(static_cast<int>(y));
        RGBAColor* out = pixels.data() + y * width;
        std::memcpy(out, row, static_cast<std::size_t>(width) * 4);
        for (std::int64_t x = 0; x < width; ++x) {
            if (out[x].a == 0) {
                out[x] = model::kTransparent;
            }
        }
    }
    return {width, height, std::move(pixels)};
}

// Qt's smooth drawImage samples bilinearly, which aliases when shrinking by more than
// half; an area-averaged reduction to twice the drawn size first keeps it faithful.
QImage reducedForDrawing(const QImage& source, double scale)
{
    if (scale >= 0.5) {
        return source;
    }
    const auto side = [scale](int v) {
        return std::max(1, static_cast<int>(std::ceil(static_cast<double>(v) * scale * 2.0)));
    };
    QImage reduced = source.scaled(side(source.width()), side(source.height()),
                                   Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    return reduced.isNull() ? source : reduced;
}

model::PixelRect coveredBlock(double drawW, double drawH, std::int64_t width, std::int64_t height,
                              double (*toInteger)(double))
{
    const auto side = [toInteger](double drawn, std::int64_t limit) {
        return std::max<std::int64_t>(0,
                                      std::min(limit, static_cast<std::int64_t>(toInteger(drawn))));
    };
    return {0, 0, side(drawW, width), side(drawH, height)};
}

// The stored-orientation size to decode a JPEG at: the largest DCT shrink (1/8, 1/4,
// 1/2) that keeps at least twice the fitted size, so libjpeg does the reduction.
QSize reducedDecodeSize(QImageReader& reader, QSize stored, QSize fitInto)
{
    if (reader.format() != "jpeg" || !reader.supportsOption(QImageIOHandler::ScaledSize)
        || fitInto.isEmpty()) {
        return {};
    }
    const QSize oriented = (reader.transformation() & QImageIOHandler::TransformationRotate90)
                               ? stored.transposed()
                               : stored;
    const double scale = std::min(double(fitInto.width()) / oriented.width(),
                                  double(fitInto.height()) / oriented.height());
    for (const int shrink : {8, 4, 2}) {
        const QSize decoded(stored.width() / shrink, stored.height() / shrink);
        if (decoded.width() >= 2.0 * scale * stored.width()
            && decoded.height() >= 2.0 * scale * stored.height() && !decoded.isEmpty()) {
            return decoded;
        }
    }
    return {};
}

QImage inSrgb(QImage image)
{
    const QColorSpace space = image.colorSpace();
    if (!space.isValid() || space == QColorSpace(QColorSpace::SRgb)) {
        return image;
    }
    QImage converted = image.convertedToColorSpace(QColorSpace(QColorSpace::SRgb));
    return converted.isNull() ? image : converted;
}

// An uninitialised QImage of the image's size; null when the image is over the
// budget, its pixel count does not match its size, or allocation fails.
QImage blankRep(const model::PixelImage& image, QImage::Format format)
{
    if (!fitsBudget(image.width, image.height)
        || image.pixels.size() != static_cast<std::size_t>(image.width * image.height)) {
        return {};
    }
    return QImage(static_cast<int>(image.width), static_cast<int>(image.height), format);
}

// The image as palette indices when it has at most 256 distinct colours (alpha
// included, so transparent pixels keep their colour too); null otherwise. A
// palette PNG reads back to the same pixels, is about half the size of an RGBA
// one for our pictures, and is a tenth of the work to filter and deflate.
QImage paletteRep(const model::PixelImage& image)
{
    QImage rep = blankRep(image, QImage::Format_Indexed8);
    if (rep.isNull()) {
        return {};
    }
    std::unordered_map<RGBAColor, std::uint8_t> indexOf;
    QList<QRgb> table;
    // Neighbours repeat often even in dithered pictures; skip the lookup for them.
    std::optional<RGBAColor> last;
    std::uint8_t lastIndex = 0;
    for (std::int64_t y = 0; y < image.height; ++y) {
        uchar* row = rep.scanLine(static_cast<int>(y));
        const RGBAColor* source = image.pixels.data() + y * image.width;
        for (std::int64_t x = 0; x < image.width; ++x) {
            const RGBAColor color = source[x];
            if (last != color) {
                auto found = indexOf.find(color);
                if (found == indexOf.end()) {
                    if (table.size() == 256) {
                        return {};
                    }
                    found = indexOf.emplace(color, static_cast<std::uint8_t>(table.size())).first;
                    table.push_back(qRgba(color.r, color.g, color.b, color.a));
                }
                last = color;
                lastIndex = found->second;
            }
            row[x] = lastIndex;
        }
    }
    rep.setColorTable(table);
    return rep;
}

}  // namespace

QImage makeBitmapRep(const model::PixelImage& image)
{
    QImage rep = blankRep(image, QImage::Format_RGBA8888);
    if (rep.isNull()) {
        return {};
    }
    for (std::int64_t y = 0; y < image.height; ++y) {
        std::memcpy(rep.scanLine(static_cast<int>(y)), image.pixels.data() + y * image.width,
                    static_cast<std::size_t>(image.width) * 4);
    }
    return rep;
}

std::optional<Bytes> encodeImage(const model::PixelImage& image, ImageFormat format)
{
    // TIFF readers are less at home with palettes and alpha; only PNG gets one.
    QImage rep = format == ImageFormat::png ? paletteRep(image) : QImage();
    if (rep.isNull()) {
        rep = makeBitmapRep(image);
    }
    if (rep.isNull()) {
        return std::nullopt;
    }
    QByteArray encoded;
    QBuffer buffer(&encoded);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format == ImageFormat::png ? "png" : "tiff");
    if (!writer.write(rep)) {
        return std::nullopt;
    }
    return Bytes(encoded.begin(), encoded.end());
}

std::optional<model::PixelImage> decodeImageData(const Bytes& data)
{
    SourceReader source(data, false);
    if (!source.isSafe()) {
        return std::nullopt;
    }
    QImageReader& reader = source.reader();
    if (!fitsBudget(reader.size())) {
        return std::nullopt;
    }
    QImage decoded;
    if (!reader.read(&decoded) || decoded.isNull()) {
        return std::nullopt;
    }
    model::PixelImage image = toPixelImage(decoded);
    if (image.pixels.empty()) {
        return std::nullopt;
    }
    return image;
}

FittedImage renderFitted(const QImage& source, std::int64_t width, std::int64_t height)
{
    if (source.isNull() || !fitsBudget(width, height)) {
        return {};
    }
    QImage surface(static_cast<int>(width), static_cast<int>(height),
                   QImage::Format_RGBA8888_Premultiplied);
    if (surface.isNull()) {
        return {};
    }
    surface.fill(0);

    const double sw = source.width();
    const double sh = source.height();
    const double byHeight = static_cast<double>(height) / sh;
    const double byWidth = static_cast<double>(width) / sw;
    const double scale = byHeight < byWidth ? byHeight : byWidth;
    const double drawW = scale * sw;
    const double drawH = scale * sh;

    const QImage drawn = reducedForDrawing(source, scale);
    {
        QPainter painter(&surface);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.drawImage(QRectF(0.0, 0.0, drawW, drawH), drawn, QRectF(drawn.rect()));
    }

    FittedImage fitted;
    fitted.pixels.resize(static_cast<std::size_t>(width * height));
    for (std::int64_t y = 0; y < height; ++y) {
        const uchar* row = surface.constScanLine(static_cast<int>(y));
        RGBAColor* out = fitted.pixels.data() + y * width;
        for (std::int64_t x = 0; x < width; ++x) {
            const uchar* p = row + 4 * x;
            const unsigned a = p[3];
            if (a == 0) {
                out[x] = model::kTransparent;
                continue;
            }
            const auto straight = [a](unsigned c) {
                return static_cast<std::uint8_t>(std::min(255u, c * 255u / a));
            };
            out[x] = {straight(p[0]), straight(p[1]), straight(p[2]), static_cast<std::uint8_t>(a)};
        }
    }
    fitted.covered =
        coveredBlock(drawW, drawH, width, height, [](double v) { return std::round(v); });
    fitted.fullyCovered =
        coveredBlock(drawW, drawH, width, height, [](double v) { return std::floor(v); });
    return fitted;
}

bool hasAlphaVariation(const QImage& source)
{
    if (source.isNull() || !source.hasAlphaChannel()) {
        return false;
    }
    if (source.depth() > 32) {
        const QImage wide = source.convertToFormat(QImage::Format_RGBA64);
        for (int y = 0; y < wide.height(); ++y) {
            const auto* row = reinterpret_cast<const QRgba64*>(wide.constScanLine(y));
            if (std::any_of(row, row + wide.width(), [](QRgba64 p) { return p.alpha() < 65535; })) {
                return true;
            }
        }
        return false;
    }
    // Alpha survives this conversion exactly, from premultiplied formats too.
    const QImage argb = source.format() == QImage::Format_ARGB32_Premultiplied
                            ? source
                            : source.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < argb.height(); ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(argb.constScanLine(y));
        if (std::any_of(row, row + argb.width(), [](QRgb p) { return qAlpha(p) < 255; })) {
            return true;
        }
    }
    return false;
}

std::optional<QSize> sourceImageSize(const Bytes& data)
{
    SourceReader source(data, true);
    if (!source.isSafe()) {
        return std::nullopt;
    }
    QImageReader& reader = source.reader();
    QSize size = reader.size();
    if (!reader.canRead() || !size.isValid() || size.isEmpty()) {
        return std::nullopt;
    }
    if (reader.transformation() & QImageIOHandler::TransformationRotate90) {
        size.transpose();
    }
    return size;
}

QImage decodeSourceImage(const Bytes& data, std::optional<QSize> fitInto)
{
    SourceReader source(data, true);
    if (!source.isSafe()) {
        return {};
    }
    QImageReader& reader = source.reader();
    const QSize stored = reader.size();
    if (!stored.isValid() || stored.isEmpty()) {
        return {};
    }
    const QSize reduced = fitInto ? reducedDecodeSize(reader, stored, *fitInto) : QSize();
    if (!fitsBudget(reduced.isValid() ? reduced : stored)) {
        return {};
    }
    if (reduced.isValid()) {
        reader.setScaledSize(reduced);
    }
    QImage image;
    if (!reader.read(&image) || image.isNull()) {
        return {};
    }
    return inSrgb(std::move(image));
}

bool isReadableImage(const Bytes& data)
{
    SourceReader source(data, false);
    if (!source.isSafe()) {
        return false;
    }
    QImageReader& reader = source.reader();
    if (!reader.canRead()) {
        return false;
    }
    const QSize size = reader.size();
    if (size.isValid() && !size.isEmpty()) {
        return true;
    }
    QImage image;
    return reader.read(&image) && !image.isNull();
}

}  // namespace pixmora::document
