#pragma once

#include <QWidget>

class QLabel;

namespace pixmora::editor {
class EditorUIState;
}

namespace pixmora::app {

class StepperButtons;

// A zoom label ("×16") with increment/decrement arrows. Steps add or subtract
// `step` and stop at the bounds; the value never leaves [lower, upper].
class ZoomStepper : public QWidget {
    Q_OBJECT

public:
    ZoomStepper(int lower, int upper, int step, QWidget* parent = nullptr);

    double value() const { return m_value; }
    // Stores the value limited to the bounds; emits valueChanged only when the
    // stored value changes.
    void setValue(double value);

    int lower() const { return m_lower; }
    int upper() const { return m_upper; }
    int step() const { return m_step; }

    void stepUp();
    void stepDown();

    QLabel* label() const { return m_label; }
    StepperButtons* buttons() const { return m_buttons; }

    // "×%lld" of the value with its fraction dropped.
    static QString labelText(double value);

    // Two-way bindings to the window's zoom fields. The stepper takes the
    // field's current value; its own bounds apply to both directions.
    static void bindMainZoom(ZoomStepper* stepper, editor::EditorUIState* state);
    static void bindPreviewZoom(ZoomStepper* stepper, editor::EditorUIState* state);
    // Steppers with the fields' bounds and steps (main 2…48 by 2, preview 1…16
    // by 1), already bound.
    static ZoomStepper* createMainZoomStepper(editor::EditorUIState* state, QWidget* parent = nullptr);
    static ZoomStepper* createPreviewZoomStepper(editor::EditorUIState* state, QWidget* parent = nullptr);

signals:
    void valueChanged(double value);

private:
    void refresh();

    int m_lower = 0;
    int m_upper = 0;
    int m_step = 1;
    double m_value = 0.0;
    QLabel* m_label = nullptr;
    StepperButtons* m_buttons = nullptr;
};

}  // namespace pixmora::app
