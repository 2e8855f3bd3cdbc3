#include <QApplication>
#include <QFile>
#include <QFontDatabase>
#include <QTest>

#include "app/after_first_paint.h"
#include "app/application.h"
#include "app/document_window.h"
#include "app/hosted_document.h"
#include "document_test_support.h"

using pixmora::app::PixmoraApp;
using pixmora::test::FakeInteraction;

struct PaintCounter : QWidget {
    int paints = 0;
    void paintEvent(QPaintEvent*) override { ++paints; }
};

class ApplicationTest : public QObject {
    Q_OBJECT

private slots:
    void startUpAddsAJapaneseFontAndLoadsNoImagePlugin()
    {
        // Runs first: reading any image of unnamed format loads every format plugin.
        const QString desktopFamily = qApp->font().family();
        pixmora::app::configureApplication(*qApp);
        const QStringList families = qApp->font().families();
        QCOMPARE(families.value(0), desktopFamily);
        if (QFontDatabase::families().contains(QStringLiteral("IPAGothic")))
            QVERIFY(families.contains(QStringLiteral("IPAGothic")));
        PixmoraApp app(std::make_unique<FakeInteraction>());
        app.start({});
        QCOMPARE(app.documents().windows().size(), 1);
        QVERIFY(app.documents().windows().first()->isVisible());
        QFile maps(QStringLiteral("/proc/self/maps"));
        QVERIFY(maps.open(QIODevice::ReadOnly));
        const QByteArray mapped = maps.readAll();
        QVERIFY(mapped.contains("libQt6Widgets"));
        QVERIFY2(!mapped.contains("/imageformats/"), "an image-format plugin was loaded");
        // Qt's own dialogs speak Japanese too (qt6-translations-l10n), once painted.
        QTRY_COMPARE(QCoreApplication::translate("QPlatformTheme", "Cancel"),
                     QStringLiteral("キャンセル"));
    }

    void launchWorkWaitsForTheFirstPaint()
    {
        PaintCounter window;
        window.resize(40, 30);
        window.show();
        int paintsWhenRun = -1;
        pixmora::app::runAfterFirstPaint(&window, [&] { paintsWhenRun = window.paints; });
        QCOMPARE(paintsWhenRun, -1);
        QTRY_VERIFY(paintsWhenRun != -1);
        QVERIFY(paintsWhenRun > 0);
    }

    void launchOpensTheGivenFilesOrAnEmptyWindow()
    {
        QTemporaryDir dir;
        const QString file = pixmora::test::writeSample(QDir(dir.path()), "1.png");
        const QString previous = QDir::currentPath();
        QDir::setCurrent(dir.path());
        PixmoraApp app(std::make_unique<FakeInteraction>());
        app.start({QStringLiteral("1.png")});
        QDir::setCurrent(previous);
        QCOMPARE(app.documents().windows().size(), 1);
        QVERIFY(app.documents().windowForFile(file));
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
