#include <QLabel>
#include <QTest>
#include <QToolButton>

#include "app/stepper_buttons.h"
#include "app/zoom_stepper.h"
#include "editor/editor_ui_state.h"

using pixmora::app::ZoomStepper;
using pixmora::editor::EditorUIState;

class ZoomStepperTest : public QObject {
    Q_OBJECT

private:
    static void clickUp(ZoomStepper* stepper, int times = 1)
    {
        for (int i = 0; i < times; ++i)
            QTest::mouseClick(stepper->buttons()->incrementButton(), Qt::LeftButton);
    }
    static void clickDown(ZoomStepper* stepper, int times = 1)
    {
        for (int i = 0; i < times; ++i)
            QTest::mouseClick(stepper->buttons()->decrementButton(), Qt::LeftButton);
    }

private slots:
    void mainStepperStepsByTwoAndWritesTheState()
    {
        EditorUIState state;
        ZoomStepper* stepper = ZoomStepper::createMainZoomStepper(&state);
        QCOMPARE(stepper->label()->text(), QStringLiteral("×16"));
        clickUp(stepper, 3);
        QCOMPARE(state.mainZoom(), 22.0);
        QCOMPARE(stepper->label()->text(), QStringLiteral("×22"));
        clickDown(stepper);
        QCOMPARE(state.mainZoom(), 20.0);
        delete stepper;
    }

    void mainStepperStopsAtBothBounds()
    {
        EditorUIState state;
        ZoomStepper* stepper = ZoomStepper::createMainZoomStepper(&state);
        state.setMainZoom(48.0);
        QCOMPARE(stepper->label()->text(), QStringLiteral("×48"));
        clickUp(stepper);
        stepper->stepUp();
        QCOMPARE(state.mainZoom(), 48.0);
        QVERIFY(!stepper->buttons()->incrementButton()->isEnabled());

        state.setMainZoom(2.0);
        clickDown(stepper);
        stepper->stepDown();
        QCOMPARE(state.mainZoom(), 2.0);
        QCOMPARE(stepper->label()->text(), QStringLiteral("×2"));
        QVERIFY(!stepper->buttons()->decrementButton()->isEnabled());
        QVERIFY(stepper->buttons()->incrementButton()->isEnabled());
        delete stepper;
    }

    void previewStepperRunsOneToSixteen()
    {
        EditorUIState state;
        ZoomStepper* stepper = ZoomStepper::createPreviewZoomStepper(&state);
        QCOMPARE(stepper->label()->text(), QStringLiteral("×4"));
        clickDown(stepper, 5);
        QCOMPARE(state.previewZoom(), 1.0);

        QList<double> seen;
        connect(&state, &EditorUIState::previewZoomChanged, this, [&seen](double z) { seen << z; });
        clickUp(stepper, 20);
        QCOMPARE(seen.size(), 15);
        for (int i = 0; i < seen.size(); ++i)
            QCOMPARE(seen[i], double(i + 2));
        QCOMPARE(stepper->label()->text(), QStringLiteral("×16"));
        delete stepper;
    }

    void valuesOutsideTheBoundsArePulledIn()
    {
        EditorUIState state;
        ZoomStepper* stepper = ZoomStepper::createMainZoomStepper(&state);
        state.setMainZoom(60.0);
        QCOMPARE(stepper->value(), 48.0);
        QCOMPARE(state.mainZoom(), 48.0);
        stepper->setValue(-3.0);
        QCOMPARE(state.mainZoom(), 2.0);
        delete stepper;
    }

    void labelDropsTheFraction_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("label");
        QTest::newRow("whole") << 16.0 << QStringLiteral("×16");
        QTest::newRow("fraction") << 7.9 << QStringLiteral("×7");
        QTest::newRow("below one") << 0.5 << QStringLiteral("×0");
    }
    void labelDropsTheFraction()
    {
        QFETCH(double, value);
        QFETCH(QString, label);
        QCOMPARE(ZoomStepper::labelText(value), label);
        ZoomStepper stepper(0, 100, 1);
        stepper.setValue(value);
        QCOMPARE(stepper.label()->text(), label);
    }
};

QTEST_MAIN(ZoomStepperTest)
#include "zoom_stepper_test.moc"
