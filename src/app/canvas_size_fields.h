#pragma once

#include <QObject>
#include <QWidget>

class QCheckBox;
class QGridLayout;
class QLineEdit;

namespace pixmora::app {

class StepperButtons;

// Width and height of a canvas kept on a grid (multiples of `step` inside
// [lower, upper]), optionally at a fixed width : height ratio. Shared by the
// new-canvas dialog and the import dialog; holds no widgets.
class CanvasSizeFieldsModel : public QObject {
    Q_OBJECT

public:
    enum class Field { width, height };

    // The starting ratio is width / max(height, 1).
    CanvasSizeFieldsModel(int width, int height, bool lockAspectRatio, int lower = 8,
                          int upper = 128, int step = 8, QObject* parent = nullptr);

    int width() const { return m_width; }
    int height() const { return m_height; }
    int value(Field field) const { return field == Field::width ? m_width : m_height; }
    bool lockAspectRatio() const { return m_lockAspectRatio; }
    double aspectRatio() const { return m_aspectRatio; }
    int lower() const { return m_lower; }
    int upper() const { return m_upper; }
    int step() const { return m_step; }

    // Stores `value` as it is; with the lock on, the other side becomes
    // snapToStep of value / ratio (for the width) or ratio · value (for the height).
    void setWidth(int value);
    void setHeight(int value);
    void setValue(Field field, int value);
    // Turning the lock on takes the ratio from the current sizes; turning it off
    // changes nothing else.
    void setLockAspectRatio(bool locked);

    // round(value / step) · step, halves away from zero, then limited to the
    // range. Values with no meaning (NaN) give the lower bound.
    int snapToStep(double value) const;
    // Puts one field on the grid through its setter, so the lock applies.
    void normalizeField(Field field);
    // One step up or down from the field's value, limited to the range, through
    // its setter.
    void stepField(Field field, int direction);

signals:
    void widthChanged(int width);
    void heightChanged(int height);
    void lockAspectRatioChanged(bool locked);

private:
    void storeWidth(int value);
    void storeHeight(int value);

    int m_width = 0;
    int m_height = 0;
    bool m_lockAspectRatio = false;
    int m_lower = 8;
    int m_upper = 128;
    int m_step = 8;
    double m_aspectRatio = 1.0;
};

// The two size rows ("幅:" and "高さ:", each a number field, "px" and a
// stepper) and the "アスペクト比を固定" check box over a CanvasSizeFieldsModel.
// A field applies every parsable text as it is typed, and puts its value on the
// grid on Return or when keyboard focus leaves it.
class CanvasSizeFieldsWidget : public QWidget {
    Q_OBJECT

public:
    using Field = CanvasSizeFieldsModel::Field;

    // The widget does not own the model.
    explicit CanvasSizeFieldsWidget(CanvasSizeFieldsModel* model, QWidget* parent = nullptr);

    CanvasSizeFieldsModel* model() const { return m_model; }
    QLineEdit* lineEdit(Field field) const;
    StepperButtons* stepper(Field field) const;
    QCheckBox* lockCheckBox() const { return m_lockCheckBox; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Row {
        QLineEdit* edit = nullptr;
        StepperButtons* stepper = nullptr;
    };

    Row makeRow(Field field, const QString& label, QGridLayout* grid, int row);
    // `canonical` rewrites any text that is not the value's own spelling.
    void showValue(Field field, bool canonical = false);

    CanvasSizeFieldsModel* m_model = nullptr;
    Row m_width;
    Row m_height;
    QCheckBox* m_lockCheckBox = nullptr;
};

}  // namespace pixmora::app
