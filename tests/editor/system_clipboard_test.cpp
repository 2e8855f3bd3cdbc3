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
using pixmora::editor::EditorUIState;
using pixmora::editor::SystemClipboard;
using pixmora::model::ColorMode;
using pixmora::model::PixelImage;
using pixmora::model::PixelRect;
using pixmora::model::RGBAColor;

namespace {

struct MemoryDocument final : pixmora::editor::DocumentBinding {
    PixelImage current = PixelImage(8, 8);
    int writes = 0;
    PixelImage image() const override { return current; }
    void setImage(const PixelImage& image) override
    {
        current = image;
        ++writes;
    }
};

struct Canvas {
    explicit Canvas(SystemClipboard& clipboard)
    {
        controller.setUIState(&state);
        controller.setDocumentBinding(&document);
        controller.setClipboard(&clipboard);
    }
    EditorUIState state;
    MemoryDocument document;
    CanvasController controller;
};

}  // namespace

class SystemClipboardTest : public QObject {
    Q_OBJECT

private slots:
    void copyOffersPngAndTiffPasteConvertsAndTextIsNoImage();
    void otherOffersAreReadWhenThereIsNoPng();
};

void SystemClipboardTest::copyOffersPngAndTiffPasteConvertsAndTextIsNoImage()
{
    SystemClipboard clipboard;
    Canvas canvas(clipboard);
    const std::vector<RGBAColor> copied{
        {0, 0, 0, 255}, {250, 5, 5, 255}, {51, 102, 153, 255}, {10, 10, 10, 100}};
    for (int x = 0; x < 4; ++x) {
        canvas.document.current.at(2 + x, 3) = copied[static_cast<std::size_t>(x)];
    }
    canvas.state.setSelectionRect(PixelRect{2, 3, 4, 1});
    QSignalSpy clipboardChanged(&clipboard, &SystemClipboard::changed);
    canvas.controller.copy();
    const QMimeData* mime = QGuiApplication::clipboard()->mimeData();
    QVERIFY(mime != nullptr && mime->hasFormat(QStringLiteral("image/png")));
    QVERIFY(mime->hasFormat(QStringLiteral("image/tiff")));
    QCOMPARE(clipboard.readImage().value_or(PixelImage()).pixels, copied);

    // Web-safe: the near red snaps to red and alpha under a half becomes transparent.
    Canvas target(clipboard);
    target.controller.setColorMode(ColorMode::webSafe256);
    target.controller.paste();
    QVERIFY(target.controller.floatingSelection().has_value());
    const std::vector<RGBAColor> expected{copied[0], {255, 0, 0, 255}, copied[2], {0, 0, 0, 0}};
    QCOMPARE(target.controller.floatingSelection()->image.pixels, expected);
    const auto notices = clipboardChanged.count();
    QGuiApplication::clipboard()->setText(QStringLiteral("hello"));
    QVERIFY(clipboardChanged.count() > notices);
    QVERIFY(!clipboard.canReadImage() && !clipboard.readImage().has_value());
    QVERIFY(!target.controller.canPaste());
}

void SystemClipboardTest::otherOffersAreReadWhenThereIsNoPng()
{
    QImage twoPixels(2, 1, QImage::Format_RGBA8888);
    twoPixels.setPixelColor(0, 0, QColor(255, 0, 0));
    twoPixels.setPixelColor(1, 0, QColor(0, 0, 255));
    // TIFF alone, BMP after an undecodable PNG, and the platform's own image.
    for (const QByteArray& format : QList<QByteArray>{"TIFF", "BMP", ""}) {
        if (format.isEmpty()) {
            QGuiApplication::clipboard()->setImage(twoPixels);
        } else {
            QByteArray bytes;
            QBuffer buffer(&bytes);
            buffer.open(QIODevice::WriteOnly);
            twoPixels.save(&buffer, format.constData());
            auto* mime = new QMimeData;
            if (format == "BMP") {
                mime->setData(QStringLiteral("image/png"), QByteArray("not a png"));
            }
            mime->setData(QStringLiteral("image/") + QString::fromLatin1(format.toLower()), bytes);
            QGuiApplication::clipboard()->setMimeData(mime);
        }
        SystemClipboard clipboard;
        QVERIFY2(clipboard.canReadImage(), format.constData());
        QCOMPARE(clipboard.readImage().value_or(PixelImage()).pixels,
                 (std::vector<RGBAColor>{{255, 0, 0, 255}, {0, 0, 255, 255}}));
    }
}

QTEST_MAIN(SystemClipboardTest)
#include "system_clipboard_test.moc"
