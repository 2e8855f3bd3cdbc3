#include "document/bitmap_document.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include "document/raster_bridge.h"
#include "document_fixtures.h"

namespace pixmora::document {
namespace {

using model::ColorMode;
using model::PixelImage;
using model::RGBAColor;
using Reason = ImportRequiredError::Reason;

const test::Legend kLegend{
    {'.', model::kTransparent}, {'k', {0, 0, 0, 255}}, {'r', {255, 0, 0, 255}},
    {'h', {200, 100, 50, 128}},  // partly transparent, off every palette
    {'w', {255, 255, 255, 1}},
};
const PixelImage kSample = test::picture({"k.rh", "hwk.", "rrrr"}, kLegend);

const BitmapDocument& documentOf(const ReadResult& result)
{
    static const BitmapDocument none;
    const auto* document = std::get_if<BitmapDocument>(&result);
    EXPECT_TRUE(document) << "refused: "
                          << errorText(std::get<DocumentError>(result)).toStdString();
    return document ? *document : none;
}

std::optional<Reason> refusal(const ReadResult& result)
{
    const auto* error = std::get_if<DocumentError>(&result);
    const auto* importError = error ? std::get_if<ImportRequiredError>(error) : nullptr;
    return importError ? std::optional<Reason>(importError->reason) : std::nullopt;
}

TEST(DocumentFiles, WrittenFileHasTheModeChunkLastPassesPngcheckAndReadsBackWhole)
{
    QTemporaryDir dir;
    const BitmapDocument document{kSample, false, ColorMode::sixteenColor};
    const QString path = dir.filePath("drawing.png");
    EXPECT_FALSE(writeDocumentFile(document, path));
    EXPECT_EQ(documentOf(readDocumentFile(path)), document);
    const Bytes png = writeDocument(document).value_or(Bytes());
    Bytes tail = test::pngChunk("tEXt", test::asBytes({"pixmoraColorMode\0sixteenColor", 29}));
    test::append(tail, test::pngChunk("IEND", {}));
    ASSERT_GT(png.size(), tail.size());
    EXPECT_EQ(Bytes(png.end() - static_cast<std::ptrdiff_t>(tail.size()), png.end()), tail);
    QProcess pngcheck;
    pngcheck.start("/usr/bin/pngcheck", {path});
    ASSERT_TRUE(pngcheck.waitForFinished());
    EXPECT_EQ(pngcheck.exitCode(), 0) << pngcheck.readAllStandardOutput().toStdString();
}

TEST(DocumentReading, ModeFromTheChunkByExactNameAndColoursNeverSnappedToItsPalette)
{
    const Bytes png = encodeImage(kSample, ImageFormat::png).value_or(Bytes());
    const auto opened = [&png](std::optional<std::string_view> text) {
        return documentOf(
            readDocument(text ? insertPngTextChunk("pixmoraColorMode", *text, png) : png));
    };
    EXPECT_EQ(opened("twoColor"), (BitmapDocument{kSample, false, ColorMode::twoColor}));
    EXPECT_EQ(opened("TwoColor").colorMode, ColorMode::webSafe256);
}

TEST(DocumentReading, SizeLimitIs128EachWayDecidedByTheHeaderAlone)
{
    const Bytes wide = test::encoded(test::filledImage(129, 1, {0, 0, 0, 255}), "png");
    EXPECT_EQ(refusal(readDocument(wide)), Reason::oversizedPNG);
    const Bytes damaged = test::pngWithHeader(200, 200, test::pngChunk("IDAT", {1, 2, 3, 4, 5}));
    EXPECT_EQ(refusal(readDocument(damaged)), Reason::oversizedPNG);
}

// Beyond 256 MiB only the file's start is read; a sparse file spares the disk.
TEST(DocumentFiles, FileOverTheWholeReadLimitIsRefusedFromItsStartAlone)
{
    QTemporaryDir dir;
    QFile file(dir.filePath("huge.png"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    const Bytes header = test::pngWithHeader(100000, 100000, {});
    file.write(reinterpret_cast<const char*>(header.data()), static_cast<qint64>(header.size()));
    ASSERT_TRUE(file.resize((qint64{256} << 20) + 1));
    file.close();
    const std::int64_t before = test::peakResidentBytes();
    const ReadResult result = readDocumentFile(file.fileName());
    EXPECT_EQ(refusal(result), Reason::oversizedPNG);
    EXPECT_LT(test::peakResidentBytes() - before, std::int64_t{64} << 20);
}

}  // namespace
}  // namespace pixmora::document
