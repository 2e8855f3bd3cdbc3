#include <functional>

#include <QBuffer>
#include <QComboBox>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QUndoStack>

#include "app/canvas_size_fields.h"
#include "app/document_window.h"
#include "app/hosted_document.h"
#include "app/import_dialog.h"
#include "app/import_flow.h"
#include "editor/pixel_canvas_widget.h"
#include "document_test_support.h"

using namespace pixmora;
using app::ImportConfirmationDialog;
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

    QString askImportFile(QWidget*, const QString&) override { return file; }
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

}  // namespace

class ImportFlowTest : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    app::DocumentController* m_controller = nullptr;
    app::ImportFlow* m_flow = nullptr;
    ScriptedImport* m_script = nullptr;

    QString write(const QString& name, int w, int h, QColor colour)
    {
        QImage image(w, h, QImage::Format_RGB32);
        image.fill(colour);
        const QString path = m_dir.filePath(name);
        return image.save(path) ? path : QString();
    }

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

    void dialogOffersTheMethodsCancelAndUnreadableFilesCreateNothing()
    {
        runImport(test::writeText(QDir(m_dir.path()), "notes.png"), nullptr);
        QCOMPARE(m_script->dialogsShown, 0);
        QCOMPARE(m_script->warnings.size(), 1);
        QCOMPARE(m_script->warnings[0].title, QStringLiteral("画像を読み込めませんでした"));
        QCOMPARE(m_script->warnings[0].text,
                 QStringLiteral("\"notes.png\" は画像として認識できないか、対応していない形式です。"));
        // A sound header over pixel data that does not inflate: refused before the dialog.
        const QString path = write("wide.png", 1000, 500, Qt::red);
        QFile source(path);
        QVERIFY(source.open(QIODevice::ReadOnly));
        QByteArray damaged = source.readAll();
        damaged.replace(damaged.indexOf("IDAT") + 4, 2, "\xff\xff");
        runImport(test::writeText(QDir(m_dir.path()), "broken.png", damaged), nullptr);
        QCOMPARE(m_script->dialogsShown, 0);
        QCOMPARE(m_script->warnings.size(), 2);
        runImport(path, [](auto& dialog) {
            QCOMPARE(dialog.windowTitle(), QStringLiteral("画像を取り込む"));
            QCOMPARE(dialog.palettePicker()->currentText(), QStringLiteral("しない"));
            dialog.colorModeButton(ColorMode::twoColor)->click();
            QCOMPARE(dialog.monochromePicker()->currentText(), QStringLiteral("固定しきい値"));
            dialog.cancelButton()->click();
        });
        runImport(path, [](auto& dialog) { QTest::keyClick(&dialog, Qt::Key_Escape); });
        QCOMPARE(m_script->dialogsShown, 2);
        QVERIFY(m_controller->windows().isEmpty());
    }

    void importOpensOneModifiedWindowWithoutASilhouette()
    {
        // 100 x 60 at 104 x 64 covers 62.4 rows: the fixed threshold still decides row 62.
        runImport(write("sixty.png", 100, 60, Qt::black), [](auto& dialog) {
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
        // Sizes typed past the range and never normalised are held to it.
        runImport(write("small.png", 16, 16, Qt::black), [](auto& dialog) {
            dialog.sizeModel()->setLockAspectRatio(false);
            dialog.sizeModel()->setWidth(300);
            dialog.sizeModel()->setHeight(0);
            dialog.importButton()->click();
        });
        QCOMPARE(m_controller->windows().size(), 2);
        const model::PixelImage& held = m_controller->windows()[1]->document()->value().image;
        QCOMPARE(std::pair(held.width, held.height), std::pair(std::int64_t(128), std::int64_t(8)));
    }

    // Set PIXMORA_SCREENSHOT_DIR to write the README's picture of the dialog.
    void dialogScreenshot()
    {
        QImage scene(480, 480, QImage::Format_ARGB32);
        QPainter painter(&scene);
        QRadialGradient sun(240, 300, 300);
        sun.setColorAt(0, QColor(255, 250, 210));
        sun.setColorAt(1, QColor(40, 60, 160));
        painter.fillRect(scene.rect(), sun);
        painter.end();
        QByteArray png;
        QBuffer buffer(&png);
        QVERIFY(buffer.open(QIODevice::WriteOnly) && scene.save(&buffer, "PNG"));
        const document::Bytes bytes(png.begin(), png.end());
        ImportConfirmationDialog dialog(bytes);
        dialog.colorModeButton(ColorMode::sixteenColor)->click();
        dialog.palettePicker()->setCurrentIndex(1);  // Floyd-Steinberg
        dialog.sizeModel()->setWidth(64);
        QVERIFY(dialog.isPreviewPending());  // redrawn on the next pass, not in the handler
        QTRY_VERIFY(!dialog.isPreviewPending());
        QCOMPARE(dialog.previewImage(), app::performImport(bytes, dialog.choices()));
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        dialog.importButton()->setFocus();  // no text cursor in the picture
        const QImage shot = dialog.grab().toImage();
        const QPoint origin = dialog.previewCanvas()->mapTo(&dialog, QPoint(0, 0));
        const model::RGBAColor first = dialog.previewImage()->at(10, 5);
        QCOMPARE(shot.pixelColor(origin + QPoint(10 * 4 + 2, 5 * 4 + 2)),
                 QColor(first.r, first.g, first.b));
        const QByteArray folder = qgetenv("PIXMORA_SCREENSHOT_DIR");
        if (!folder.isEmpty())
            QVERIFY(shot.save(QString::fromLocal8Bit(folder) + "/import-dialog.png"));
    }
};

QTEST_MAIN(ImportFlowTest)
#include "import_flow_test.moc"
