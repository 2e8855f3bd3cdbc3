#include "app/stepper_buttons.h"

#include <QToolButton>
#include <QVBoxLayout>

namespace pixmora::app {
namespace {

QToolButton* makeArrow(Qt::ArrowType arrow, QWidget* parent)
{
    auto* button = new QToolButton(parent);
    button->setArrowType(arrow);
    button->setFixedSize(18, 11);
    button->setIconSize(QSize(8, 8));
    button->setAutoRepeat(true);
    button->setFocusPolicy(Qt::NoFocus);
    return button;
}

}  // namespace

StepperButtons::StepperButtons(QWidget* parent)
    : QWidget(parent)
{
    m_increment = makeArrow(Qt::UpArrow, this);
    m_decrement = makeArrow(Qt::DownArrow, this);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_increment);
    layout->addWidget(m_decrement);
    connect(m_increment, &QToolButton::clicked, this, &StepperButtons::incrementRequested);
    connect(m_decrement, &QToolButton::clicked, this, &StepperButtons::decrementRequested);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

void StepperButtons::setIncrementEnabled(bool enabled)
{
    m_increment->setEnabled(enabled);
}

void StepperButtons::setDecrementEnabled(bool enabled)
{
    m_decrement->setEnabled(enabled);
}

}  // namespace pixmora::app
