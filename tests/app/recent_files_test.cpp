#include <QAction>
#include <QFile>
#include <QMenu>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include "app/document_controller.h"
#include "app/document_window.h"
#include "app/recent_files.h"
#include "document_test_support.h"

using pixmora::app::DocumentWindow;
using pixmora::app::RecentFiles;
using pixmora::test::menuTexts;

namespace {

// A host keeping its list in `settings`.
struct RecentHost : pixmora::test::Host {
    explicit RecentHost(std::unique_ptr<QSettings> settings)
    {
        controller.setRecentFilesSettings(std::move(settings));
    }
};

}  // namespace

class RecentFilesTest : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;

    QString file(const QString& name) const { return m_dir.filePath(name); }
    // Settings in a file of the test's own, never the user's.
    std::unique_ptr<QSettings> settings() const
    {
        return std::make_unique<QSettings>(file("settings.ini"), QSettings::IniFormat);
    }

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }
    void init() { QFile::remove(file("settings.ini")); }

    void newestFirstWithoutRepeatsAtMostTenAndShared()
    {
        RecentFiles recent(settings());
        for (int i = 0; i < 12; ++i)
            recent.add(file(QStringLiteral("%1.png").arg(i)));
        QCOMPARE(recent.paths().size(), RecentFiles::maxCount);
        QCOMPARE(recent.paths().last(), file("2.png"));
        // A listed file moves to the front, and counts once by any spelling of its path.
        recent.add(m_dir.path() + QStringLiteral("/./5.png"));
        QCOMPARE(recent.paths().size(), RecentFiles::maxCount);
        QCOMPARE(recent.paths().mid(0, 3),
                 (QStringList{file("5.png"), file("11.png"), file("10.png")}));
        QCOMPARE(recent.paths().count(file("5.png")), 1);
        // Another running copy added a file meanwhile: it is kept.
        RecentFiles{settings()}.add(file("c.png"));
        recent.add(file("d.png"));
        QCOMPARE(recent.paths().mid(0, 3),
                 (QStringList{file("d.png"), file("c.png"), file("5.png")}));
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
        RecentHost host(settings());
        const QString first = host.sample("first.png");
        const QString second = host.sample("second.png");
        DocumentWindow* one = host.controller.openFiles({first}).value(0);
        DocumentWindow* two = host.controller.openFiles({second}).value(0);
        QCOMPARE(menuTexts(one->recentFilesMenu()),
                 (QStringList{"second.png", "first.png", "-", "履歴を消去"}));
        // Bringing an open file forward is an open too; Save As puts the new name first.
        host.controller.openFiles({first});
        const QString copy = file("copy.png");
        host.ui->saveNames << copy;
        QVERIFY(host.controller.saveAs(two));
        QCOMPARE(host.controller.recentFiles()->paths(), (QStringList{copy, first, second}));
        QCOMPARE(menuTexts(host.controller.newDocument()->recentFilesMenu()).first(),
                 QStringLiteral("copy.png"));
        QCOMPARE(RecentFiles(settings()).paths(), (QStringList{copy, first, second}));
    }

    void choosingItemsOpensThemAndDropsMissingOnes()
    {
        RecentHost host(settings());
        const QString kept = host.sample("kept.png");
        const QString gone = host.sample("gone.png");
        host.controller.recentFiles()->add(gone);
        host.controller.recentFiles()->add(kept);
        DocumentWindow* window = host.controller.newDocument();
        QVERIFY(QFile::remove(gone));
        QMenu* menu = window->recentFilesMenu();
        menu->actions().value(0)->trigger();  // the menu is rebuilt: ask it each time
        QVERIFY(host.controller.windowForFile(kept) != nullptr);
        menu->actions().value(1)->trigger();
        QCOMPARE(host.ui->warnings.size(), 1);
        QCOMPARE(host.ui->warnings[0].title, QStringLiteral("書類“gone.png”を開けませんでした。"));
        QCOMPARE(menuTexts(menu), (QStringList{"kept.png", "-", "履歴を消去"}));
        window->clearRecentFilesAction()->trigger();
        QCOMPARE(menuTexts(menu), QStringList{"履歴を消去"});
        QVERIFY(!menu->isEnabled());
        QVERIFY(RecentFiles(settings()).paths().isEmpty());
    }
};

QTEST_MAIN(RecentFilesTest)
#include "recent_files_test.moc"
