#include "document/bitmap_document.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

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

Bytes plainPng(int width, int height)
{
    return test::encoded(test::filledImage(width, height, {0, 0, 0, 255}), "png");
}

TEST(DocumentRoundTrip, EveryModeIsKeptAndAnInconsistentImageIsNotWritten)
{
    for (const ColorMode mode : model::allColorModes) {
        const auto empty = writeDocument({PixelImage(8, 8), true, mode});
        ASSERT_TRUE(empty);
        EXPECT_EQ(documentOf(readDocument(*empty)),
                  (BitmapDocument{PixelImage(8, 8), false, mode}));
    }
    EXPECT_FALSE(
        writeDocument({PixelImage(4, 4, {model::kTransparent}), false, ColorMode::twoColor}));
}

TEST(DocumentFiles, WrittenFileHasTheModeChunkLastPassesPngcheckAndReadsBackWhole)
{
    QTemporaryDir dir;
    const BitmapDocument document{kSample, false, ColorMode::sixteenColor};
    const QString path = dir.filePath("drawing.png");
    EXPECT_FALSE(writeDocumentFile(document, path));
    EXPECT_EQ(documentOf(readDocumentFile(path)), document);
    const auto chunks = test::pngChunks(writeDocument(document).value_or(Bytes()));
    ASSERT_GE(chunks.size(), 4u);
    EXPECT_EQ(chunks[chunks.size() - 2].type, "tEXt");
    const Bytes& text = chunks[chunks.size() - 2].data;
    EXPECT_EQ(std::string(text.begin(), text.end()),
              std::string("pixmoraColorMode\0sixteenColor", 29));
    EXPECT_EQ(chunks.back().type, "IEND");
    QProcess pngcheck;
    pngcheck.start("/usr/bin/pngcheck", {path});
    ASSERT_TRUE(pngcheck.waitForFinished());
    EXPECT_EQ(pngcheck.exitCode(), 0) << pngcheck.readAllStandardOutput().toStdString();

    const auto error = writeDocumentFile(document, dir.filePath("no/such/folder/drawing.png"));
    ASSERT_TRUE(error);
    EXPECT_EQ(error->code, FileError::Code::fileWriteUnknown);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries),
              QStringList{"drawing.png"});
}

TEST(DocumentReading, ModeFromTheChunkByExactNameAndColoursNeverSnappedToItsPalette)
{
    const Bytes png = test::encoded(test::toQImage(kSample), "png");
    const auto opened = [&png](std::optional<std::string_view> text) {
        return documentOf(
            readDocument(text ? insertPngTextChunk("pixmoraColorMode", *text, png) : png));
    };
    EXPECT_EQ(opened("twoColor"), (BitmapDocument{kSample, false, ColorMode::twoColor}));
    EXPECT_EQ(opened(std::nullopt).colorMode, ColorMode::webSafe256);
    EXPECT_EQ(opened("sixteenColor").colorMode, ColorMode::sixteenColor);
    EXPECT_EQ(opened("TwoColor").colorMode, ColorMode::webSafe256);
}

TEST(DocumentReading, SizeLimitIs128EachWayDecidedByTheHeaderAlone)
{
    EXPECT_EQ(documentOf(readDocument(plainPng(128, 128))).image.width, 128);
    EXPECT_EQ(refusal(readDocument(plainPng(129, 1))), Reason::oversizedPNG);
    EXPECT_EQ(refusal(readDocument(plainPng(1, 129))), Reason::oversizedPNG);
    const Bytes damaged = test::pngWithHeader(200, 200, test::pngChunk("IDAT", {1, 2, 3, 4, 5}));
    EXPECT_EQ(refusal(readDocument(damaged)), Reason::oversizedPNG);
    const Bytes small = test::pngWithHeader(16, 16, test::pngChunk("IDAT", {1, 2, 3, 4, 5}));
    EXPECT_EQ(refusal(readDocument(small)), Reason::notAnImage);
}

// Fuzz finding: an 8 x 8 PNG of 151 bytes whose colour mode chunk, ahead of the image
// data, claims 1 GiB, which the decoder allocated and zeroed.
TEST(DocumentReading, ChunkClaimingMoreThanTheFileHoldsIsRefusedUnread)
{
    const Bytes data{
        0x89, 0x50, 0x4E, 0x47, 0x0D, 0x0A, 0x1A, 0x0A, 0x00, 0x00, 0x00, 0x0D, 0x49, 0x48, 0x44,
        0x52, 0x00, 0x00, 0x00, 0x08, 0x00, 0x00, 0x00, 0x08, 0x08, 0x06, 0x00, 0x00, 0x00, 0xC4,
        0x0F, 0xBE, 0x8B, 0x40, 0x00, 0x00, 0x1D, 0x74, 0x45, 0x58, 0x74, 0x70, 0x69, 0x78, 0x6D,
        0x6F, 0x72, 0x61, 0x43, 0x6F, 0x6C, 0x6F, 0x72, 0x4D, 0x6F, 0x64, 0x00, 0x00, 0x00, 0xFD,
        0x78, 0x74, 0x65, 0x65, 0x2F, 0x43, 0x6F, 0x6C, 0x6F, 0x72, 0x2F, 0xEA, 0xD3, 0x26, 0x00,
        0x00, 0x00, 0x35, 0x49, 0x44, 0x41, 0x54, 0x78, 0x9C, 0x63, 0xF8, 0xCF, 0xC0, 0xF0, 0x9F,
        0x01, 0x27, 0xF8, 0xDF, 0x00, 0xA1, 0xB0, 0x2A, 0x82, 0x4A, 0xC2, 0xB9, 0x28, 0x8A, 0xD0,
        0x24, 0x51, 0x15, 0xE1, 0x90, 0x84, 0xE9, 0xC4, 0xE3, 0x26, 0x84, 0x4E, 0x2C, 0x8A, 0x30,
        0x8D, 0x45, 0x52, 0x84, 0xDB, 0xCE, 0xFF, 0x0C, 0x0C, 0xFF, 0x01, 0x5B, 0x7E, 0x1B, 0xE9,
        0x52, 0x62, 0x15, 0xB8, 0x00, 0x00, 0x00, 0x00, 0x49, 0x45, 0x4E, 0x44, 0xAE, 0x42, 0x60,
        0x82,
    };
    const std::int64_t before = test::peakResidentBytes();
    EXPECT_EQ(refusal(readDocument(data)), Reason::notAnImage);
    EXPECT_LT(test::peakResidentBytes() - before, std::int64_t{256} << 20);
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
    ASSERT_EQ(refusal(result), Reason::oversizedPNG);
    EXPECT_EQ(errorText(std::get<DocumentError>(result)),
              QString::fromUtf8("画像サイズが大きすぎます。インポート機能をお試しください"));
    EXPECT_LT(test::peakResidentBytes() - before, std::int64_t{64} << 20);
}

TEST(NewDocument, PendingContentGoesToTheNextDocumentOnlyWhenItIsConsistent)
{
    const BitmapDocument placeholder{PixelImage(32, 32), true, ColorMode::webSafe256};
    EXPECT_EQ(makeNewDocument(), placeholder);
    std::vector<RGBAColor> pixels(64 * 48, model::kTransparent);
    pixels[5] = model::kOpaqueBlack;
    setPendingDocumentContent({64, 48, pixels, ColorMode::twoColor});
    EXPECT_TRUE(hasPendingDocumentContent());
    EXPECT_EQ(makeNewDocument(),
              (BitmapDocument{PixelImage(64, 48, pixels), false, ColorMode::twoColor}));
    EXPECT_FALSE(hasPendingDocumentContent());
    EXPECT_EQ(makeNewDocument(), placeholder);
    for (const PendingDocumentContent& bad :
         {PendingDocumentContent{64, 48, std::vector<RGBAColor>(10), ColorMode::twoColor},
          PendingDocumentContent{200, 1, std::vector<RGBAColor>(200), ColorMode::twoColor}}) {
        setPendingDocumentContent(bad);
        EXPECT_EQ(makeNewDocument(), placeholder);
        EXPECT_FALSE(hasPendingDocumentContent());
    }
}

}  // namespace
}  // namespace pixmora::document
