#include <QApplication>
#include <QFile>
#include <QStyle>
#include <QTemporaryDir>
#include <QTest>

#include "app/after_first_paint.h"
#include "app/application.h"
#include "app/document_window.h"
#include "app/hosted_document.h"
#include "document_test_support.h"

using pixmora::app::PixmoraApp;
using pixmora::test::FakeInteraction;

class PaintCounter : public QWidget {
public:
    int paints = 0;

protected:
    void paintEvent(QPaintEvent*) override { ++paints; }
};

class ApplicationTest : public QObject {
    Q_OBJECT

private slots:
    void buildingTheFirstWindowLoadsNoImagePlugin()
    {
        // Qt loads every image-format plugin the first time it reads an image of
        // unnamed format; a launch that did so would pay for all of them before its
        // window appears. Runs first, before any test here reads or writes an image.
        pixmora::app::configureApplication(*qApp);
        PixmoraApp app(std::make_unique<FakeInteraction>());
        app.start({});
        QCOMPARE(app.documents().windows().size(), 1);
        QVERIFY(app.documents().windows().first()->isVisible());
        QFile maps(QStringLiteral("/proc/self/maps"));
        QVERIFY(maps.open(QIODevice::ReadOnly));
        const QByteArray mapped = maps.readAll();
        QVERIFY(mapped.contains("libQt6Widgets"));
        QVERIFY2(!mapped.contains("/imageformats/"), "an image-format plugin was loaded");

        // The menu bar's overflow button gets our symbol instead, and it draws.
        const QImage chevron = QApplication::style()
                                   ->standardIcon(QStyle::SP_ToolBarHorizontalExtensionButton)
                                   .pixmap(16)
                                   .toImage();
        QCOMPARE(chevron.size(), QSize(16, 16));
        int inked = 0;
        for (int y = 0; y < chevron.height(); ++y)
            for (int x = 0; x < chevron.width(); ++x)
                inked += qAlpha(chevron.pixel(x, y)) > 0 ? 1 : 0;
        QVERIFY(inked > 10);
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
