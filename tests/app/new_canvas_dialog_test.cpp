#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTest>

#include "app/canvas_size_fields.h"
#include "app/new_canvas_dialog.h"

using pixmora::app::CanvasSizeFieldsModel;
using pixmora::app::NewCanvasDialog;
using pixmora::model::ColorMode;
using Field = CanvasSizeFieldsModel::Field;

Q_DECLARE_METATYPE(ColorMode)

class NewCanvasDialogTest : public QObject {
    Q_OBJECT

private slots:
    void startsFromTheDocumentWithItsTexts()
    {
        QWidget window;
        NewCanvasDialog dialog(32, 32, ColorMode::webSafe256, &window);
        QCOMPARE(dialog.windowModality(), Qt::WindowModal);
        QCOMPARE(dialog.canvasWidth(), 32);
        QVERIFY(!dialog.sizeModel()->lockAspectRatio());
        QVERIFY(dialog.colorModeButton(ColorMode::webSafe256)->isChecked());
        QCOMPARE(dialog.colorModeButton(ColorMode::twoColor)->text(), QStringLiteral("2色（白黒）"));
        QCOMPARE(dialog.colorModeButton(ColorMode::sixteenColor)->text(), QStringLiteral("16色"));
        QCOMPARE(dialog.colorModeButton(ColorMode::webSafe256)->text(), QStringLiteral("256色"));
        QCOMPARE(dialog.findChildren<QPushButton*>().size(), 1);
        QCOMPARE(dialog.createButton()->text(), QStringLiteral("このサイズで作成"));
        QVERIFY(dialog.createButton()->isDefault());
    }

    void returnInAFieldNormalizesThenCreates()
    {
        NewCanvasDialog dialog(32, 32, ColorMode::webSafe256);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowActive(&dialog));
        QSignalSpy created(&dialog, &NewCanvasDialog::createRequested);
        QTest::mouseClick(dialog.colorModeButton(ColorMode::twoColor), Qt::LeftButton);
        QLineEdit* width = dialog.sizeFields()->lineEdit(Field::width);
        width->setFocus();
        width->selectAll();
        QTest::keyClicks(width, "100");
        QTest::keyClick(width, Qt::Key_Return);
        QCOMPARE(created.count(), 1);
        QCOMPARE(created[0][0].toInt(), 104);
        QCOMPARE(created[0][1].toInt(), 32);
        QCOMPARE(created[0][2].value<ColorMode>(), ColorMode::twoColor);
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
    }

    void sizesOutsideTheRangeNeverReachTheDocument()
    {
        NewCanvasDialog dialog(32, 32, ColorMode::twoColor);
        QSignalSpy created(&dialog, &NewCanvasDialog::createRequested);
        // A click that leaves the focus in the field: nothing normalised the text.
        dialog.sizeModel()->setWidth(0);
        dialog.sizeModel()->setHeight(5000);
        dialog.createButton()->click();
        QCOMPARE(created.count(), 1);
        QCOMPARE(created[0][0].toInt(), 8);
        QCOMPARE(created[0][1].toInt(), 128);
    }

    void escapeRejectsWithoutCreating()
    {
        NewCanvasDialog dialog(32, 32, ColorMode::webSafe256);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowActive(&dialog));
        QSignalSpy created(&dialog, &NewCanvasDialog::createRequested);
        QTest::keyClick(&dialog, Qt::Key_Escape);
        QCOMPARE(created.count(), 0);
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
    }
};

QTEST_MAIN(NewCanvasDialogTest)
#include "new_canvas_dialog_test.moc"
