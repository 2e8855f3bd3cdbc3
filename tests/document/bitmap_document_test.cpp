#include "document/bitmap_document.h"

#include <gtest/gtest.h>

#include <algorithm>

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include "document/raster_bridge.h"
#include "document_fixtures.h"

namespace pixmora::document {
namespace {

using model::ColorMode;
const DocumentError kOversized = ImportRequiredError{ImportRequiredError::Reason::oversizedPNG};

const model::PixelImage kSample =
    test::picture({"k.rh", "hwk.", "rrrr"},
                  {{'.', model::kTransparent}, {'k', {0, 0, 0, 255}}, {'r', {255, 0, 0, 255}},
                   {'h', {200, 100, 50, 128}}, {'w', {255, 255, 255, 1}}});

// The colours are not snapped to the mode's palette; the mode's name must match exactly.
TEST(DocumentFiles, WrittenFileHasTheModeChunkLastPassesPngcheckAndReadsBackWhole)
{
    QTemporaryDir dir;
    const BitmapDocument document{kSample, false, ColorMode::twoColor};
    const QString path = dir.filePath("drawing.png");
    EXPECT_FALSE(writeDocumentFile(document, path));
    EXPECT_EQ(std::get<BitmapDocument>(readDocumentFile(path)), document);
    const Bytes png = writeDocument(document).value_or(Bytes());
    Bytes tail = test::pngChunk("tEXt", test::asBytes({"pixmoraColorMode\0twoColor", 25}));
    test::append(tail, test::pngChunk("IEND", {}));
    ASSERT_GT(png.size(), tail.size());
    EXPECT_EQ(Bytes(png.end() - static_cast<std::ptrdiff_t>(tail.size()), png.end()), tail);
    QProcess pngcheck;
    pngcheck.start("/usr/bin/pngcheck", {path});
    ASSERT_TRUE(pngcheck.waitForFinished());
    EXPECT_EQ(pngcheck.exitCode(), 0) << pngcheck.readAllStandardOutput().toStdString();
    const Bytes miscased = insertPngTextChunk("pixmoraColorMode", "TwoColor",
                                              encodeImage(kSample, ImageFormat::png).value());
    EXPECT_EQ(std::get<BitmapDocument>(readDocument(miscased)).colorMode, ColorMode::webSafe256);
}

// The palette is stored as plain bytes; colours can spell the PNG signature and,
// after it, a huge chunk length (fuzz finding). The file is still one PNG stream.
TEST(DocumentFiles, PaletteSpellingThePngSignatureReadsBack)
{
    const model::PixelImage image = test::picture(
        {"abcd"}, {{'a', {0x89, 'P', 'N', 255}},
                   {'b', {'G', '\r', '\n', 255}},
                   {'c', {0x1A, '\n', 0x7F, 255}},
                   {'d', {0xFF, 0xFF, 0xFF, 255}}});
    const BitmapDocument document{image, false, ColorMode::webSafe256};
    const Bytes png = writeDocument(document).value_or(Bytes());
    ASSERT_NE(std::search(png.begin() + 8, png.end(), png.begin(), png.begin() + 8), png.end());
    EXPECT_EQ(std::get<BitmapDocument>(readDocument(png)), document);
}

// At most 128 each way, decided by the header alone. Beyond 256 MiB only the file's start
// is read; a sparse file spares the disk.
TEST(DocumentReading, OversizedByTheHeaderOrOverTheWholeReadLimitIsRefusedFromItsStart)
{
    const Bytes idat = test::pngChunk("IDAT", {1, 2, 3, 4, 5});
    EXPECT_EQ(std::get<DocumentError>(readDocument(test::pngWithHeader(129, 1, idat))), kOversized);
    EXPECT_EQ(std::get<DocumentError>(readDocument(test::pngWithHeader(1, 129, idat))), kOversized);
    QTemporaryDir dir;
    const QString path = dir.filePath("huge.png");
    test::writeFile(path, test::pngWithHeader(100000, 100000, {}));
    ASSERT_TRUE(QFile::resize(path, (qint64{256} << 20) + 1));
    const std::int64_t before = test::peakResidentBytes();
    EXPECT_EQ(std::get<DocumentError>(readDocumentFile(path)), kOversized);
    EXPECT_LT(test::peakResidentBytes() - before, std::int64_t{64} << 20);
}

}  // namespace
}  // namespace pixmora::document
