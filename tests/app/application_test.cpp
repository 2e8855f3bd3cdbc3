#include <QTemporaryDir>
#include <QTest>

#include "app/application.h"
#include "app/document_window.h"
#include "app/hosted_document.h"
#include "document_test_support.h"

using pixmora::app::PixmoraApp;
using pixmora::test::FakeInteraction;

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
};

QTEST_MAIN(ApplicationTest)
#include "application_test.moc"
