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
    }

    void menuTextsNameFilesAndTellTwinsApart()
    {
        const QStringList paths{"/pics/a/heart.png", "/pics/b/heart.png", "/pics/star&moon.png"};
        QCOMPARE(pixmora::app::recentFileMenuTexts(paths),
                 (QStringList{QStringLiteral("heart.png — /pics/a"),
                              QStringLiteral("heart.png — /pics/b"),
                              QStringLiteral("star&moon.png")}));
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
