#include <QBuffer>
#include <QClipboard>
#include <QGuiApplication>
#include <QImage>
#include <QMimeData>
#include <QSignalSpy>
#include <QTest>

#include "editor/canvas_controller.h"
#include "editor/editor_ui_state.h"
#include "editor/system_clipboard.h"

using pixmora::editor::CanvasController;
using pixmora::editor::EditorTool;
using pixmora::editor::EditorUIState;
using pixmora::editor::SystemClipboard;
using pixmora::model::ColorMode;
using pixmora::model::PixelImage;
using pixmora::model::PixelRect;
using pixmora::model::RGBAColor;

Q_DECLARE_METATYPE(ColorMode)
Q_DECLARE_METATYPE(std::vector<RGBAColor>)

namespace {

class MemoryDocument final : public pixmora::editor::DocumentBinding {
public:
    PixelImage current;
    int writes = 0;
    PixelImage image() const override { return current; }
    void setImage(const PixelImage& image) override
    {
        current = image;
        ++writes;
    }
};

constexpr RGBAColor kBlack{0, 0, 0, 255};
constexpr RGBAColor kClear{0, 0, 0, 0};
constexpr RGBAColor kNearRed{250, 5, 5, 255};
constexpr RGBAColor kSteel{51, 102, 153, 255};
constexpr RGBAColor kFaint{10, 10, 10, 100};

QByteArray encoded(const QImage& image, const char* format)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return bytes;
}

QImage twoPixelImage()
{
    QImage image(2, 1, QImage::Format_RGBA8888);
    image.setPixelColor(0, 0, QColor(255, 0, 0));
    image.setPixelColor(1, 0, QColor(0, 0, 255));
    return image;
}

const std::vector<RGBAColor> twoPixels{{255, 0, 0, 255}, {0, 0, 255, 255}};

}  // namespace

class SystemClipboardTest : public QObject {
    Q_OBJECT

private slots:
    void roundTripIntoEachColourMode_data();
    void roundTripIntoEachColourMode();
    void otherOffersAreReadWhenThereIsNoPng_data();
    void otherOffersAreReadWhenThereIsNoPng();
    void textIsNotAnImage();
};

void SystemClipboardTest::roundTripIntoEachColourMode_data()
{
    QTest::addColumn<ColorMode>("mode");
    QTest::addColumn<std::vector<RGBAColor>>("expected");
    // The faint pixel's alpha 100 sends two-colour pastes to the silhouette.
    QTest::newRow("twoColor") << ColorMode::twoColor
                              << std::vector<RGBAColor>{kBlack, kBlack, kBlack, kClear};
    QTest::newRow("sixteenColor")
        << ColorMode::sixteenColor
        << std::vector<RGBAColor>{kBlack, {255, 0, 0, 255}, {0, 128, 128, 255}, kClear};
    QTest::newRow("webSafe256") << ColorMode::webSafe256
                                << std::vector<RGBAColor>{kBlack, {255, 0, 0, 255}, kSteel, kClear};
}

void SystemClipboardTest::roundTripIntoEachColourMode()
{
    QFETCH(ColorMode, mode);
    QFETCH(std::vector<RGBAColor>, expected);

    SystemClipboard clipboard;
    EditorUIState sourceState;
    MemoryDocument source;
    source.current = PixelImage(8, 8);
    source.current.at(2, 3) = kBlack;
    source.current.at(3, 3) = kNearRed;
    source.current.at(4, 3) = kSteel;
    source.current.at(5, 3) = kFaint;
    CanvasController copier;
    copier.setUIState(&sourceState);
    copier.setDocumentBinding(&source);
    copier.setClipboard(&clipboard);
    sourceState.setSelectionRect(PixelRect{2, 3, 4, 1});

    QSignalSpy clipboardChanged(&clipboard, &SystemClipboard::changed);
    copier.copy();
    QVERIFY(clipboardChanged.count() >= 1);
    const QMimeData* mime = QGuiApplication::clipboard()->mimeData();
    QVERIFY(mime != nullptr);
    QVERIFY(mime->hasFormat(QStringLiteral("image/png")));
    QVERIFY(mime->hasFormat(QStringLiteral("image/tiff")));
    const auto read = clipboard.readImage();
    QVERIFY(read.has_value());
    QCOMPARE(read->pixels, (std::vector<RGBAColor>{kBlack, kNearRed, kSteel, kFaint}));

    EditorUIState targetState;
    MemoryDocument target;
    target.current = PixelImage(8, 8);
    CanvasController paster;
    paster.setUIState(&targetState);
    paster.setDocumentBinding(&target);
    paster.setClipboard(&clipboard);
    paster.setColorMode(mode);
    QVERIFY(paster.canPaste());
    paster.paste();
    QCOMPARE(targetState.currentTool(), EditorTool::select);
    QVERIFY(paster.floatingSelection().has_value());
    QCOMPARE(paster.floatingSelection()->image.pixels, expected);
    paster.commitPendingFloatingSelection();
    QCOMPARE(target.writes, 1);
    QCOMPARE(target.current.at(0, 0), expected[0]);
}

void SystemClipboardTest::otherOffersAreReadWhenThereIsNoPng_data()
{
    QTest::addColumn<QString>("type");
    QTest::addColumn<QByteArray>("format");
    QTest::newRow("tiff") << QStringLiteral("image/tiff") << QByteArray("TIFF");
    QTest::newRow("bmp after an undecodable png") << QStringLiteral("image/bmp") << QByteArray("BMP");
    QTest::newRow("platform image") << QString() << QByteArray();
}

void SystemClipboardTest::otherOffersAreReadWhenThereIsNoPng()
{
    QFETCH(QString, type);
    QFETCH(QByteArray, format);
    if (type.isEmpty()) {
        QGuiApplication::clipboard()->setImage(twoPixelImage());
    } else {
        auto* mime = new QMimeData;
        if (format == "BMP") {
            mime->setData(QStringLiteral("image/png"), QByteArray("not a png"));
        }
        mime->setData(type, encoded(twoPixelImage(), format.constData()));
        QGuiApplication::clipboard()->setMimeData(mime);
    }
    SystemClipboard clipboard;
    QVERIFY(clipboard.canReadImage());
    const auto read = clipboard.readImage();
    QVERIFY(read.has_value());
    QCOMPARE(read->pixels, twoPixels);
}

void SystemClipboardTest::textIsNotAnImage()
{
    SystemClipboard clipboard;
    QSignalSpy changed(&clipboard, &SystemClipboard::changed);
    QGuiApplication::clipboard()->setText(QStringLiteral("hello"));
    QVERIFY(changed.count() >= 1);
    QVERIFY(!clipboard.canReadImage());
    QVERIFY(!clipboard.readImage().has_value());

    EditorUIState state;
    CanvasController canvas;
    canvas.setUIState(&state);
    canvas.setClipboard(&clipboard);
    QVERIFY(!canvas.canPaste());
}

QTEST_MAIN(SystemClipboardTest)
#include "system_clipboard_test.moc"
