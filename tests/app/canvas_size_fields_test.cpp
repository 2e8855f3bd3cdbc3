#include <QCheckBox>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTest>

#include "app/canvas_size_fields.h"
#include "app/new_canvas_dialog.h"

using pixmora::app::CanvasSizeFieldsModel;
using pixmora::app::NewCanvasDialog;
using pixmora::model::ColorMode;

class CanvasSizeFieldsTest : public QObject {
    Q_OBJECT

private slots:
    void sidesSnapToStepFollowTheLockAndTheDialogKeepsThemInRange()
    {
        CanvasSizeFieldsModel model(128, 64, true);
        // 12 is a half step: away from zero.
        const std::pair<double, int> rows[] = {{12.0, 16},   {11.9, 8},     {200.0, 128},
                                               {-20.0, 8},   {qInf(), 128}, {qQNaN(), 8}};
        for (const auto& [value, snapped] : rows)
            QVERIFY2(model.snapToStep(value) == snapped, qPrintable(QString::number(value)));
        model.setWidth(100);
        QCOMPARE(model.height(), 48);
        CanvasSizeFieldsModel zero(0, 0, true);
        QCOMPARE(zero.aspectRatio(), 0.0);
        zero.setWidth(16);
        QCOMPARE(zero.height(), 128);
        zero.setWidth(0);
        QCOMPARE(zero.height(), 8);
        QWidget window;
        NewCanvasDialog dialog(32, 32, ColorMode::webSafe256, &window);
        QCOMPARE(dialog.colorModeButton(ColorMode::twoColor)->text(),
                 QStringLiteral("2色（白黒）"));
        QCOMPARE(dialog.colorModeButton(ColorMode::sixteenColor)->text(), QStringLiteral("16色"));
        QCOMPARE(dialog.createButton()->text(), QStringLiteral("このサイズで作成"));
        QCOMPARE(dialog.sizeFields()->lockCheckBox()->text(), QStringLiteral("アスペクト比を固定"));
        // Nothing normalised the fields before the click.
        QSignalSpy created(&dialog, &NewCanvasDialog::createRequested);
        dialog.sizeModel()->setWidth(0);
        dialog.sizeModel()->setHeight(5000);
        dialog.createButton()->click();
        QCOMPARE(created.count(), 1);
        QCOMPARE(created[0][0].toInt(), 8);
        QCOMPARE(created[0][1].toInt(), 128);
    }
};

QTEST_MAIN(CanvasSizeFieldsTest)
#include "canvas_size_fields_test.moc"
