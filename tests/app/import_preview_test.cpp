#include <QBuffer>
#include <QComboBox>
#include <QImage>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include "app/canvas_size_fields.h"
#include "app/import_dialog.h"
#include "editor/pixel_canvas_widget.h"

using namespace pixmora;
using app::ImportConfirmationDialog;
using model::ColorMode;

namespace {

document::Bytes pngBytes(const QImage& image)
{
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return document::Bytes(data.begin(), data.end());
}

// A sunset-like scene with a soft disc, for the screenshot.
QImage scene(int side)
{
    QImage image(side, side, QImage::Format_ARGB32);
    QPainter painter(&image);
    QLinearGradient sky(0, 0, 0, side);
    sky.setColorAt(0, QColor(40, 60, 160));
    sky.setColorAt(0.6, QColor(240, 140, 90));
    sky.setColorAt(1, QColor(250, 220, 150));
    painter.fillRect(image.rect(), sky);
    QRadialGradient sun(side * 0.5, side * 0.62, side * 0.22);
    sun.setColorAt(0, QColor(255, 250, 210));
    sun.setColorAt(1, QColor(255, 180, 60));
    painter.setPen(Qt::NoPen);
    painter.setBrush(sun);
    painter.drawEllipse(QPointF(side * 0.5, side * 0.62), side * 0.22, side * 0.22);
    painter.fillRect(QRectF(0, side * 0.78, side, side * 0.22), QColor(30, 40, 70));
    return image;
}

}  // namespace

class ImportPreviewTest : public QObject {
    Q_OBJECT

private slots:
    // Set PIXMORA_SCREENSHOT_DIR to write the README's picture of the dialog.
    void dialogScreenshot()
    {
        const document::Bytes bytes = pngBytes(scene(480));
        ImportConfirmationDialog dialog(bytes);
        dialog.colorModeButton(ColorMode::sixteenColor)->click();
        dialog.palettePicker()->setCurrentIndex(1);  // Floyd-Steinberg
        dialog.sizeModel()->setWidth(64);
        QVERIFY(dialog.isPreviewPending());  // redrawn on the next pass, not in the handler
        QTRY_VERIFY(!dialog.isPreviewPending());
        QCOMPARE(dialog.previewImage(), app::performImport(bytes, dialog.choices()));
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        dialog.importButton()->setFocus();  // no text cursor in the picture
        const QImage shot = dialog.grab().toImage();
        // The preview is in the picture, pixel for pixel.
        const QPoint origin = dialog.previewCanvas()->mapTo(&dialog, QPoint(0, 0));
        const model::RGBAColor first = dialog.previewImage()->at(10, 5);
        QCOMPARE(shot.pixelColor(origin + QPoint(10 * 4 + 2, 5 * 4 + 2)),
                 QColor(first.r, first.g, first.b));
        const QByteArray folder = qgetenv("PIXMORA_SCREENSHOT_DIR");
        if (!folder.isEmpty())
            QVERIFY(shot.save(QString::fromLocal8Bit(folder) + "/import-dialog.png"));
    }
};

QTEST_MAIN(ImportPreviewTest)
#include "import_preview_test.moc"
