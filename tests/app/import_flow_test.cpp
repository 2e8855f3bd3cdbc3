#include <functional>

#include <QComboBox>
#include <QImage>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <QUndoStack>

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

// `act` stands in for the user inside the modal loop.
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

QImage filled(int w, int h, QColor colour)
{
    QImage image(w, h, QImage::Format_RGB32);
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
            QCOMPARE(dialog.windowTitle(), QStringLiteral("画像を取り込む"));
            QVERIFY(dialog.colorModeButton(ColorMode::webSafe256)->isChecked());
            QCOMPARE(dialog.palettePicker()->currentText(), QStringLiteral("しない"));
            // An opaque source in two colours offers the methods.
            dialog.colorModeButton(ColorMode::twoColor)->click();
            QCOMPARE(dialog.methodRow(), ImportMethodRow::monochromePicker);
            QCOMPARE(dialog.monochromePicker()->currentText(), QStringLiteral("固定しきい値"));
            dialog.reject();
        });
        QCOMPARE(m_script->dialogsShown, 1);
    }

    void importOpensOneModifiedWindowWithoutASilhouette()
    {
        // 100 x 60 at 104 x 64 covers 62.4 rows: the fixed threshold still decides row 62.
        runImport(write("sixty.png", filled(100, 60, Qt::black)), [](auto& dialog) {
            dialog.colorModeButton(ColorMode::twoColor)->click();
            dialog.importButton()->click();
        });
        QCOMPARE(m_controller->windows().size(), 1);
        app::HostedDocument* imported = m_controller->windows()[0]->document();
        QVERIFY(imported->isModified());  // its pixels exist nowhere else
        QVERIFY(!imported->undoStack()->canUndo());
        const model::PixelImage& image = imported->value().image;
        QCOMPARE(image.height, 64);
        QCOMPARE(image.at(50, 62), model::kOpaqueBlack);
        QCOMPARE(image.at(50, 63), model::kTransparent);
    }

    void cancelCreatesNothing()
    {
        const QString path = write("cancel.png", filled(10, 10, Qt::red));
        runImport(path, [](auto& dialog) { dialog.cancelButton()->click(); });
        runImport(path, [](auto& dialog) { QTest::keyClick(&dialog, Qt::Key_Escape); });
        QCOMPARE(m_script->dialogsShown, 2);
        QVERIFY(m_controller->windows().isEmpty());
        QVERIFY(!document::hasPendingDocumentContent());
    }

    void unreadableFileShowsTheAlert()
    {
        runImport(test::writeText(QDir(m_dir.path()), "notes.png"), nullptr);
        QCOMPARE(m_script->dialogsShown, 0);
        const auto& warnings = m_script->warnings;
        QCOMPARE(warnings.size(), 1);
        QCOMPARE(warnings[0].title, QStringLiteral("画像を読み込めませんでした"));
        QCOMPARE(warnings[0].text,
                 QStringLiteral("\"notes.png\" は画像として認識できないか、対応していない形式です。"));
        QVERIFY(m_controller->windows().isEmpty());
    }
};

QTEST_MAIN(ImportFlowTest)
#include "import_flow_test.moc"
