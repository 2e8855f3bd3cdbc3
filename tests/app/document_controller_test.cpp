#include <QFileInfo>
#include <QImage>
#include <QTest>

#include "app/document_controller.h"
#include "app/document_window.h"
#include "app/hosted_document.h"
#include "document_test_support.h"

using pixmora::app::DocumentWindow;
using pixmora::app::SaveChangesChoice;
using pixmora::document::BitmapDocument;
using pixmora::test::fileBytes;
using pixmora::test::Host;

namespace {

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
    void sameFileByAnotherSpellingOpensOnce()
    {
        Host host;
        DocumentWindow* window = host.open();
        const QString sameFile = host.dir.path() + QStringLiteral("/./doc.png");
        QCOMPARE(host.controller.openFiles({sameFile}).value(0), window);
        QCOMPARE(host.controller.windows().size(), 1);
    }

    void savingUntitledAsksForNameAndAddsPngSuffix()
    {
        Host host;
        DocumentWindow* window = host.controller.newDocument();
        paint(window, 0, 0);
        // Save chosen on close, then the name dialog cancelled.
        host.ui->choices << SaveChangesChoice::save;
        QVERIFY(!host.controller.closeDocument(window));
        QCOMPARE(host.controller.windows().size(), 1);
        QVERIFY(window->document()->isModified());

        host.ui->saveNames << host.dir.filePath(QStringLiteral("picture"));
        QVERIFY(host.controller.save(window));
        QCOMPARE(QFileInfo(host.ui->suggestedNames.value(1)).fileName(),
                 QStringLiteral("名称未設定.png"));
        QCOMPARE(readBack(host.dir.filePath(QStringLiteral("picture.png"))).image,
                 window->document()->value().image);
        QCOMPARE(window->windowTitle(), QStringLiteral("picture.png[*]"));
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
        const struct {
            SaveChangesChoice choice;
            bool closes;
            bool fileChanged;
        } rows[] = {{SaveChangesChoice::save, true, true},
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
            if (!closes)
                QVERIFY(window->isWindowModified());
        }
    }

    void failedSaveLosesNothing()
    {
        Host host;
        const QString path = host.sample(QStringLiteral("d.png"));
        const QByteArray before = fileBytes(path);
        // Its parent is a regular file: permissions would not stop root.
        const QString blocked = pixmora::test::writeText(QDir(host.dir.path()), "plain-file");
        DocumentWindow* window = host.controller.openFiles({path}).value(0);
        paint(window, 3, 3);
        host.ui->saveNames << blocked + QStringLiteral("/e.png");
        QVERIFY(!host.controller.saveAs(window));
        QCOMPARE(host.ui->warnings.size(), 1);
        QVERIFY(host.ui->warnings.first().title.contains(QStringLiteral("保存できませんでした")));
        QVERIFY(window->isWindowModified());
        QCOMPARE(fileBytes(path), before);
    }
};

QTEST_MAIN(DocumentControllerTest)
#include "document_controller_test.moc"
