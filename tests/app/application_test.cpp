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
    void launchWithoutFilesOpensOneNewDocument();
    void launchOpensTheGivenFilesOnly();
    void launchWhoseFilesAllFailStillOpensAWindow();
};

void ApplicationTest::launchWithoutFilesOpensOneNewDocument()
{
    PixmoraApp app(std::make_unique<FakeInteraction>());
    app.start({});
    QCOMPARE(app.documents().windows().size(), 1);
    QVERIFY(app.documents().windows().first()->document()->value().needsSizeConfiguration);
}

void ApplicationTest::launchOpensTheGivenFilesOnly()
{
    QTemporaryDir dir;
    const QString first = pixmora::test::writeSample(QDir(dir.path()), QStringLiteral("1.png"));
    const QString second = pixmora::test::writeSample(QDir(dir.path()), QStringLiteral("2.png"));
    // Relative paths are taken from the working folder.
    const QString previous = QDir::currentPath();
    QDir::setCurrent(dir.path());
    PixmoraApp app(std::make_unique<FakeInteraction>());
    app.start({QStringLiteral("1.png"), second});
    QDir::setCurrent(previous);

    QCOMPARE(app.documents().windows().size(), 2);
    QVERIFY(app.documents().windowForFile(first));
    QVERIFY(app.documents().windowForFile(second));
}

void ApplicationTest::launchWhoseFilesAllFailStillOpensAWindow()
{
    auto interaction = std::make_unique<FakeInteraction>();
    FakeInteraction* ui = interaction.get();
    PixmoraApp app(std::move(interaction));
    app.start({QStringLiteral("/nonexistent/folder/missing.png")});
    QCOMPARE(ui->warnings.size(), 1);
    QCOMPARE(app.documents().windows().size(), 1);
    QVERIFY(app.documents().windows().first()->document()->filePath().isEmpty());
}

QTEST_MAIN(ApplicationTest)
#include "application_test.moc"
