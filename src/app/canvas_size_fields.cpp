#include "app/canvas_size_fields.h"

#include <QCheckBox>
#include <QEvent>
#include <QFocusEvent>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

#include "app/stepper_buttons.h"

namespace pixmora::app {

// ---- CanvasSizeFieldsModel ----

CanvasSizeFieldsModel::CanvasSizeFieldsModel(int width, int height, bool lockAspectRatio, int lower,
                                             int upper, int step, QObject* parent)
    : QObject(parent),
      m_width(width),
      m_height(height),
      m_lockAspectRatio(lockAspectRatio),
      m_lower(lower),
      m_upper(std::max(lower, upper)),
      m_step(std::max(1, step)),
      m_aspectRatio(double(width) / double(std::max(height, 1)))
{
}

void CanvasSizeFieldsModel::setWidth(int value)
{
    storeWidth(value);
    if (m_lockAspectRatio)
        storeHeight(snapToStep(double(value) / m_aspectRatio));
}

void CanvasSizeFieldsModel::setHeight(int value)
{
    storeHeight(value);
    if (m_lockAspectRatio)
        storeWidth(snapToStep(m_aspectRatio * double(value)));
}

void CanvasSizeFieldsModel::setValue(Field field, int value)
{
    if (field == Field::width)
        setWidth(value);
    else
        setHeight(value);
}

void CanvasSizeFieldsModel::setLockAspectRatio(bool locked)
{
    if (locked == m_lockAspectRatio)
        return;
    if (locked)
        m_aspectRatio = double(m_width) / double(std::max(m_height, 1));
    m_lockAspectRatio = locked;
    emit lockAspectRatioChanged(locked);
}

int CanvasSizeFieldsModel::snapToStep(double value) const
{
    // A zero ratio turns a size into ±infinity or NaN; keep both inside the range
    // before converting, where the conversion would be undefined.
    if (std::isnan(value))
        return m_lower;
    const double snapped = std::round(value / m_step) * m_step;
    return int(std::clamp(snapped, double(m_lower), double(m_upper)));
}

void CanvasSizeFieldsModel::normalizeField(Field field)
{
    const int limited = std::clamp(value(field), m_lower, m_upper);
    setValue(field, snapToStep(limited));
}

void CanvasSizeFieldsModel::stepField(Field field, int direction)
{
    const long long stepped = (long long)value(field) + (long long)direction * m_step;
    setValue(field, int(std::clamp<long long>(stepped, m_lower, m_upper)));
}

void CanvasSizeFieldsModel::storeWidth(int value)
{
    if (value == m_width)
        return;
    m_width = value;
    emit widthChanged(value);
}

void CanvasSizeFieldsModel::storeHeight(int value)
{
    if (value == m_height)
        return;
    m_height = value;
    emit heightChanged(value);
}

// ---- CanvasSizeFieldsWidget ----

CanvasSizeFieldsWidget::CanvasSizeFieldsWidget(CanvasSizeFieldsModel* model, QWidget* parent)
    : QWidget(parent),
      m_model(model)
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* grid = new QGridLayout;
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setHorizontalSpacing(6);
    grid->setVerticalSpacing(6);
    m_width = makeRow(Field::width, QStringLiteral("幅:"), grid, 0);
    m_height = makeRow(Field::height, QStringLiteral("高さ:"), grid, 1);
    grid->setColumnStretch(4, 1);
    layout->addLayout(grid);

    m_lockCheckBox = new QCheckBox(QStringLiteral("アスペクト比を固定"), this);
    m_lockCheckBox->setChecked(m_model->lockAspectRatio());
    layout->addWidget(m_lockCheckBox);

    connect(m_lockCheckBox, &QCheckBox::toggled, m_model, &CanvasSizeFieldsModel::setLockAspectRatio);
    connect(m_model, &CanvasSizeFieldsModel::lockAspectRatioChanged, m_lockCheckBox, &QCheckBox::setChecked);
    connect(m_model, &CanvasSizeFieldsModel::widthChanged, this, [this] { showValue(Field::width); });
    connect(m_model, &CanvasSizeFieldsModel::heightChanged, this, [this] { showValue(Field::height); });
}

CanvasSizeFieldsWidget::Row CanvasSizeFieldsWidget::makeRow(Field field, const QString& label,
                                                            QGridLayout* grid, int row)
{
    Row result;
    result.edit = new QLineEdit(QLocale().toString(m_model->value(field)), this);
    result.edit->setFixedWidth(50);
    result.edit->setAlignment(Qt::AlignRight);
    result.edit->installEventFilter(this);
    result.stepper = new StepperButtons(this);

    auto* name = new QLabel(label, this);
    name->setBuddy(result.edit);
    grid->addWidget(name, row, 0);
    grid->addWidget(result.edit, row, 1);
    grid->addWidget(new QLabel(QStringLiteral("px"), this), row, 2);
    grid->addWidget(result.stepper, row, 3);

    connect(result.edit, &QLineEdit::textEdited, this, [this, field](const QString& text) {
        bool ok = false;
        const int parsed = QLocale().toInt(text, &ok);
        if (ok)
            m_model->setValue(field, parsed);
    });
    connect(result.edit, &QLineEdit::returnPressed, this, [this, field] {
        m_model->normalizeField(field);
        showValue(field, true);
    });
    connect(result.stepper, &StepperButtons::incrementRequested, this,
            [this, field] { m_model->stepField(field, +1); });
    connect(result.stepper, &StepperButtons::decrementRequested, this,
            [this, field] { m_model->stepField(field, -1); });
    return result;
}

QLineEdit* CanvasSizeFieldsWidget::lineEdit(Field field) const
{
    return field == Field::width ? m_width.edit : m_height.edit;
}

StepperButtons* CanvasSizeFieldsWidget::stepper(Field field) const
{
    return field == Field::width ? m_width.stepper : m_height.stepper;
}

void CanvasSizeFieldsWidget::showValue(Field field, bool canonical)
{
    QLineEdit* edit = lineEdit(field);
    const int value = m_model->value(field);
    const QString text = QLocale().toString(value);
    bool ok = false;
    // While typing, leave a text alone that already says this value ("08").
    if (!canonical && QLocale().toInt(edit->text(), &ok) == value && ok)
        return;
    if (edit->text() != text)
        edit->setText(text);
}

bool CanvasSizeFieldsWidget::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::FocusOut && (watched == m_width.edit || watched == m_height.edit)) {
        // Switching windows or opening a menu leaves the field focused in its
        // window; only a real move of the focus ends the edit.
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason) {
            const Field field = watched == m_width.edit ? Field::width : Field::height;
            m_model->normalizeField(field);
            showValue(field, true);
        }
    }
    return QWidget::eventFilter(watched, event);
}

}  // namespace pixmora::app
