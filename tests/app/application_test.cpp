#include <QAction>
#include <QImage>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include "app/application.h"
#include "app/document_window.h"
#include "app/hosted_document.h"
#include "app/import_dialog.h"
#include "document_test_support.h"

using pixmora::app::PixmoraApp;
using pixmora::test::FakeInteraction;

namespace {

// Picks `file` and presses インポート in the dialog.
class ImportingUser final : public pixmora::app::ImportInteraction {
public:
    QString file;
    QString askImportFile(QWidget*) override { return file; }
    void warn(QWidget*, const QString&, const QString&) override {}
    void runConfirmation(pixmora::app::ImportConfirmationDialog& dialog) override
    {
        dialog.importButton()->click();
    }
};

}  // namespace

class ApplicationTest : public QObject {
    Q_OBJECT

private slots:
    void launchOpensTheGivenFilesOrAnEmptyWindow()
    {
        QTemporaryDir dir;
        const QString first = pixmora::test::writeSample(QDir(dir.path()), "1.png");
        const QString second = pixmora::test::writeSample(QDir(dir.path()), "2.png");
        // Relative paths are taken from the working folder.
        const QString previous = QDir::currentPath();
        QDir::setCurrent(dir.path());
        PixmoraApp app(std::make_unique<FakeInteraction>());
        app.start({QStringLiteral("1.png"), second});
        QDir::setCurrent(previous);
        QCOMPARE(app.documents().windows().size(), 2);
        QVERIFY(app.documents().windowForFile(first));
        QVERIFY(app.documents().windowForFile(second));
        // A launch whose files all fail still opens a window.
        auto* ui = new FakeInteraction;
        PixmoraApp failed{std::unique_ptr<FakeInteraction>(ui)};
        failed.start({QStringLiteral("/nonexistent/folder/missing.png")});
        QCOMPARE(ui->warnings.size(), 1);
        QCOMPARE(failed.documents().windows().size(), 1);
        QVERIFY(failed.documents().windows().first()->document()->filePath().isEmpty());
    }

    void importMenuItemImportsIntoANewWindow()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("photo.png"));
        QVERIFY(QImage(30, 20, QImage::Format_RGB32).save(path));
        auto importer = std::make_unique<ImportingUser>();
        importer->file = path;
        PixmoraApp app(std::make_unique<FakeInteraction>(), std::move(importer));
        app.start({});
        pixmora::app::DocumentWindow* first = app.documents().windows().first();
        QVERIFY(first->document()->value().needsSizeConfiguration);  // a launch without files
        first->importAction()->trigger();
        QCOMPARE(app.documents().windows().size(), 2);
        const auto& imported = app.documents().windows().last()->document()->value();
        QCOMPARE(imported.image.width, 32);
        QCOMPARE(imported.image.height, 24);
        QVERIFY(!imported.needsSizeConfiguration);
    }
};

QTEST_MAIN(ApplicationTest)
#include "application_test.moc"
