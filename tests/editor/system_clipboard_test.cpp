#include <QBuffer>
#include <QClipboard>
#include <QGuiApplication>
#include <QImage>
#include <QMimeData>
#include <QTest>

#include "editor/system_clipboard.h"

using pixmora::editor::SystemClipboard;
using pixmora::model::PixelImage;
using pixmora::model::RGBAColor;

class SystemClipboardTest : public QObject {
    Q_OBJECT

private slots:
    void copyOffersPngAndTiffAndOtherOffersAreReadWithoutPng();
};

void SystemClipboardTest::copyOffersPngAndTiffAndOtherOffersAreReadWithoutPng()
{
    SystemClipboard clipboard;
    const PixelImage copied(4, 1, {{0, 0, 0, 255}, {250, 5, 5, 255}, {51, 102, 153, 255},
                                   {10, 10, 10, 100}});
    clipboard.writeImage(copied);
    const QMimeData* mime = QGuiApplication::clipboard()->mimeData();
    QVERIFY(mime != nullptr && mime->hasFormat(QStringLiteral("image/png")));
    QVERIFY(mime->hasFormat(QStringLiteral("image/tiff")));
    QCOMPARE(clipboard.readImage().value_or(PixelImage()).pixels, copied.pixels);
    QGuiApplication::clipboard()->setText(QStringLiteral("hello"));
    QVERIFY(!clipboard.canReadImage() && !clipboard.readImage().has_value());
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
            auto* data = new QMimeData;
            if (format == "BMP") {
                data->setData(QStringLiteral("image/png"), QByteArray("not a png"));
            }
            data->setData(QStringLiteral("image/") + QString::fromLatin1(format.toLower()), bytes);
            QGuiApplication::clipboard()->setMimeData(data);
        }
        QVERIFY2(clipboard.canReadImage(), format.constData());
        QCOMPARE(clipboard.readImage().value_or(PixelImage()).pixels,
                 (std::vector<RGBAColor>{{255, 0, 0, 255}, {0, 0, 255, 255}}));
    }
}

QTEST_MAIN(SystemClipboardTest)
#include "system_clipboard_test.moc"
