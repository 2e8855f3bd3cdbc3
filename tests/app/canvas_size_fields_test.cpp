#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>

#include "app/canvas_size_fields.h"
#include "app/new_canvas_dialog.h"
#include "app/stepper_buttons.h"

using pixmora::app::CanvasSizeFieldsModel;
using pixmora::app::CanvasSizeFieldsWidget;
using pixmora::app::NewCanvasDialog;
using pixmora::model::ColorMode;
using Field = CanvasSizeFieldsModel::Field;

Q_DECLARE_METATYPE(ColorMode)

namespace {

// Focuses the field and replaces its text by typing.
void typeInto(QLineEdit* edit, const QString& text)
{
    edit->setFocus();
    edit->selectAll();
    QTest::keyClicks(edit, text);
}

// A shown, active window holding the fields and one more focusable widget.
struct FieldsWindow {
    QWidget window;
    CanvasSizeFieldsWidget* fields = nullptr;
    QLineEdit* elsewhere = nullptr;

    explicit FieldsWindow(CanvasSizeFieldsModel* model)
    {
        fields = new CanvasSizeFieldsWidget(model, &window);
        elsewhere = new QLineEdit(&window);
        elsewhere->move(0, 200);
        window.resize(300, 260);
        window.show();
        window.activateWindow();
    }
    QLineEdit* edit(Field field) const { return fields->lineEdit(field); }
    void type(Field field, const QString& text) const { typeInto(edit(field), text); }
};

}  // namespace

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
        QCOMPARE(model.width(), 100);
        QCOMPARE(model.height(), 48);
        model.normalizeField(Field::width);
        QCOMPARE(model.width(), 104);
        QCOMPARE(model.height(), 56);
        model.setHeight(32);
        QCOMPARE(model.width(), 64);
        QCOMPARE(model.aspectRatio(), 2.0);
        // Turned on, the lock takes the sides' ratio; off, the sides move alone again.
        CanvasSizeFieldsModel unlocked(40, 24, false);
        unlocked.setLockAspectRatio(true);
        unlocked.setWidth(80);
        QCOMPARE(unlocked.height(), 48);
        unlocked.setLockAspectRatio(false);
        unlocked.setWidth(8);
        QCOMPARE(unlocked.height(), 48);
        QCOMPARE(unlocked.aspectRatio(), 40.0 / 24.0);
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

    void typingAppliesAndLeavingNormalizes()
    {
        CanvasSizeFieldsModel model(128, 64, true);
        FieldsWindow ui(&model);
        QVERIFY(QTest::qWaitForWindowActive(&ui.window));
        ui.type(Field::width, "100");
        QCOMPARE(model.width(), 100);
        QCOMPARE(ui.edit(Field::height)->text(), QStringLiteral("48"));
        ui.elsewhere->setFocus();
        QCOMPARE(model.height(), 56);
        QCOMPARE(ui.edit(Field::width)->text(), QStringLiteral("104"));
        ui.type(Field::width, "60");
        QTest::keyClick(ui.edit(Field::width), Qt::Key_Return);
        QCOMPARE(model.width(), 64);
        QCOMPARE(model.height(), 32);
    }

    void unparsableTextLeavesTheValue()
    {
        CanvasSizeFieldsModel model(32, 32, false);
        FieldsWindow ui(&model);
        QVERIFY(QTest::qWaitForWindowActive(&ui.window));
        ui.type(Field::height, "4x");  // "4" is taken on the way
        ui.type(Field::height, "abc");
        QCOMPARE(model.height(), 4);
        ui.elsewhere->setFocus();
        QCOMPARE(model.height(), 8);
        QCOMPARE(ui.edit(Field::height)->text(), QStringLiteral("8"));
    }

    void stepperMovesByStepWithinTheRangeThroughTheSetter()
    {
        CanvasSizeFieldsModel model(120, 60, true);
        CanvasSizeFieldsWidget fields(&model);
        QToolButton* up = fields.stepper(Field::width)->incrementButton();
        QTest::mouseClick(up, Qt::LeftButton);
        QCOMPARE(model.width(), 128);
        QCOMPARE(model.height(), 64);
        QTest::mouseClick(up, Qt::LeftButton);
        QCOMPARE(model.width(), 128);
        QTest::mouseClick(fields.stepper(Field::height)->decrementButton(), Qt::LeftButton);
        QCOMPARE(model.height(), 56);
        QCOMPARE(model.width(), 112);
        QCOMPARE(fields.lineEdit(Field::width)->text(), QStringLiteral("112"));
        QCOMPARE(fields.lockCheckBox()->text(), QStringLiteral("アスペクト比を固定"));
        fields.lockCheckBox()->click();
        QVERIFY(!model.lockAspectRatio());
    }

    void newCanvasDialogTextsAndSizesKeptInRange()
    {
        QWidget window;
        NewCanvasDialog dialog(32, 32, ColorMode::webSafe256, &window);
        QCOMPARE(dialog.windowModality(), Qt::WindowModal);
        QVERIFY(!dialog.sizeModel()->lockAspectRatio());
        QVERIFY(dialog.colorModeButton(ColorMode::webSafe256)->isChecked());
        QCOMPARE(dialog.colorModeButton(ColorMode::twoColor)->text(),
                 QStringLiteral("2色（白黒）"));
        QCOMPARE(dialog.colorModeButton(ColorMode::sixteenColor)->text(), QStringLiteral("16色"));
        QCOMPARE(dialog.colorModeButton(ColorMode::webSafe256)->text(), QStringLiteral("256色"));
        QCOMPARE(dialog.findChildren<QPushButton*>().size(), 1);
        QCOMPARE(dialog.createButton()->text(), QStringLiteral("このサイズで作成"));
        QVERIFY(dialog.createButton()->isDefault());
        // A click that leaves the focus in a field: nothing normalised the text.
        QSignalSpy created(&dialog, &NewCanvasDialog::createRequested);
        dialog.sizeModel()->setWidth(0);
        dialog.sizeModel()->setHeight(5000);
        dialog.createButton()->click();
        QCOMPARE(created.count(), 1);
        QCOMPARE(created[0][0].toInt(), 8);
        QCOMPARE(created[0][1].toInt(), 128);
    }

    void newCanvasReturnInAFieldNormalizesThenCreates()
    {
        NewCanvasDialog dialog(32, 32, ColorMode::webSafe256);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowActive(&dialog));
        QSignalSpy created(&dialog, &NewCanvasDialog::createRequested);
        QTest::mouseClick(dialog.colorModeButton(ColorMode::twoColor), Qt::LeftButton);
        QLineEdit* width = dialog.sizeFields()->lineEdit(Field::width);
        typeInto(width, "100");
        QTest::keyClick(width, Qt::Key_Return);
        QCOMPARE(created.count(), 1);
        QCOMPARE(created[0][0].toInt(), 104);
        QCOMPARE(created[0][1].toInt(), 32);
        QCOMPARE(created[0][2].value<ColorMode>(), ColorMode::twoColor);
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
    }
};

QTEST_MAIN(CanvasSizeFieldsTest)
#include "canvas_size_fields_test.moc"
