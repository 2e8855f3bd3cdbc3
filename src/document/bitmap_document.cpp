#include "document/bitmap_document.h"

#include <string>

#include <QByteArray>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include "document/raster_bridge.h"

namespace pixmora::document {

namespace {

using Reason = ImportRequiredError::Reason;

// Files beyond this are not read whole: only their start is looked at, which is
// all a refusal needs (no document comes anywhere near it).
constexpr qint64 kMaxWholeRead = qint64(256) * 1024 * 1024;
constexpr qint64 kPrefixRead = qint64(1) * 1024 * 1024;

std::optional<PendingDocumentContent>& pendingSlot()
{
    static std::optional<PendingDocumentContent> slot;
    return slot;
}

ReadResult importRequired(Reason reason)
{
    return DocumentError{ImportRequiredError{reason}};
}

Bytes toBytes(const QByteArray& array)
{
    return Bytes(array.begin(), array.end());
}

}  // namespace

QString ImportRequiredError::recoverySuggestion() const
{
    switch (reason) {
        case Reason::oversizedPNG:
            return QStringLiteral(u"画像サイズが大きすぎます。インポート機能をお試しください");
        case Reason::unsupportedFormat:
            return QStringLiteral(u"サポートしていない形式です。インポート機能をお試しください");
        case Reason::notAnImage:
            break;
    }
    return QStringLiteral(u"サポートしていない形式です");
}

FileError FileError::readFailure(QString text)
{
    if (text.isEmpty()) {
        text = QStringLiteral(
            u"ファイルを読み込めませんでした。ファイルが壊れている可能性があります。");
    }
    return {Code::fileReadCorruptFile, std::move(text)};
}

FileError FileError::writeFailure(QString text)
{
    if (text.isEmpty()) {
        text = QStringLiteral(u"ファイルを書き込めませんでした。");
    }
    return {Code::fileWriteUnknown, std::move(text)};
}

QString errorText(const DocumentError& error)
{
    if (const auto* importError = std::get_if<ImportRequiredError>(&error)) {
        return importError->recoverySuggestion();
    }
    return std::get<FileError>(error).text;
}

ReadResult readDocument(const Bytes& data)
{
    const auto size = pngPixelSize(data);
    if (!size) {
        return importRequired(isReadableImage(data) ? Reason::unsupportedFormat
                                                    : Reason::notAnImage);
    }
    // Decided on the header alone, so damaged data behind it does not matter.
    if (size->first > kMaxDocumentSide || size->second > kMaxDocumentSide) {
        return importRequired(Reason::oversizedPNG);
    }
    auto image = decodeImageData(data);
    if (!image) {
        return importRequired(Reason::notAnImage);
    }
    const auto text = readPngTextChunk(kColorModeKeyword, data);
    const auto mode = text ? model::colorModeFromRaw(*text) : std::nullopt;
    return BitmapDocument{std::move(*image), false, mode.value_or(model::ColorMode::webSafe256)};
}

ReadResult readDocumentFile(const QString& path)
{
    const QFileInfo info(path);
    if (!info.exists()) {
        return DocumentError{FileError::readFailure(
            QStringLiteral(u"ファイルを読み込めませんでした。ファイルが見つかりません。"))};
    }
    // Directories, devices and pipes have no contents to open.
    if (!info.isFile()) {
        return DocumentError{FileError::readFailure(
            QStringLiteral(u"ファイルを読み込めませんでした。通常のファイルではありません。"))};
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return DocumentError{FileError::readFailure(QStringLiteral(
            u"ファイルを読み込めませんでした。読み込みが許可されていない可能性があります。"))};
    }
    const QByteArray contents =
        file.size() > kMaxWholeRead ? file.read(kPrefixRead) : file.readAll();
    if (file.error() != QFileDevice::NoError) {
        return DocumentError{FileError::readFailure()};
    }
    return readDocument(toBytes(contents));
}

std::optional<Bytes> writeDocument(const BitmapDocument& document)
{
    const auto png = encodeImage(document.image, ImageFormat::png);
    if (!png) {
        return std::nullopt;
    }
    return insertPngTextChunk(kColorModeKeyword, model::rawValue(document.colorMode), *png);
}

std::optional<FileError> writeDocumentFile(const BitmapDocument& document, const QString& path)
{
    const auto bytes = writeDocument(document);
    if (!bytes) {
        return FileError::writeFailure();
    }
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        return FileError::writeFailure(QStringLiteral(
            u"ファイルを書き込めませんでした。保存先に書き込めるか確認してください。"));
    }
    const auto size = static_cast<qint64>(bytes->size());
    if (file.write(reinterpret_cast<const char*>(bytes->data()), size) != size || !file.commit()) {
        return FileError::writeFailure();
    }
    return std::nullopt;
}

void setPendingDocumentContent(PendingDocumentContent content)
{
    pendingSlot() = std::move(content);
}

std::optional<PendingDocumentContent> takePendingDocumentContent()
{
    std::optional<PendingDocumentContent> content = std::move(pendingSlot());
    pendingSlot().reset();
    return content;
}

bool hasPendingDocumentContent()
{
    return pendingSlot().has_value();
}

BitmapDocument placeholderDocument()
{
    return {model::PixelImage(32, 32), true, model::ColorMode::webSafe256};
}

BitmapDocument makeNewDocument()
{
    auto content = takePendingDocumentContent();
    // A slot whose pixels do not match its size would break every later pixel
    // access; such content is dropped rather than opened.
    if (!content || content->width < 1 || content->height < 1 || content->width > kMaxDocumentSide
        || content->height > kMaxDocumentSide
        || content->pixels.size() != static_cast<std::size_t>(content->width * content->height)) {
        return placeholderDocument();
    }
    return {model::PixelImage(content->width, content->height, std::move(content->pixels)), false,
            content->colorMode};
}

}  // namespace pixmora::document
