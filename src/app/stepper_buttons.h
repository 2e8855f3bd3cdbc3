#pragma once

#include <QWidget>

class QToolButton;

namespace pixmora::app {

// The up/down arrow pair of a stepper control, without a label. It only
// reports presses; the owner decides what a step does and disables an arrow at
// its bound. The arrows never take keyboard focus, so stepping leaves the focus
// (and any text being edited) where it was.
class StepperButtons : public QWidget {
    Q_OBJECT

public:
    explicit StepperButtons(QWidget* parent = nullptr);

    QToolButton* incrementButton() const { return m_increment; }
    QToolButton* decrementButton() const { return m_decrement; }

    void setIncrementEnabled(bool enabled);
    void setDecrementEnabled(bool enabled);

signals:
    void incrementRequested();
    void decrementRequested();

private:
    QToolButton* m_increment = nullptr;
    QToolButton* m_decrement = nullptr;
};

}  // namespace pixmora::app
