#include <memory>

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
    static void click(QToolButton* button, int times = 1)
    {
        for (int i = 0; i < times; ++i)
            QTest::mouseClick(button, Qt::LeftButton);
    }

private slots:
    void mainStepperStepsByTwoWithinItsBounds()
    {
        EditorUIState state;
        std::unique_ptr<ZoomStepper> stepper(ZoomStepper::createMainZoomStepper(&state));
        click(stepper->buttons()->incrementButton(), 3);
        QCOMPARE(state.mainZoom(), 22.0);
        QCOMPARE(stepper->label()->text(), QStringLiteral("×22"));
        click(stepper->buttons()->decrementButton());
        QCOMPARE(state.mainZoom(), 20.0);

        state.setMainZoom(48.0);
        click(stepper->buttons()->incrementButton());
        stepper->stepUp();
        QCOMPARE(state.mainZoom(), 48.0);
        QVERIFY(!stepper->buttons()->incrementButton()->isEnabled());
        state.setMainZoom(2.0);
        click(stepper->buttons()->decrementButton());
        stepper->stepDown();
        QCOMPARE(state.mainZoom(), 2.0);
        QVERIFY(!stepper->buttons()->decrementButton()->isEnabled());

        // Values from outside are pulled in.
        state.setMainZoom(60.0);
        QCOMPARE(state.mainZoom(), 48.0);
        stepper->setValue(-3.0);
        QCOMPARE(state.mainZoom(), 2.0);
    }

    void previewStepperRunsOneToSixteen()
    {
        EditorUIState state;
        std::unique_ptr<ZoomStepper> stepper(ZoomStepper::createPreviewZoomStepper(&state));
        click(stepper->buttons()->decrementButton(), 5);
        QCOMPARE(state.previewZoom(), 1.0);
        QList<double> seen;
        connect(&state, &EditorUIState::previewZoomChanged, this, [&seen](double z) { seen << z; });
        click(stepper->buttons()->incrementButton(), 20);
        QCOMPARE(seen.size(), 15);
        QCOMPARE(seen.last(), 16.0);
        QCOMPARE(stepper->label()->text(), QStringLiteral("×16"));
    }

    void labelDropsTheFraction()
    {
        ZoomStepper stepper(0, 100, 1);
        stepper.setValue(7.9);
        QCOMPARE(stepper.label()->text(), QStringLiteral("×7"));
        QCOMPARE(ZoomStepper::labelText(0.5), QStringLiteral("×0"));
    }
};

QTEST_MAIN(ZoomStepperTest)
#include "zoom_stepper_test.moc"
