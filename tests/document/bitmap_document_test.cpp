#include "document/bitmap_document.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <sys/resource.h>

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

PixelImage sample()
{
    return test::picture({"k.rh", "hwk.", "rrrr"}, kLegend);
}

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

TEST(DocumentRoundTrip, SavedAndReopenedKeepsModeSizeAndEveryPixel)
{
    const BitmapDocument saved{sample(), false, ColorMode::sixteenColor};
    const auto bytes = writeDocument(saved);
    ASSERT_TRUE(bytes);
    EXPECT_EQ(documentOf(readDocument(*bytes)), saved);
    for (const ColorMode mode : model::allColorModes) {
        const auto empty = writeDocument({PixelImage(8, 8), true, mode});
        ASSERT_TRUE(empty);
        EXPECT_EQ(documentOf(readDocument(*empty)), (BitmapDocument{PixelImage(8, 8), false, mode}));
    }
    EXPECT_FALSE(
        writeDocument({PixelImage(4, 4, {model::kTransparent}), false, ColorMode::twoColor}));
}

TEST(DocumentRoundTrip, ColourModeChunkComesJustBeforeIendAndPngcheckAccepts)
{
    const auto bytes = writeDocument({sample(), false, ColorMode::sixteenColor});
    ASSERT_TRUE(bytes);
    const auto chunks = test::pngChunks(*bytes);
    ASSERT_GE(chunks.size(), 4u);
    EXPECT_EQ(chunks[chunks.size() - 2].type, "tEXt");
    const Bytes& text = chunks[chunks.size() - 2].data;
    EXPECT_EQ(std::string(text.begin(), text.end()),
              std::string("pixmoraColorMode\0sixteenColor", 29));
    EXPECT_EQ(chunks.back().type, "IEND");

    QTemporaryDir dir;
    QFile file(dir.filePath("doc.png"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(reinterpret_cast<const char*>(bytes->data()), static_cast<qint64>(bytes->size()));
    file.close();
    QProcess pngcheck;
    pngcheck.start("/usr/bin/pngcheck", {file.fileName()});
    ASSERT_TRUE(pngcheck.waitForFinished());
    EXPECT_EQ(pngcheck.exitCode(), 0) << pngcheck.readAllStandardOutput().toStdString();
}

TEST(DocumentReading, OpeningNeverSnapsColoursToThePalette)
{
    const PixelImage image = sample();
    const Bytes bytes = insertPngTextChunk("pixmoraColorMode", "twoColor",
                                           test::encoded(test::toQImage(image), "png"));
    const BitmapDocument document = documentOf(readDocument(bytes));
    EXPECT_EQ(document.colorMode, ColorMode::twoColor);
    EXPECT_FALSE(document.needsSizeConfiguration);
    EXPECT_EQ(document.image, image);
}

TEST(DocumentReading, ColourModeFromTheChunkByExactName)
{
    const auto modeOf = [](std::optional<std::string_view> text) {
        const Bytes png = plainPng(16, 16);
        return documentOf(readDocument(text ? insertPngTextChunk("pixmoraColorMode", *text, png) : png))
            .colorMode;
    };
    EXPECT_EQ(modeOf(std::nullopt), ColorMode::webSafe256);
    EXPECT_EQ(modeOf("sixteenColor"), ColorMode::sixteenColor);
    EXPECT_EQ(modeOf("TwoColor"), ColorMode::webSafe256);
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
        0x89, 0x50, 0x4E, 0x47, 0x0D, 0x0A, 0x1A, 0x0A, 0x00, 0x00, 0x00, 0x0D,
        0x49, 0x48, 0x44, 0x52, 0x00, 0x00, 0x00, 0x08, 0x00, 0x00, 0x00, 0x08,
        0x08, 0x06, 0x00, 0x00, 0x00, 0xC4, 0x0F, 0xBE, 0x8B, 0x40, 0x00, 0x00,
        0x1D, 0x74, 0x45, 0x58, 0x74, 0x70, 0x69, 0x78, 0x6D, 0x6F, 0x72, 0x61,
        0x43, 0x6F, 0x6C, 0x6F, 0x72, 0x4D, 0x6F, 0x64, 0x00, 0x00, 0x00, 0xFD,
        0x78, 0x74, 0x65, 0x65, 0x2F, 0x43, 0x6F, 0x6C, 0x6F, 0x72, 0x2F, 0xEA,
        0xD3, 0x26, 0x00, 0x00, 0x00, 0x35, 0x49, 0x44, 0x41, 0x54, 0x78, 0x9C,
        0x63, 0xF8, 0xCF, 0xC0, 0xF0, 0x9F, 0x01, 0x27, 0xF8, 0xDF, 0x00, 0xA1,
        0xB0, 0x2A, 0x82, 0x4A, 0xC2, 0xB9, 0x28, 0x8A, 0xD0, 0x24, 0x51, 0x15,
        0xE1, 0x90, 0x84, 0xE9, 0xC4, 0xE3, 0x26, 0x84, 0x4E, 0x2C, 0x8A, 0x30,
        0x8D, 0x45, 0x52, 0x84, 0xDB, 0xCE, 0xFF, 0x0C, 0x0C, 0xFF, 0x01, 0x5B,
        0x7E, 0x1B, 0xE9, 0x52, 0x62, 0x15, 0xB8, 0x00, 0x00, 0x00, 0x00, 0x49,
        0x45, 0x4E, 0x44, 0xAE, 0x42, 0x60, 0x82,
    };
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const std::int64_t before = std::int64_t{usage.ru_maxrss} * 1024;
    EXPECT_EQ(refusal(readDocument(data)), Reason::notAnImage);
    getrusage(RUSAGE_SELF, &usage);
    EXPECT_LT(std::int64_t{usage.ru_maxrss} * 1024 - before, std::int64_t{256} << 20);
}

TEST(DocumentReading, OtherFilesAreRefusedWithTheImportHintOnlyWhenTheyAreImages)
{
    const QImage image = test::filledImage(8, 8, {10, 20, 30, 255});
    EXPECT_EQ(refusal(readDocument(test::encoded(image, "jpeg"))), Reason::unsupportedFormat);
    EXPECT_EQ(refusal(readDocument(test::encoded(image, "bmp"))), Reason::unsupportedFormat);
    EXPECT_EQ(refusal(readDocument(test::asBytes("not an image at all\n"))), Reason::notAnImage);
    EXPECT_EQ(refusal(readDocument({})), Reason::notAnImage);
}

TEST(DocumentErrors, RecoverySuggestionsAreTheFixedTexts)
{
    EXPECT_EQ(ImportRequiredError{Reason::oversizedPNG}.recoverySuggestion(),
              QString::fromUtf8("画像サイズが大きすぎます。インポート機能をお試しください"));
    EXPECT_EQ(ImportRequiredError{Reason::unsupportedFormat}.recoverySuggestion(),
              QString::fromUtf8("サポートしていない形式です。インポート機能をお試しください"));
    EXPECT_EQ(errorText(DocumentError{ImportRequiredError{Reason::notAnImage}}),
              QString::fromUtf8("サポートしていない形式です"));
}

TEST(DocumentFiles, ReadingAPathThatIsNoRegularFileIsAFileError)
{
    QTemporaryDir dir;
    for (const QString& path : {dir.path(), dir.filePath("missing.png")}) {
        const auto result = readDocumentFile(path);
        const auto* error = std::get_if<DocumentError>(&result);
        ASSERT_TRUE(error);
        ASSERT_TRUE(std::holds_alternative<FileError>(*error));
        EXPECT_EQ(std::get<FileError>(*error).code, FileError::Code::fileReadCorruptFile);
        EXPECT_TRUE(
            errorText(*error).startsWith(QString::fromUtf8("ファイルを読み込めませんでした")));
    }
}

TEST(DocumentFiles, WrittenFileReadsBackAndAFailedWriteLeavesNothing)
{
    QTemporaryDir dir;
    const BitmapDocument document{sample(), false, ColorMode::twoColor};
    const QString path = dir.filePath("drawing.png");
    EXPECT_FALSE(writeDocumentFile(document, path));
    EXPECT_EQ(documentOf(readDocumentFile(path)), document);

    const auto error = writeDocumentFile(document, dir.filePath("no/such/folder/drawing.png"));
    ASSERT_TRUE(error);
    EXPECT_EQ(error->code, FileError::Code::fileWriteUnknown);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries),
              QStringList{"drawing.png"});
}

class NewDocument : public ::testing::Test {
protected:
    void SetUp() override { takePendingDocumentContent(); }
    void TearDown() override { takePendingDocumentContent(); }
};

TEST_F(NewDocument, PendingContentGoesToTheNextDocumentOnly)
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
}

TEST_F(NewDocument, InconsistentPendingContentIsDroppedForThePlaceholder)
{
    setPendingDocumentContent({64, 48, std::vector<RGBAColor>(10), ColorMode::twoColor});
    EXPECT_EQ(makeNewDocument(), placeholderDocument());
    EXPECT_FALSE(hasPendingDocumentContent());
    setPendingDocumentContent({200, 1, std::vector<RGBAColor>(200), ColorMode::twoColor});
    EXPECT_EQ(makeNewDocument(), placeholderDocument());
}

}  // namespace
}  // namespace pixmora::document
