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
using Field = CanvasSizeFieldsModel::Field;

class CanvasSizeFieldsTest : public QObject {
    Q_OBJECT

private slots:
    void snapToStep()
    {
        const CanvasSizeFieldsModel model(32, 32, false);
        // 12 is a half step: away from zero.
        const std::pair<double, int> rows[] = {{12.0, 16},   {11.9, 8},     {200.0, 128},
                                               {-20.0, 8},   {qInf(), 128}, {qQNaN(), 8}};
        for (const auto& [value, snapped] : rows)
            QVERIFY2(model.snapToStep(value) == snapped, qPrintable(QString::number(value)));
    }

    void lockedSettersSnapOnlyTheOtherSide()
    {
        CanvasSizeFieldsModel model(128, 64, true);
        model.setWidth(100);
        QCOMPARE(model.height(), 48);
        model.normalizeField(Field::width);
        QCOMPARE(model.width(), 104);
        QCOMPARE(model.height(), 56);
        // Turned on, the lock takes the sides' ratio.
        CanvasSizeFieldsModel unlocked(40, 24, false);
        unlocked.setLockAspectRatio(true);
        unlocked.setWidth(80);
        QCOMPARE(unlocked.height(), 48);
    }

    void zeroSidesKeepTheLockInRange()
    {
        CanvasSizeFieldsModel model(0, 0, true);
        QCOMPARE(model.aspectRatio(), 0.0);
        model.setWidth(16);
        QCOMPARE(model.height(), 128);
        model.setWidth(0);
        QCOMPARE(model.height(), 8);
    }

    void newCanvasDialogTextsAndSizesKeptInRange()
    {
        QWidget window;
        NewCanvasDialog dialog(32, 32, ColorMode::webSafe256, &window);
        QVERIFY(dialog.colorModeButton(ColorMode::webSafe256)->isChecked());
        QCOMPARE(dialog.colorModeButton(ColorMode::twoColor)->text(),
                 QStringLiteral("2色（白黒）"));
        QCOMPARE(dialog.colorModeButton(ColorMode::sixteenColor)->text(), QStringLiteral("16色"));
        QCOMPARE(dialog.createButton()->text(), QStringLiteral("このサイズで作成"));
        QCOMPARE(dialog.sizeFields()->lockCheckBox()->text(), QStringLiteral("アスペクト比を固定"));
        // A click that leaves the focus in a field: nothing normalised the text.
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
