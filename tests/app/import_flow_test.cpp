#include <functional>

#include <QComboBox>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <QUndoStack>

#include "app/canvas_size_fields.h"
#include "app/document_controller.h"
#include "app/document_window.h"
#include "app/hosted_document.h"
#include "app/import_dialog.h"
#include "app/import_flow.h"
#include "document/bitmap_document.h"
#include "document_test_support.h"

using namespace pixmora;
using app::ImportConfirmationDialog;
using app::ImportMethodRow;
using model::ColorMode;
using model::RGBAColor;

namespace {

struct Warning {
    QString message;
    QString informativeText;
};

// Answers the file dialog with `file` and hands the confirmation dialog to
// `act`, which stands in for the user inside the modal loop.
class ScriptedImport final : public app::ImportInteraction {
public:
    QString file;
    std::function<void(ImportConfirmationDialog&)> act;
    QList<Warning>* warnings = nullptr;
    int dialogsShown = 0;

    QString askImportFile(QWidget*) override { return file; }
    void warn(QWidget*, const QString& message, const QString& informativeText) override
    {
        warnings->append({message, informativeText});
    }
    void runConfirmation(ImportConfirmationDialog& dialog) override
    {
        ++dialogsShown;
        if (act)
            act(dialog);
    }
};

QString writeImage(const QTemporaryDir& dir, const QString& name, const QImage& image)
{
    const QString path = dir.filePath(name);
    if (!image.save(path))
        qFatal("cannot write fixture %s", qPrintable(path));
    return path;
}

QImage filled(int w, int h, QColor colour, QImage::Format format = QImage::Format_RGB32)
{
    QImage image(w, h, format);
    image.fill(colour);
    return image;
}

}  // namespace

class ImportFlowTest : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    app::DocumentController* m_controller = nullptr;
    app::ImportFlow* m_flow = nullptr;
    ScriptedImport* m_script = nullptr;
    QList<Warning> m_warnings;

    // Runs the whole command on `path`; `act` plays the user in the dialog.
    void runImport(const QString& path, std::function<void(ImportConfirmationDialog&)> act)
    {
        m_script->file = path;
        m_script->act = std::move(act);
        m_flow->importImage(nullptr);
    }

private slots:
    void init()
    {
        m_warnings.clear();
        m_controller = new app::DocumentController(std::make_unique<test::FakeInteraction>());
        auto script = std::make_unique<ScriptedImport>();
        script->warnings = &m_warnings;
        m_script = script.get();
        m_flow = new app::ImportFlow(m_controller, std::move(script));
    }

    void cleanup()
    {
        delete m_flow;
        for (app::DocumentWindow* window : m_controller->windows())
            delete window;
        delete m_controller;
        QVERIFY(!document::hasPendingDocumentContent());
    }

    void dialogStartsFromTheInitialChoices()
    {
        const QString path = writeImage(m_dir, "wide.png", filled(1000, 500, Qt::red));
        bool seen = false;
        runImport(path, [&](ImportConfirmationDialog& dialog) {
            seen = true;
            QCOMPARE(dialog.windowTitle(), QStringLiteral("画像を取り込む"));
            QCOMPARE(dialog.choices().width, 128);
            QCOMPARE(dialog.choices().height, 64);
            QVERIFY(dialog.colorModeButton(ColorMode::webSafe256)->isChecked());
            QCOMPARE(dialog.colorModeButton(ColorMode::webSafe256)->text(),
                     QStringLiteral("256色"));
            QCOMPARE(dialog.palettePicker()->currentText(), QStringLiteral("しない"));
            QCOMPARE(dialog.methodRow(), ImportMethodRow::paletteDitherPicker);
            dialog.reject();
        });
        QVERIFY(seen);
        QVERIFY(m_controller->windows().isEmpty());
    }

    void twoColorMethodRowDependsOnSourceAlpha()
    {
        const QString opaque = writeImage(m_dir, "opaque.png", filled(20, 20, Qt::gray));
        QImage translucent = filled(20, 20, Qt::gray, QImage::Format_ARGB32);
        translucent.setPixelColor(3, 3, QColor(128, 128, 128, 254));
        const QString alpha = writeImage(m_dir, "alpha.png", translucent);

        runImport(opaque, [](ImportConfirmationDialog& dialog) {
            QVERIFY(!dialog.sourceHasAlphaVariation());
            dialog.colorModeButton(ColorMode::twoColor)->click();
            QCOMPARE(dialog.methodRow(), ImportMethodRow::monochromePicker);
            QCOMPARE(dialog.monochromePicker()->currentText(), QStringLiteral("固定しきい値"));
            dialog.reject();
        });
        runImport(alpha, [](ImportConfirmationDialog& dialog) {
            QVERIFY(dialog.sourceHasAlphaVariation());
            dialog.colorModeButton(ColorMode::twoColor)->click();
            QCOMPARE(dialog.methodRow(), ImportMethodRow::transparencyNote);
            QVERIFY(dialog.transparencyNote()->text().startsWith(
                QStringLiteral("元画像の透明度をそのまま使用します")));
            dialog.colorModeButton(ColorMode::sixteenColor)->click();
            QCOMPARE(dialog.methodRow(), ImportMethodRow::paletteDitherPicker);
            dialog.reject();
        });
    }

    void helpPopoverShowsTheSelectedMethodsText()
    {
        const QString path = writeImage(m_dir, "help.png", filled(16, 16, Qt::blue));
        runImport(path, [](ImportConfirmationDialog& dialog) {
            dialog.show();
            dialog.palettePicker()->setCurrentIndex(2);
            dialog.showMethodHelp();
            QVERIFY(dialog.isMethodHelpPresented());
            QCOMPARE(dialog.helpLabel()->text(),
                     app::methodHelpText(convert::PaletteDitherMethod::atkinson));
            dialog.colorModeButton(ColorMode::twoColor)->click();
            QVERIFY(!dialog.isMethodHelpPresented());
            dialog.reject();
        });
    }

    void squareSourceIntoTallCanvasLeavesBottomTransparent()
    {
        const QString path = writeImage(m_dir, "square.png", filled(100, 100, Qt::black));
        runImport(path, [](ImportConfirmationDialog& dialog) {
            dialog.sizeModel()->setLockAspectRatio(false);
            dialog.sizeModel()->setWidth(64);
            dialog.sizeModel()->setHeight(128);
            dialog.colorModeButton(ColorMode::twoColor)->click();
            dialog.importButton()->click();
        });
        QCOMPARE(m_controller->windows().size(), 1);
        const document::BitmapDocument& doc = m_controller->windows()[0]->document()->value();
        QCOMPARE(doc.colorMode, ColorMode::twoColor);
        QCOMPARE(doc.image.height, 128);
        QCOMPARE(doc.image.at(63, 63), model::kOpaqueBlack);
        QCOMPARE(doc.image.at(0, 64), model::kTransparent);
    }

    void partlyCoveredRowDoesNotSwitchToSilhouette()
    {
        // 100 x 60 at 104 x 64 covers 62.4 rows: partly covered row 62 is still
        // decided by the fixed threshold, so it is ink.
        const QString path = writeImage(m_dir, "sixty.png", filled(100, 60, Qt::black));
        runImport(path, [](ImportConfirmationDialog& dialog) {
            QCOMPARE(dialog.choices().width, 104);
            QCOMPARE(dialog.choices().height, 64);
            dialog.colorModeButton(ColorMode::twoColor)->click();
            dialog.importButton()->click();
        });
        QCOMPARE(m_controller->windows().size(), 1);
        const model::PixelImage& image = m_controller->windows()[0]->document()->value().image;
        QCOMPARE(image.at(50, 61), model::kOpaqueBlack);
        QCOMPARE(image.at(50, 62), model::kOpaqueBlack);
        QCOMPARE(image.at(50, 63), model::kTransparent);
    }

    void alphaThresholdInPaletteModes()
    {
        QImage source = filled(8, 8, QColor(250, 5, 5), QImage::Format_ARGB32);
        source.setPixelColor(1, 1, QColor(250, 5, 5, 127));
        source.setPixelColor(2, 2, QColor(250, 5, 5, 128));
        const QString path = writeImage(m_dir, "alphas.png", source);
        runImport(path, [](ImportConfirmationDialog& dialog) {
            dialog.sizeModel()->setLockAspectRatio(false);
            dialog.sizeModel()->setWidth(8);
            dialog.sizeModel()->setHeight(8);
            dialog.colorModeButton(ColorMode::sixteenColor)->click();
            dialog.importButton()->click();
        });
        const model::PixelImage& image = m_controller->windows()[0]->document()->value().image;
        QCOMPARE(image.at(1, 1), model::kTransparent);
        QCOMPARE(image.at(2, 2), (RGBAColor{255, 0, 0, 255}));
    }

    void importOpensOneWindowAndLeavesTheSourceWindowAlone()
    {
        const QString existing = writeImage(m_dir, "existing.png", filled(8, 8, Qt::white));
        QCOMPARE(m_controller->openFiles({existing}).size(), 1);
        app::DocumentWindow* source = m_controller->windows()[0];
        const document::BitmapDocument before = source->document()->value();

        const QString path = writeImage(m_dir, "photo.png", filled(40, 30, Qt::green));
        const QByteArray bytesBefore = test::fileBytes(path);
        runImport(path, [](ImportConfirmationDialog& dialog) { dialog.importButton()->click(); });

        QCOMPARE(m_controller->windows().size(), 2);
        QCOMPARE(source->document()->value(), before);
        QVERIFY(!source->document()->isModified());
        app::DocumentWindow* imported = m_controller->windows()[1];
        QCOMPARE(imported->document()->value().image.width, 40);
        QCOMPARE(imported->document()->value().image.height, 32);
        QVERIFY(!imported->document()->undoStack()->canUndo());
        QCOMPARE(test::fileBytes(path), bytesBefore);

        // The next New is the blank placeholder again.
        app::DocumentWindow* blank = m_controller->newDocument();
        QVERIFY(blank->document()->value().needsSizeConfiguration);
    }

    void cancelCreatesNothing()
    {
        const QString path = writeImage(m_dir, "cancel.png", filled(10, 10, Qt::red));
        runImport(path, [](ImportConfirmationDialog& dialog) { dialog.cancelButton()->click(); });
        runImport(path, [](ImportConfirmationDialog& dialog) {
            QTest::keyClick(&dialog, Qt::Key_Escape);
        });
        QCOMPARE(m_script->dialogsShown, 2);
        QVERIFY(m_controller->windows().isEmpty());
        QVERIFY(!document::hasPendingDocumentContent());
        // The file dialog cancelled: nothing at all.
        runImport(QString(), nullptr);
        QCOMPARE(m_script->dialogsShown, 2);
        QVERIFY(m_warnings.isEmpty());
    }

    void unreadableFilesShowTheAlert()
    {
        QFile text(m_dir.filePath("notes.png"));
        QVERIFY(text.open(QIODevice::WriteOnly));
        text.write("just some words, not an image\n");
        text.close();

        runImport(text.fileName(), nullptr);
        runImport(m_dir.filePath("missing.jpg"), nullptr);
        runImport(m_dir.path(), nullptr);

        QCOMPARE(m_script->dialogsShown, 0);
        QCOMPARE(m_warnings.size(), 3);
        QCOMPARE(m_warnings[0].message, QStringLiteral("画像を読み込めませんでした"));
        QCOMPARE(m_warnings[0].informativeText,
                 QStringLiteral("\"notes.png\" は画像として認識できないか、対応していない形式です。"));
        QCOMPARE(m_warnings[1].informativeText, app::importFailureInformativeText("missing.jpg"));
        QVERIFY(m_controller->windows().isEmpty());
    }
};

QTEST_MAIN(ImportFlowTest)
#include "import_flow_test.moc"
