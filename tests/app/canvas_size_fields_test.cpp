#include <QCheckBox>
#include <QLineEdit>
#include <QTest>
#include <QToolButton>

#include "app/canvas_size_fields.h"
#include "app/stepper_buttons.h"

using pixmora::app::CanvasSizeFieldsModel;
using pixmora::app::CanvasSizeFieldsWidget;
using Field = CanvasSizeFieldsModel::Field;

namespace {

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
    // Focuses the field and replaces its text by typing.
    void type(Field field, const QString& text) const
    {
        edit(field)->setFocus();
        edit(field)->selectAll();
        QTest::keyClicks(edit(field), text);
    }
};

}  // namespace

class CanvasSizeFieldsTest : public QObject {
    Q_OBJECT

private slots:
    void snapToStep_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<int>("snapped");
        QTest::newRow("13") << 13.0 << 16;
        QTest::newRow("12 is a half, away from zero") << 12.0 << 16;
        QTest::newRow("11.9") << 11.9 << 8;
        QTest::newRow("200") << 200.0 << 128;
        QTest::newRow("-20") << -20.0 << 8;
        QTest::newRow("infinity") << qInf() << 128;
        QTest::newRow("NaN") << qQNaN() << 8;
    }
    void snapToStep()
    {
        QFETCH(double, value);
        QFETCH(int, snapped);
        const CanvasSizeFieldsModel model(32, 32, false);
        QCOMPARE(model.snapToStep(value), snapped);
    }

    void lockedSettersSnapOnlyTheOtherSide()
    {
        CanvasSizeFieldsModel model(128, 64, true);
        QCOMPARE(model.aspectRatio(), 2.0);
        model.setWidth(96);
        QCOMPARE(model.height(), 48);
        model.setWidth(100);
        QCOMPARE(model.width(), 100);
        QCOMPARE(model.height(), 48);
        model.normalizeField(Field::width);
        QCOMPARE(model.width(), 104);
        QCOMPARE(model.height(), 56);

        model.setHeight(32);
        QCOMPARE(model.width(), 64);
        QCOMPARE(model.aspectRatio(), 2.0);
    }

    void lockTakesTheRatioWhenTurnedOn()
    {
        CanvasSizeFieldsModel model(40, 24, false);
        model.setLockAspectRatio(true);
        QCOMPARE(model.aspectRatio(), 40.0 / 24.0);
        model.setWidth(80);
        QCOMPARE(model.height(), 48);
        // Off changes nothing else, and the sides move alone again.
        model.setLockAspectRatio(false);
        model.setWidth(8);
        QCOMPARE(model.height(), 48);
        QCOMPARE(model.aspectRatio(), 40.0 / 24.0);
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
        ui.type(Field::height, "4x");
        QCOMPARE(model.height(), 4);  // "4" parsed on the way
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
};

QTEST_MAIN(CanvasSizeFieldsTest)
#include "canvas_size_fields_test.moc"
