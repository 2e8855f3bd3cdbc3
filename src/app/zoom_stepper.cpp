#include "app/zoom_stepper.h"

#include <QHBoxLayout>
#include <QLabel>

#include <algorithm>
#include <cmath>

#include "app/stepper_buttons.h"
#include "editor/editor_ui_state.h"

namespace pixmora::app {

ZoomStepper::ZoomStepper(int lower, int upper, int step, QWidget* parent)
    : QWidget(parent),
      m_lower(lower),
      m_upper(std::max(lower, upper)),
      m_step(std::max(1, step)),
      m_value(lower)
{
    m_label = new QLabel(this);
    m_label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    // Wide enough for the widest label, so stepping does not shift the arrows.
    m_label->setMinimumWidth(m_label->fontMetrics().horizontalAdvance(labelText(m_upper)));
    m_buttons = new StepperButtons(this);

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(4);
    layout->addWidget(m_label);
    layout->addWidget(m_buttons);

    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    connect(m_buttons, &StepperButtons::incrementRequested, this, &ZoomStepper::stepUp);
    connect(m_buttons, &StepperButtons::decrementRequested, this, &ZoomStepper::stepDown);
    refresh();
}

void ZoomStepper::setValue(double value)
{
    // NaN would slip through std::clamp; it means nothing here, so keep the old value.
    if (std::isnan(value))
        return;
    const double limited = std::clamp(value, double(m_lower), double(m_upper));
    if (limited == m_value)
        return;
    m_value = limited;
    refresh();
    emit valueChanged(m_value);
}

void ZoomStepper::stepUp()
{
    setValue(std::min(m_value + m_step, double(m_upper)));
}

void ZoomStepper::stepDown()
{
    setValue(std::max(m_value - m_step, double(m_lower)));
}

QString ZoomStepper::labelText(double value)
{
    return QString::asprintf("×%lld", static_cast<long long>(value));
}

void ZoomStepper::refresh()
{
    m_label->setText(labelText(m_value));
    m_buttons->setIncrementEnabled(m_value < m_upper);
    m_buttons->setDecrementEnabled(m_value > m_lower);
}

namespace {

template <typename Getter, typename Setter, typename Signal>
void bindField(ZoomStepper* stepper, editor::EditorUIState* state, Getter get, Setter set,
               Signal changed)
{
    QObject::connect(stepper, &ZoomStepper::valueChanged, state,
                     [state, set](double value) { (state->*set)(value); });
    QObject::connect(state, changed, stepper, [stepper](double value) { stepper->setValue(value); });
    // Connected first, so a field outside the stepper's bounds is pulled into them.
    stepper->setValue((state->*get)());
}

}  // namespace

void ZoomStepper::bindMainZoom(ZoomStepper* stepper, editor::EditorUIState* state)
{
    bindField(stepper, state, &editor::EditorUIState::mainZoom, &editor::EditorUIState::setMainZoom,
              &editor::EditorUIState::mainZoomChanged);
}

void ZoomStepper::bindPreviewZoom(ZoomStepper* stepper, editor::EditorUIState* state)
{
    bindField(stepper, state, &editor::EditorUIState::previewZoom,
              &editor::EditorUIState::setPreviewZoom, &editor::EditorUIState::previewZoomChanged);
}

ZoomStepper* ZoomStepper::createMainZoomStepper(editor::EditorUIState* state, QWidget* parent)
{
    auto* stepper = new ZoomStepper(int(editor::EditorUIState::mainZoomMinimum),
                                    int(editor::EditorUIState::mainZoomMaximum),
                                    int(editor::EditorUIState::mainZoomStep), parent);
    bindMainZoom(stepper, state);
    return stepper;
}

ZoomStepper* ZoomStepper::createPreviewZoomStepper(editor::EditorUIState* state, QWidget* parent)
{
    auto* stepper = new ZoomStepper(int(editor::EditorUIState::previewZoomMinimum),
                                    int(editor::EditorUIState::previewZoomMaximum),
                                    int(editor::EditorUIState::previewZoomStep), parent);
    bindPreviewZoom(stepper, state);
    return stepper;
}

}  // namespace pixmora::app
