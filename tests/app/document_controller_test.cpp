#include <QAction>
#include <QFileInfo>
#include <QImage>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include "app/document_controller.h"
#include "app/document_window.h"
#include "app/hosted_document.h"
#include "document_test_support.h"

using pixmora::app::DocumentController;
using pixmora::app::DocumentWindow;
using pixmora::app::SaveChangesChoice;
using pixmora::document::BitmapDocument;
using pixmora::model::ColorMode;
using pixmora::model::PixelImage;
using pixmora::test::FakeInteraction;

namespace {

struct Host {
    FakeInteraction* ui = new FakeInteraction;
    DocumentController controller{std::unique_ptr<FakeInteraction>(ui)};
};

// One edit through the document binding, as the canvas makes it.
void paint(DocumentWindow* window, std::int64_t x, std::int64_t y)
{
    BitmapDocument value = window->document()->value();
    value.image.at(x, y) = {0, 0, 255, 255};
    window->document()->write(value);
}

BitmapDocument readBack(const QString& path)
{
    const auto read = pixmora::document::readDocumentFile(path);
    const auto* value = std::get_if<BitmapDocument>(&read);
    return value ? *value : BitmapDocument{};
}

}  // namespace

class DocumentControllerTest : public QObject {
    Q_OBJECT

private slots:
    void untitledDocumentsAreNumberedFromTheLowestFreeNumber();
    void newDocumentTakesPendingImportContent();
    void openedFileKeepsItsValueAndSavesBack();
    void savingUntitledAsksForNameAndAddsPngSuffix();
    void refusedFilesShowTheirTextAndOpenNoWindow_data();
    void refusedFilesShowTheirTextAndOpenNoWindow();
    void openingAnOpenFileBringsItsWindowForward();
    void unsavedChangesOnClose_data();
    void unsavedChangesOnClose();
    void failedSaveOnCloseKeepsWindowOpen();
    void failedSaveLosesNothing();
    void quitAsksEveryModifiedDocumentAndCancelKeepsAllOpen();
    void importActionIsDisabledUntilConnected();
};

void DocumentControllerTest::untitledDocumentsAreNumberedFromTheLowestFreeNumber()
{
    Host host;
    DocumentWindow* first = host.controller.newDocument();
    DocumentWindow* second = host.controller.newDocument();
    DocumentWindow* third = host.controller.newDocument();
    QCOMPARE(first->windowTitle(), QStringLiteral("名称未設定[*]"));
    QCOMPARE(second->windowTitle(), QStringLiteral("名称未設定 2[*]"));
    QCOMPARE(third->windowTitle(), QStringLiteral("名称未設定 3[*]"));

    QVERIFY(host.controller.closeDocument(first));
    QCOMPARE(host.controller.windows().size(), 2);
    QCOMPARE(host.controller.newDocument()->document()->displayName(), QStringLiteral("名称未設定"));
    QCOMPARE(host.controller.newDocument()->document()->displayName(),
             QStringLiteral("名称未設定 4"));
}

void DocumentControllerTest::newDocumentTakesPendingImportContent()
{
    Host host;
    const PixelImage imported = pixmora::test::patternImage(64, 48, {0, 0, 0, 255});
    pixmora::document::setPendingDocumentContent({64, 48, imported.pixels, ColorMode::twoColor});

    DocumentWindow* window = host.controller.newDocument();
    const BitmapDocument& value = window->document()->value();
    QCOMPARE(value.image, imported);
    QCOMPARE(value.colorMode, ColorMode::twoColor);
    QVERIFY(!value.needsSizeConfiguration);
    QVERIFY(window->newCanvasSheet() == nullptr);
    // Imported pixels exist nowhere else: closing must ask.
    QVERIFY(window->isWindowModified());

    const BitmapDocument blank = host.controller.newDocument()->document()->value();
    QCOMPARE(blank, pixmora::document::placeholderDocument());
}

void DocumentControllerTest::openedFileKeepsItsValueAndSavesBack()
{
    QTemporaryDir dir;
    const QString path = pixmora::test::writeSample(QDir(dir.path()), QStringLiteral("a.png"));
    QVERIFY(!path.isEmpty());
    Host host;

    const QList<DocumentWindow*> opened = host.controller.openFiles({path});
    QCOMPARE(opened.size(), 1);
    DocumentWindow* window = opened.first();
    QCOMPARE(window->document()->value(), pixmora::test::sampleDocument());
    QCOMPARE(window->windowTitle(), QStringLiteral("a.png[*]"));
    QVERIFY(window->newCanvasSheet() == nullptr);

    paint(window, 1, 1);
    QVERIFY(window->isWindowModified());
    const BitmapDocument edited = window->document()->value();
    QVERIFY(host.controller.save(window));
    QVERIFY(host.ui->suggestedNames.isEmpty());
    QVERIFY(!window->isWindowModified());
    QCOMPARE(readBack(path), edited);
}

void DocumentControllerTest::savingUntitledAsksForNameAndAddsPngSuffix()
{
    QTemporaryDir dir;
    Host host;
    host.ui->saveNames << dir.filePath(QStringLiteral("picture"));
    DocumentWindow* window = host.controller.newDocument();
    paint(window, 0, 0);

    QVERIFY(host.controller.save(window));
    const QString saved = dir.filePath(QStringLiteral("picture.png"));
    QCOMPARE(QFileInfo(host.ui->suggestedNames.value(0)).fileName(),
             QStringLiteral("名称未設定.png"));
    QCOMPARE(readBack(saved).image, window->document()->value().image);
    QCOMPARE(window->windowTitle(), QStringLiteral("picture.png[*]"));
    QVERIFY(!window->isWindowModified());

    // A name that already ends in .png (any case) is kept as it is.
    host.ui->saveNames << dir.filePath(QStringLiteral("Copy.PNG"));
    QVERIFY(host.controller.saveAs(window));
    QVERIFY(QFileInfo::exists(dir.filePath(QStringLiteral("Copy.PNG"))));
    QVERIFY(!QFileInfo::exists(dir.filePath(QStringLiteral("Copy.PNG.png"))));
}

void DocumentControllerTest::refusedFilesShowTheirTextAndOpenNoWindow_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("expected");
    QTest::newRow("jpeg") << "jpeg" << QStringLiteral("サポートしていない形式です。インポート機能をお試しください");
    QTest::newRow("oversized png") << "big" << QStringLiteral("画像サイズが大きすぎます。インポート機能をお試しください");
    QTest::newRow("text") << "text" << QStringLiteral("サポートしていない形式です");
}

void DocumentControllerTest::refusedFilesShowTheirTextAndOpenNoWindow()
{
    QFETCH(QString, kind);
    QFETCH(QString, expected);
    QTemporaryDir dir;
    QString path;
    if (kind == "jpeg") {
        path = dir.filePath(QStringLiteral("photo.jpg"));
        QImage image(8, 8, QImage::Format_RGB32);
        image.fill(Qt::red);
        QVERIFY(image.save(path, "JPEG"));
    } else if (kind == "big") {
        path = dir.filePath(QStringLiteral("wide.png"));
        QImage image(129, 1, QImage::Format_ARGB32);
        image.fill(Qt::blue);
        QVERIFY(image.save(path, "PNG"));
    } else {
        path = dir.filePath(QStringLiteral("notes.png"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("just some words\n");
    }
    Host host;
    // The good file after the refused one still opens.
    const QString good = pixmora::test::writeSample(QDir(dir.path()), QStringLiteral("good.png"));

    const QList<DocumentWindow*> opened = host.controller.openFiles({path, good});
    QCOMPARE(opened.size(), 1);
    QCOMPARE(opened.first()->document()->filePath(), QFileInfo(good).absoluteFilePath());
    QCOMPARE(host.controller.windows().size(), 1);
    QCOMPARE(host.ui->warnings.size(), 1);
    QCOMPARE(host.ui->warnings.first().text, expected);
    QVERIFY(host.ui->warnings.first().title.contains(QFileInfo(path).fileName()));
}

void DocumentControllerTest::openingAnOpenFileBringsItsWindowForward()
{
    QTemporaryDir dir;
    const QString path = pixmora::test::writeSample(QDir(dir.path()), QStringLiteral("b.png"));
    Host host;
    DocumentWindow* window = host.controller.openFiles({path}).value(0);
    QVERIFY(window);
    host.controller.newDocument();

    const QString sameFile = dir.path() + QStringLiteral("/./b.png");
    const QList<DocumentWindow*> again = host.controller.openFiles({sameFile});
    QCOMPARE(again.size(), 1);
    QCOMPARE(again.first(), window);
    QCOMPARE(host.controller.windows().size(), 2);
}

void DocumentControllerTest::unsavedChangesOnClose_data()
{
    QTest::addColumn<SaveChangesChoice>("choice");
    QTest::addColumn<bool>("closes");
    QTest::addColumn<bool>("fileChanged");
    QTest::newRow("save") << SaveChangesChoice::save << true << true;
    QTest::newRow("discard") << SaveChangesChoice::discard << true << false;
    QTest::newRow("cancel") << SaveChangesChoice::cancel << false << false;
}

void DocumentControllerTest::unsavedChangesOnClose()
{
    QFETCH(SaveChangesChoice, choice);
    QFETCH(bool, closes);
    QFETCH(bool, fileChanged);
    QTemporaryDir dir;
    const QString path = pixmora::test::writeSample(QDir(dir.path()), QStringLiteral("c.png"));
    const QByteArray before = pixmora::test::fileBytes(path);
    Host host;
    DocumentWindow* window = host.controller.openFiles({path}).value(0);

    // Unmodified: closes without a question.
    DocumentWindow* clean = host.controller.newDocument();
    QVERIFY(host.controller.closeDocument(clean));
    QVERIFY(host.ui->saveChangesAsked.isEmpty());

    paint(window, 2, 2);
    const BitmapDocument edited = window->document()->value();
    host.ui->choices << choice;
    QCOMPARE(host.controller.closeDocument(window), closes);
    QCOMPARE(host.ui->saveChangesAsked, QStringList{QStringLiteral("c.png")});
    QCOMPARE(host.controller.windows().size(), closes ? 0 : 1);
    QCOMPARE(pixmora::test::fileBytes(path) != before, fileChanged);
    if (fileChanged)
        QCOMPARE(readBack(path), edited);
    if (!closes) {
        QCOMPARE(window->document()->value(), edited);
        QVERIFY(window->isWindowModified());
    }
}

void DocumentControllerTest::failedSaveOnCloseKeepsWindowOpen()
{
    Host host;
    DocumentWindow* window = host.controller.newDocument();
    paint(window, 0, 0);
    host.ui->choices << SaveChangesChoice::save;  // and then the name dialog is cancelled
    QVERIFY(!host.controller.closeDocument(window));
    QCOMPARE(host.controller.windows().size(), 1);
    QVERIFY(window->document()->isModified());
}

void DocumentControllerTest::failedSaveLosesNothing()
{
    QTemporaryDir dir;
    const QString path = pixmora::test::writeSample(QDir(dir.path()), QStringLiteral("d.png"));
    const QByteArray before = pixmora::test::fileBytes(path);
    // Its parent is a regular file: permissions would not stop root.
    const QString blocked = dir.filePath(QStringLiteral("plain-file"));
    {
        QFile file(blocked);
        QVERIFY(file.open(QIODevice::WriteOnly));
    }
    Host host;
    DocumentWindow* window = host.controller.openFiles({path}).value(0);
    paint(window, 3, 3);
    const BitmapDocument edited = window->document()->value();

    host.ui->saveNames << blocked + QStringLiteral("/e.png");
    QVERIFY(!host.controller.saveAs(window));
    QCOMPARE(host.ui->warnings.size(), 1);
    QVERIFY(host.ui->warnings.first().title.contains(QStringLiteral("保存できませんでした")));
    QVERIFY(window->isWindowModified());
    QCOMPARE(window->document()->filePath(), QFileInfo(path).absoluteFilePath());
    QCOMPARE(window->document()->value(), edited);
    QCOMPARE(pixmora::test::fileBytes(path), before);

    // Closing after the failure still asks, and a failing save keeps the window.
    host.ui->choices << SaveChangesChoice::save;
    QFile::remove(path);
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("d.png")));  // the file's place is taken
    QVERIFY(!host.controller.closeDocument(window));
    QCOMPARE(host.ui->warnings.size(), 2);
    QCOMPARE(host.controller.windows().size(), 1);
}

void DocumentControllerTest::quitAsksEveryModifiedDocumentAndCancelKeepsAllOpen()
{
    Host host;
    DocumentWindow* first = host.controller.newDocument();
    host.controller.newDocument();
    paint(first, 0, 0);
    paint(host.controller.newDocument(), 0, 0);

    host.ui->choices << SaveChangesChoice::discard << SaveChangesChoice::cancel;
    QVERIFY(!host.controller.quit());
    QCOMPARE(host.ui->saveChangesAsked,
             (QStringList{QStringLiteral("名称未設定"), QStringLiteral("名称未設定 3")}));
    QCOMPARE(host.controller.windows().size(), 3);
    QVERIFY(first->document()->isModified());

    host.ui->saveChangesAsked.clear();
    host.ui->choices << SaveChangesChoice::discard << SaveChangesChoice::discard;
    QVERIFY(host.controller.quit());
    QCOMPARE(host.ui->saveChangesAsked.size(), 2);
    QVERIFY(host.controller.windows().isEmpty());
}

void DocumentControllerTest::importActionIsDisabledUntilConnected()
{
    Host host;
    DocumentWindow* window = host.controller.newDocument();
    QAction* import = window->importAction();
    QVERIFY(!import->isEnabled());

    QSignalSpy requested(&host.controller, &DocumentController::importRequested);
    host.controller.setImportEnabled(true);
    QVERIFY(import->isEnabled());
    QVERIFY(host.controller.newDocument()->importAction()->isEnabled());
    import->trigger();
    QCOMPARE(requested.size(), 1);
    QCOMPARE(requested.first().first().value<QWidget*>(), window);
}

QTEST_MAIN(DocumentControllerTest)
#include "document_controller_test.moc"
