#include <QAction>
#include <QFile>
#include <QMenu>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include "app/document_controller.h"
#include "app/document_window.h"
#include "app/hosted_document.h"
#include "app/recent_files.h"
#include "document_test_support.h"

using pixmora::app::DocumentController;
using pixmora::app::DocumentWindow;
using pixmora::app::RecentFiles;
using pixmora::test::FakeInteraction;
using pixmora::test::menuTexts;
using pixmora::test::writeText;

class RecentFilesTest : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;

    QString file(const QString& name) const { return m_dir.filePath(name); }
    QString sample(const QString& name) const
    {
        return pixmora::test::writeSample(QDir(m_dir.path()), name);
    }
    // Settings in a file of the test's own, never the user's.
    std::unique_ptr<QSettings> settings() const
    {
        return std::make_unique<QSettings>(file("settings.ini"), QSettings::IniFormat);
    }

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }
    void init() { QFile::remove(file("settings.ini")); }

    void newestFirstWithoutRepeatsAndAtMostTen()
    {
        RecentFiles recent(settings());
        QVERIFY(recent.paths().isEmpty());
        for (int i = 0; i < 12; ++i)
            recent.add(file(QStringLiteral("%1.png").arg(i)));
        QCOMPARE(recent.paths().size(), RecentFiles::maxCount);
        QCOMPARE(recent.paths().first(), file("11.png"));
        QCOMPARE(recent.paths().last(), file("2.png"));
        // A listed file moves to the front, and counts once by any spelling of its path.
        recent.add(m_dir.path() + QStringLiteral("/./5.png"));
        QCOMPARE(recent.paths().size(), RecentFiles::maxCount);
        QCOMPARE(recent.paths().mid(0, 3),
                 (QStringList{file("5.png"), file("11.png"), file("10.png")}));
        QCOMPARE(recent.paths().count(file("5.png")), 1);
        recent.remove(file("11.png"));
        QVERIFY(!recent.paths().contains(file("11.png")));
        recent.clear();
        QVERIFY(recent.paths().isEmpty());
    }

    void listOutlivesTheProgramInItsSettings()
    {
        RecentFiles{settings()}.add(file("a.png"));
        RecentFiles again(settings());
        QCOMPARE(again.paths(), QStringList{file("a.png")});
        // Another running copy added a file meanwhile: it is kept.
        RecentFiles{settings()}.add(file("c.png"));
        again.add(file("d.png"));
        QCOMPARE(again.paths(), (QStringList{file("d.png"), file("c.png"), file("a.png")}));
        // A hand-edited list is cut back to ten distinct entries.
        QStringList many;
        for (int i = 0; i < 15; ++i)
            many << file(QStringLiteral("x%1.png").arg(i % 12));
        settings()->setValue(RecentFiles::settingsKey, many);
        RecentFiles trimmed(settings());
        QCOMPARE(trimmed.paths().size(), 10);
        QCOMPARE(trimmed.paths().first(), file("x0.png"));
    }

    void menuTextsNameFilesAndTellTwinsApart()
    {
        const QStringList paths{"/pics/a/heart.png", "/pics/b/heart.png", "/pics/star&moon.png"};
        QCOMPARE(pixmora::app::recentFileMenuTexts(paths),
                 (QStringList{QStringLiteral("heart.png — /pics/a"),
                              QStringLiteral("heart.png — /pics/b"),
                              QStringLiteral("star&moon.png")}));
    }

    void openingAndSavingFillEveryWindowsMenu()
    {
        auto* ui = new FakeInteraction;
        DocumentController controller{std::unique_ptr<FakeInteraction>(ui)};
        controller.setRecentFilesSettings(settings());
        const QString first = sample("first.png");
        const QString second = sample("second.png");
        DocumentWindow* one = controller.openFiles({first}).value(0);
        QMenu* menu = one->recentFilesMenu();
        QVERIFY(menu->isEnabled());
        QCOMPARE(menuTexts(menu), (QStringList{"first.png", "-", "履歴を消去"}));
        QCOMPARE(menu->actions().first()->toolTip(), QDir::toNativeSeparators(first));
        DocumentWindow* two = controller.openFiles({second}).value(0);
        QCOMPARE(menuTexts(two->recentFilesMenu()),
                 (QStringList{"second.png", "first.png", "-", "履歴を消去"}));
        QCOMPARE(menuTexts(one->recentFilesMenu()), menuTexts(two->recentFilesMenu()));
        // Bringing an open file forward is an open too; Save As puts the new name first.
        controller.openFiles({first});
        const QString copy = file("copy.png");
        ui->saveNames << copy;
        QVERIFY(controller.saveAs(two));
        QCOMPARE(controller.recentFiles()->paths(), (QStringList{copy, first, second}));
        // A refused file is not listed.
        controller.openFiles({writeText(QDir(m_dir.path()), "words.png")});
        QCOMPARE(controller.recentFiles()->paths().size(), 3);
        // A new window starts with the list as it stands, kept for the next run.
        QCOMPARE(menuTexts(controller.newDocument()->recentFilesMenu()).first(),
                 QStringLiteral("copy.png"));
        QCOMPARE(RecentFiles(settings()).paths(), (QStringList{copy, first, second}));
    }

    void choosingItemsOpensThemAndDropsMissingOnes()
    {
        auto* ui = new FakeInteraction;
        DocumentController controller{std::unique_ptr<FakeInteraction>(ui)};
        controller.setRecentFilesSettings(settings());
        const QString kept = sample("kept.png");
        const QString gone = sample("gone.png");
        controller.recentFiles()->add(gone);
        controller.recentFiles()->add(kept);
        DocumentWindow* window = controller.newDocument();
        QVERIFY(QFile::remove(gone));
        QMenu* menu = window->recentFilesMenu();
        QCOMPARE(menuTexts(menu).mid(0, 2), (QStringList{"kept.png", "gone.png"}));
        menu->actions().value(0)->trigger();  // the menu is rebuilt: ask it each time
        QVERIFY(controller.windowForFile(kept) != nullptr);
        QVERIFY(ui->warnings.isEmpty());
        menu->actions().value(1)->trigger();
        QCOMPARE(ui->warnings.size(), 1);
        QCOMPARE(ui->warnings[0].title, QStringLiteral("書類“gone.png”を開けませんでした。"));
        QCOMPARE(menuTexts(menu), (QStringList{"kept.png", "-", "履歴を消去"}));
        // A file that exists but is refused stays listed: it may be fixed.
        const QString broken = writeText(QDir(m_dir.path()), "broken.png");
        controller.recentFiles()->add(broken);
        controller.openRecentFile(broken);
        QCOMPARE(ui->warnings.size(), 2);
        QVERIFY(controller.recentFiles()->paths().contains(broken));
        window->clearRecentFilesAction()->trigger();
        QVERIFY(controller.recentFiles()->paths().isEmpty());
        QCOMPARE(menuTexts(menu), QStringList{"履歴を消去"});
        QVERIFY(!menu->isEnabled());
        QVERIFY(RecentFiles(settings()).paths().isEmpty());
    }

    void withoutSettingsTheListLastsOneRun()
    {
        DocumentController controller{std::make_unique<FakeInteraction>()};
        const QString path = sample("only.png");
        controller.openFiles({path});
        QCOMPARE(controller.recentFiles()->paths(), QStringList{path});
        QVERIFY(!QFile::exists(file("settings.ini")));
    }
};

QTEST_MAIN(RecentFilesTest)
#include "recent_files_test.moc"
