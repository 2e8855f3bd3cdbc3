#include <tuple>

#include <QFileInfo>
#include <QImage>
#include <QSettings>
#include <QStandardPaths>
#include <QTest>

#include "app/document_controller.h"
#include "app/document_window.h"
#include "app/hosted_document.h"
#include "app/recent_files.h"
#include "document_test_support.h"

using pixmora::app::DocumentWindow;
using pixmora::app::RecentFiles;
using pixmora::app::SaveChangesChoice;
using pixmora::document::BitmapDocument;
using pixmora::test::Host;

namespace {

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

// Settings in a file of the test's own, never the user's.
std::unique_ptr<QSettings> settingsIn(const QTemporaryDir& dir)
{
    return std::make_unique<QSettings>(dir.filePath("settings.ini"), QSettings::IniFormat);
}

}  // namespace

class DocumentControllerTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void savingUntitledAsksForNameAndAddsPngSuffix()
    {
        Host host;
        DocumentWindow* window = host.controller.newDocument();
        paint(window, 0, 0);
        host.ui->saveNames << host.dir.filePath(QStringLiteral("picture"));
        QVERIFY(host.controller.save(window));
        QCOMPARE(QFileInfo(host.ui->suggestedNames.value(0)).fileName(),
                 QStringLiteral("名称未設定.png"));
        QCOMPARE(readBack(host.dir.filePath(QStringLiteral("picture.png"))).image,
                 window->document()->value().image);
        QCOMPARE(window->windowTitle(), QStringLiteral("picture.png[*]"));
        // The next file dialogs start where this file went.
        const QString folder = QFileInfo(host.dir.path()).absoluteFilePath();
        DocumentWindow* second = host.controller.newDocument();
        QVERIFY(!host.controller.saveAs(second));
        QCOMPARE(QFileInfo(host.ui->suggestedNames.value(1)).absolutePath(), folder);
        host.controller.open(second);
        QCOMPARE(host.ui->openFolders, QStringList{folder});
    }

    void refusedFilesShowTheirTextAndOpenNoWindow()
    {
        Host host;
        const QString jpeg = host.dir.filePath(QStringLiteral("photo.jpg"));
        QVERIFY(QImage(8, 8, QImage::Format_RGB32).save(jpeg, "JPEG"));
        const QString wide = host.dir.filePath(QStringLiteral("wide.png"));
        QVERIFY(QImage(129, 1, QImage::Format_ARGB32).save(wide, "PNG"));
        const QString text = pixmora::test::writeText(QDir(host.dir.path()), "notes.png");
        const QStringList files{jpeg, wide, text};
        QVERIFY(host.controller.openFiles(files).isEmpty());
        const QStringList texts{
            QStringLiteral("サポートしていない形式です。インポート機能をお試しください"),
            QStringLiteral("画像サイズが大きすぎます。インポート機能をお試しください"),
            QStringLiteral("サポートしていない形式です")};
        QCOMPARE(host.ui->warnings.size(), 3);
        for (int i = 0; i < 3; ++i) {
            QCOMPARE(host.ui->warnings[i].text, texts[i]);
            QVERIFY(host.ui->warnings[i].title.contains(QFileInfo(files[i]).fileName()));
        }
    }

    void unsavedChangesOnClose()
    {
        const std::tuple<SaveChangesChoice, bool, bool> rows[] = {
            {SaveChangesChoice::save, true, true},
            {SaveChangesChoice::discard, true, false},
            {SaveChangesChoice::cancel, false, false}};
        for (const auto& [choice, closes, fileChanged] : rows) {
            Host host;
            const QString path = host.sample(QStringLiteral("c.png"));
            DocumentWindow* window = host.controller.openFiles({path}).value(0);
            paint(window, 2, 2);
            const BitmapDocument edited = window->document()->value();
            host.ui->choices << choice;
            QCOMPARE(host.controller.closeDocument(window), closes);
            QCOMPARE(host.ui->saveChangesAsked, QStringList{QStringLiteral("c.png")});
            QCOMPARE(host.controller.windows().size(), closes ? 0 : 1);
            QCOMPARE(readBack(path), fileChanged ? edited : pixmora::test::sampleDocument());
        }
    }

    void failedSaveLosesNothing()
    {
        Host host;
        const QString path = host.sample(QStringLiteral("d.png"));
        // A regular file as parent: permissions would not stop root.
        const QString blocked = pixmora::test::writeText(QDir(host.dir.path()), "plain-file");
        DocumentWindow* window = host.controller.openFiles({path}).value(0);
        paint(window, 3, 3);
        host.ui->saveNames << blocked + QStringLiteral("/e.png");
        QVERIFY(!host.controller.saveAs(window));
        QCOMPARE(host.ui->warnings.size(), 1);
        QVERIFY(host.ui->warnings.first().title.contains(QStringLiteral("保存できませんでした")));
        QVERIFY(window->isWindowModified());
        QCOMPARE(readBack(path), pixmora::test::sampleDocument());
    }

    void recentFilesNewestFirstAtMostTenSharedAndPruned()
    {
        Host host;
        host.controller.setRecentFilesSettings(settingsIn(host.dir));
        RecentFiles* recent = host.controller.recentFiles();
        for (int i = 0; i < 12; ++i)
            recent->add(host.dir.filePath(QStringLiteral("%1.png").arg(i)));
        // Moves to the front, and counts once by any spelling of its path.
        recent->add(host.dir.path() + QStringLiteral("/./5.png"));
        // Another running copy added a file meanwhile: it is kept.
        const QString kept = host.sample("kept.png");
        RecentFiles{settingsIn(host.dir)}.add(kept);
        recent->add(host.dir.filePath("gone.png"));
        DocumentWindow* window = host.controller.newDocument();
        QMenu* menu = window->recentFilesMenu();
        menu->actions().value(1)->trigger();  // the menu is rebuilt: ask it each time
        QVERIFY(host.controller.windowForFile(kept) != nullptr);
        menu->actions().value(1)->trigger();
        QCOMPARE(host.ui->warnings.size(), 1);
        QCOMPARE(host.ui->warnings[0].title, QStringLiteral("書類“gone.png”を開けませんでした。"));
        QCOMPARE(pixmora::test::menuTexts(menu),
                 (QStringList{"kept.png", "5.png", "11.png", "10.png", "9.png", "8.png", "7.png",
                              "6.png", "4.png", "-", "履歴を消去"}));
        window->clearRecentFilesAction()->trigger();
        QCOMPARE(pixmora::test::menuTexts(menu), QStringList{"履歴を消去"});
        QVERIFY(RecentFiles(settingsIn(host.dir)).paths().isEmpty());
    }
};

QTEST_MAIN(DocumentControllerTest)
#include "document_controller_test.moc"
