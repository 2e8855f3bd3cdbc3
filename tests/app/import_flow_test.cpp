#include <functional>

#include <QComboBox>
#include <QImage>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <QUndoStack>

#include "app/canvas_size_fields.h"
#include "app/document_window.h"
#include "app/hosted_document.h"
#include "app/import_dialog.h"
#include "app/import_flow.h"
#include "document_test_support.h"

using namespace pixmora;
using app::ImportConfirmationDialog;
using app::ImportMethodRow;
using model::ColorMode;
using Act = std::function<void(ImportConfirmationDialog&)>;

namespace {

// Answers the file dialog with `file` and hands the confirmation dialog to
// `act`, which stands in for the user inside the modal loop.
class ScriptedImport final : public app::ImportInteraction {
public:
    QString file;
    Act act;
    QList<test::FakeInteraction::Warning> warnings;
    int dialogsShown = 0;

    QString askImportFile(QWidget*) override { return file; }
    void warn(QWidget*, const QString& message, const QString& informativeText) override
    {
        warnings.append({message, informativeText});
    }
    void runConfirmation(ImportConfirmationDialog& dialog) override
    {
        ++dialogsShown;
        if (act)
            act(dialog);
    }
};

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

    QString write(const QString& name, const QImage& image)
    {
        const QString path = m_dir.filePath(name);
        if (!image.save(path))
            qFatal("cannot write fixture %s", qPrintable(path));
        return path;
    }

    // Runs the whole command on `path`; `act` plays the user in the dialog.
    void runImport(const QString& path, Act act)
    {
        m_script->file = path;
        m_script->act = std::move(act);
        m_flow->importImage(nullptr);
    }

    // Imports in `mode`, at width x height with the lock off unless width is 0.
    const document::BitmapDocument& importAs(const QString& path, ColorMode mode, int width = 0,
                                             int height = 0)
    {
        runImport(path, [=](ImportConfirmationDialog& dialog) {
            if (width > 0) {
                dialog.sizeModel()->setLockAspectRatio(false);
                dialog.sizeModel()->setWidth(width);
                dialog.sizeModel()->setHeight(height);
            }
            dialog.colorModeButton(mode)->click();
            dialog.importButton()->click();
        });
        static const document::BitmapDocument none{};
        const QList<app::DocumentWindow*> windows = m_controller->windows();
        return windows.isEmpty() ? none : windows.last()->document()->value();
    }

private slots:
    void init()
    {
        m_controller = new app::DocumentController(std::make_unique<test::FakeInteraction>());
        auto script = std::make_unique<ScriptedImport>();
        m_script = script.get();
        m_flow = new app::ImportFlow(m_controller, std::move(script));
    }

    void cleanup()
    {
        delete m_flow;
        delete m_controller;  // and its windows
        QVERIFY(!document::hasPendingDocumentContent());
    }

    void dialogStartsFromTheInitialChoicesAndFollowsTheMode()
    {
        runImport(write("wide.png", filled(1000, 500, Qt::red)), [](auto& dialog) {
            dialog.show();
            QCOMPARE(dialog.windowTitle(), QStringLiteral("画像を取り込む"));
            QVERIFY(dialog.colorModeButton(ColorMode::webSafe256)->isChecked());
            QCOMPARE(dialog.colorModeButton(ColorMode::webSafe256)->text(),
                     QStringLiteral("256色"));
            QCOMPARE(dialog.palettePicker()->currentText(), QStringLiteral("しない"));
            QCOMPARE(dialog.methodRow(), ImportMethodRow::paletteDitherPicker);
            QVERIFY(!dialog.sourceHasAlphaVariation());
            dialog.palettePicker()->setCurrentIndex(2);
            dialog.showMethodHelp();
            QVERIFY(dialog.isMethodHelpPresented());
            QCOMPARE(dialog.helpLabel()->text(),
                     app::methodHelpText(convert::PaletteDitherMethod::atkinson));
            // An opaque source in two colours offers the methods; the old help closes.
            dialog.colorModeButton(ColorMode::twoColor)->click();
            QVERIFY(!dialog.isMethodHelpPresented());
            QCOMPARE(dialog.methodRow(), ImportMethodRow::monochromePicker);
            QCOMPARE(dialog.monochromePicker()->currentText(), QStringLiteral("固定しきい値"));
            dialog.reject();
        });
        QCOMPARE(m_script->dialogsShown, 1);
        QVERIFY(m_controller->windows().isEmpty());
    }

    void twoColorKeepsAVaryingSourceAlpha()
    {
        QImage translucent = filled(20, 20, Qt::gray, QImage::Format_ARGB32);
        translucent.setPixelColor(3, 3, QColor(128, 128, 128, 254));
        runImport(write("alpha.png", translucent), [](auto& dialog) {
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

    void squareSourceIntoTallCanvasLeavesBottomTransparent()
    {
        const QString path = write("square.png", filled(100, 100, Qt::black));
        const document::BitmapDocument& doc = importAs(path, ColorMode::twoColor, 64, 128);
        QCOMPARE(doc.colorMode, ColorMode::twoColor);
        QCOMPARE(doc.image.height, 128);
        QCOMPARE(doc.image.at(63, 63), model::kOpaqueBlack);
        QCOMPARE(doc.image.at(0, 64), model::kTransparent);
    }

    void partlyCoveredRowDoesNotSwitchToSilhouette()
    {
        // 100 x 60 at 104 x 64 covers 62.4 rows: partly covered row 62 is still
        // decided by the fixed threshold, so it is ink.
        const QString path = write("sixty.png", filled(100, 60, Qt::black));
        const model::PixelImage& image = importAs(path, ColorMode::twoColor).image;
        QCOMPARE(image.width, 104);
        QCOMPARE(image.height, 64);
        QCOMPARE(image.at(50, 61), model::kOpaqueBlack);
        QCOMPARE(image.at(50, 62), model::kOpaqueBlack);
        QCOMPARE(image.at(50, 63), model::kTransparent);
    }

    void alphaThresholdInPaletteModes()
    {
        QImage source = filled(8, 8, QColor(250, 5, 5), QImage::Format_ARGB32);
        source.setPixelColor(1, 1, QColor(250, 5, 5, 127));
        source.setPixelColor(2, 2, QColor(250, 5, 5, 128));
        const model::PixelImage& image =
            importAs(write("alphas.png", source), ColorMode::sixteenColor, 8, 8).image;
        QCOMPARE(image.at(1, 1), model::kTransparent);
        QCOMPARE(image.at(2, 2), (model::RGBAColor{255, 0, 0, 255}));
    }

    void importOpensOneWindowAndLeavesTheSourceWindowAlone()
    {
        const QString existing = write("existing.png", filled(8, 8, Qt::white));
        QCOMPARE(m_controller->openFiles({existing}).size(), 1);
        app::DocumentWindow* source = m_controller->windows()[0];
        const document::BitmapDocument before = source->document()->value();
        const QString path = write("photo.png", filled(40, 30, Qt::green));
        const QByteArray bytesBefore = test::fileBytes(path);
        runImport(path, [](auto& dialog) { dialog.importButton()->click(); });
        QCOMPARE(m_controller->windows().size(), 2);
        QCOMPARE(source->document()->value(), before);
        QVERIFY(!source->document()->isModified());
        app::HostedDocument* imported = m_controller->windows()[1]->document();
        QVERIFY(imported->isModified());  // its pixels exist nowhere else
        QCOMPARE(imported->value().image.width, 40);
        QCOMPARE(imported->value().image.height, 32);
        QVERIFY(!imported->undoStack()->canUndo());
        QCOMPARE(test::fileBytes(path), bytesBefore);
        // The next New is the blank placeholder again.
        QVERIFY(m_controller->newDocument()->document()->value().needsSizeConfiguration);
    }

    void cancelCreatesNothing()
    {
        const QString path = write("cancel.png", filled(10, 10, Qt::red));
        runImport(path, [](auto& dialog) { dialog.cancelButton()->click(); });
        runImport(path, [](auto& dialog) { QTest::keyClick(&dialog, Qt::Key_Escape); });
        QCOMPARE(m_script->dialogsShown, 2);
        QVERIFY(m_controller->windows().isEmpty());
        QVERIFY(!document::hasPendingDocumentContent());
        // The file dialog cancelled: nothing at all.
        runImport(QString(), nullptr);
        QCOMPARE(m_script->dialogsShown, 2);
        QVERIFY(m_script->warnings.isEmpty());
    }

    void unreadableFilesShowTheAlert()
    {
        runImport(test::writeText(QDir(m_dir.path()), "notes.png"), nullptr);
        runImport(m_dir.filePath("missing.jpg"), nullptr);
        runImport(m_dir.path(), nullptr);
        QCOMPARE(m_script->dialogsShown, 0);
        const auto& warnings = m_script->warnings;
        QCOMPARE(warnings.size(), 3);
        QCOMPARE(warnings[0].title, QStringLiteral("画像を読み込めませんでした"));
        QCOMPARE(warnings[0].text,
                 QStringLiteral("\"notes.png\" は画像として認識できないか、対応していない形式です。"));
        QCOMPARE(warnings[1].text, app::importFailureInformativeText("missing.jpg"));
        QVERIFY(m_controller->windows().isEmpty());
    }
};

QTEST_MAIN(ImportFlowTest)
#include "import_flow_test.moc"
