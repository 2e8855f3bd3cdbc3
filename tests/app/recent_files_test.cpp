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

namespace {

// Settings in a file of the test's own, never the user's.
std::unique_ptr<QSettings> settingsIn(const QTemporaryDir& dir)
{
    return std::make_unique<QSettings>(dir.filePath(QStringLiteral("settings.ini")),
                                       QSettings::IniFormat);
}

QStringList itemTexts(QMenu* menu)
{
    QStringList texts;
    for (QAction* action : menu->actions())
        texts << (action->isSeparator() ? QStringLiteral("-") : action->text());
    return texts;
}

QAction* itemNamed(QMenu* menu, const QString& text)
{
    for (QAction* action : menu->actions())
        if (action->text() == text)
            return action;
    return nullptr;
}

}  // namespace

class RecentFilesTest : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;

    QString file(const QString& name) const { return m_dir.filePath(name); }
    QString sample(const QString& name) const
    {
        return pixmora::test::writeSample(QDir(m_dir.path()), name);
    }

private slots:
    void initTestCase()
    {
        // Anything reaching for default settings lands in the test area.
        QStandardPaths::setTestModeEnabled(true);
    }

    void init() { QFile::remove(file(QStringLiteral("settings.ini"))); }

    void newestFirstWithoutRepeatsAndAtMostTen()
    {
        RecentFiles recent(settingsIn(m_dir));
        QVERIFY(recent.paths().isEmpty());
        for (int i = 0; i < 12; ++i)
            recent.add(file(QStringLiteral("%1.png").arg(i)));
        QCOMPARE(recent.paths().size(), RecentFiles::maxCount);
        QCOMPARE(recent.paths().first(), file(QStringLiteral("11.png")));
        QCOMPARE(recent.paths().last(), file(QStringLiteral("2.png")));

        // Adding a listed file moves it to the front; the same file by another
        // spelling of its path counts once.
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
        {
            RecentFiles recent(settingsIn(m_dir));
            recent.add(file("a.png"));
            recent.add(file("b.png"));
        }
        RecentFiles again(settingsIn(m_dir));
        QCOMPARE(again.paths(), (QStringList{file("b.png"), file("a.png")}));

        // Another running copy added a file meanwhile: it is kept.
        {
            RecentFiles other(settingsIn(m_dir));
            other.add(file("c.png"));
        }
        again.add(file("d.png"));
        QCOMPARE(again.paths(),
                 (QStringList{file("d.png"), file("c.png"), file("b.png"), file("a.png")}));

        // A hand-edited list is cut back to ten distinct entries.
        {
            QSettings raw(file(QStringLiteral("settings.ini")), QSettings::IniFormat);
            QStringList many;
            for (int i = 0; i < 15; ++i)
                many << file(QStringLiteral("x%1.png").arg(i % 12));
            raw.setValue(RecentFiles::settingsKey, many);
        }
        RecentFiles trimmed(settingsIn(m_dir));
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
        controller.setRecentFilesSettings(settingsIn(m_dir));
        const QString first = sample(QStringLiteral("first.png"));
        const QString second = sample(QStringLiteral("second.png"));

        DocumentWindow* one = controller.openFiles({first}).value(0);
        QMenu* menu = one->recentFilesMenu();
        QVERIFY(menu->isEnabled());
        QCOMPARE(itemTexts(menu), (QStringList{"first.png", "-", "履歴を消去"}));
        QCOMPARE(menu->actions().first()->toolTip(), QDir::toNativeSeparators(first));

        DocumentWindow* two = controller.openFiles({second}).value(0);
        QCOMPARE(itemTexts(two->recentFilesMenu()),
                 (QStringList{"second.png", "first.png", "-", "履歴を消去"}));
        QCOMPARE(itemTexts(one->recentFilesMenu()), itemTexts(two->recentFilesMenu()));

        // Bringing an open file forward is an open too.
        controller.openFiles({first});
        QCOMPARE(controller.recentFiles()->paths(), (QStringList{first, second}));

        // Save As puts the new name first.
        const QString copy = file(QStringLiteral("copy.png"));
        ui->saveNames << copy;
        QVERIFY(controller.saveAs(two));
        QCOMPARE(controller.recentFiles()->paths(), (QStringList{copy, first, second}));

        // A refused file is not listed.
        QFile text(file(QStringLiteral("words.png")));
        QVERIFY(text.open(QIODevice::WriteOnly));
        text.write("not a picture");
        text.close();
        controller.openFiles({text.fileName()});
        QCOMPARE(controller.recentFiles()->paths().size(), 3);

        // A new window starts with the list as it stands.
        DocumentWindow* fresh = controller.newDocument();
        QCOMPARE(itemTexts(fresh->recentFilesMenu()).first(), QStringLiteral("copy.png"));

        // Kept for the next run.
        QCOMPARE(RecentFiles(settingsIn(m_dir)).paths(), (QStringList{copy, first, second}));
    }

    void choosingItemsOpensThemAndDropsMissingOnes()
    {
        auto* ui = new FakeInteraction;
        DocumentController controller{std::unique_ptr<FakeInteraction>(ui)};
        controller.setRecentFilesSettings(settingsIn(m_dir));
        const QString kept = sample(QStringLiteral("kept.png"));
        const QString gone = sample(QStringLiteral("gone.png"));
        controller.recentFiles()->add(gone);
        controller.recentFiles()->add(kept);
        DocumentWindow* window = controller.newDocument();
        QVERIFY(QFile::remove(gone));

        itemNamed(window->recentFilesMenu(), QStringLiteral("kept.png"))->trigger();
        QVERIFY(controller.windowForFile(kept) != nullptr);
        QVERIFY(ui->warnings.isEmpty());

        itemNamed(window->recentFilesMenu(), QStringLiteral("gone.png"))->trigger();
        QCOMPARE(ui->warnings.size(), 1);
        QCOMPARE(ui->warnings[0].title, QStringLiteral("書類“gone.png”を開けませんでした。"));
        QCOMPARE(controller.recentFiles()->paths(), QStringList{kept});
        QCOMPARE(itemTexts(window->recentFilesMenu()), (QStringList{"kept.png", "-", "履歴を消去"}));

        // A file that exists but is refused stays listed: it may be fixed.
        QFile broken(file(QStringLiteral("broken.png")));
        QVERIFY(broken.open(QIODevice::WriteOnly));
        broken.write("truncated");
        broken.close();
        controller.recentFiles()->add(broken.fileName());
        controller.openRecentFile(broken.fileName());
        QCOMPARE(ui->warnings.size(), 2);
        QVERIFY(controller.recentFiles()->paths().contains(broken.fileName()));

        window->clearRecentFilesAction()->trigger();
        QVERIFY(controller.recentFiles()->paths().isEmpty());
        QCOMPARE(itemTexts(window->recentFilesMenu()), QStringList{"履歴を消去"});
        QVERIFY(!window->recentFilesMenu()->isEnabled());
        QVERIFY(RecentFiles(settingsIn(m_dir)).paths().isEmpty());
    }

    void withoutSettingsTheListLastsOneRun()
    {
        DocumentController controller{std::make_unique<FakeInteraction>()};
        const QString path = sample(QStringLiteral("only.png"));
        controller.openFiles({path});
        QCOMPARE(controller.recentFiles()->paths(), QStringList{path});
        QVERIFY(!QFile::exists(file(QStringLiteral("settings.ini"))));
    }
};

QTEST_MAIN(RecentFilesTest)
#include "recent_files_test.moc"
