#include "cli/batch_converter.h"

#include <set>
#include <utility>
#include <vector>

#include <sys/stat.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QMutex>
#include <QMutexLocker>
#include <QSaveFile>
#include <QThread>
#include <QThreadPool>

#include "document/bitmap_document.h"
#include "document/import_conversion.h"
#include "document/raster_bridge.h"

namespace pixmora::cli {

namespace {

// No image worth importing comes near this; reading more would only waste memory.
constexpr qint64 kMaxInputBytes = qint64(256) * 1024 * 1024;

using FileId = std::pair<dev_t, ino_t>;

std::optional<FileId> fileId(const QString& path)
{
    struct stat info {};
    if (::stat(QFile::encodeName(path).constData(), &info) != 0) {
        return std::nullopt;
    }
    return FileId{info.st_dev, info.st_ino};
}

// A key that names the same place for every spelling of a path whose folder exists.
QString placeKey(const QString& path)
{
    const QFileInfo info(path);
    const QString folder = QFileInfo(info.absolutePath()).canonicalFilePath();
    return folder.isEmpty() ? info.absoluteFilePath() : QDir(folder).filePath(info.fileName());
}

bool cancelled(const std::atomic<bool>* cancel)
{
    return cancel && cancel->load();
}

std::optional<QString> readInput(const QString& path, document::Bytes& data)
{
    const QFileInfo info(path);
    if (!info.exists()) {
        return QStringLiteral("no such file");
    }
    if (!info.isFile()) {
        return QStringLiteral("not a regular file");
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return QStringLiteral("cannot read: %1").arg(file.errorString());
    }
    if (file.size() > kMaxInputBytes) {
        return QStringLiteral("file too large (over 256 MiB)");
    }
    const QByteArray contents = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        return QStringLiteral("cannot read: %1").arg(file.errorString());
    }
    data.assign(contents.begin(), contents.end());
    return std::nullopt;
}

// Serialises failure lines and the progress line from the worker threads.
class Reporter {
public:
    Reporter(std::FILE* err, bool showProgress, qsizetype total)
        : m_err(err), m_showProgress(showProgress), m_total(total)
    {
    }

    void failure(const QString& input, const QString& reason)
    {
        QMutexLocker lock(&m_mutex);
        clearProgress();
        std::fprintf(m_err, "pixmora-convert: %s: %s\n", qUtf8Printable(input),
                     qUtf8Printable(reason));
        drawProgress();
    }

    void done()
    {
        QMutexLocker lock(&m_mutex);
        ++m_done;
        drawProgress();
    }

    void finish()
    {
        QMutexLocker lock(&m_mutex);
        clearProgress();
        std::fflush(m_err);
    }

private:
    void clearProgress()
    {
        if (m_showProgress) {
            std::fputs("\r\033[K", m_err);
        }
    }
    void drawProgress()
    {
        if (m_showProgress) {
            std::fprintf(m_err, "\r\033[Kpixmora-convert: %lld/%lld",
                         static_cast<long long>(m_done), static_cast<long long>(m_total));
        }
        std::fflush(m_err);
    }

    QMutex m_mutex;
    std::FILE* m_err;
    bool m_showProgress;
    qsizetype m_total;
    qsizetype m_done = 0;
};

}  // namespace

QString outputPathFor(const QString& input, const ConvertOptions& options)
{
    if (!options.outputFile.isEmpty()) {
        return options.outputFile;
    }
    const QFileInfo info(input);
    const QString base =
        info.completeBaseName().isEmpty() ? info.fileName() : info.completeBaseName();
    return QDir(options.outputDir).filePath(base + QStringLiteral(".png"));
}

std::optional<QString> convertFile(const ConversionTask& task, const ConvertOptions& options,
                                   const std::atomic<bool>* cancel)
{
    document::Bytes data;
    if (auto failure = readInput(task.input, data)) {
        return failure;
    }
    const auto sourceSize = document::sourceImageSize(data);
    if (!sourceSize) {
        return QStringLiteral("not a readable image");
    }
    const auto [width, height] =
        options.size
            ? std::pair<std::int64_t, std::int64_t>(options.size->width(), options.size->height())
            : convert::initialImportSize(sourceSize->width(), sourceSize->height());
    const auto image = document::convertImportData(data, width, height, options.mode,
                                                   options.method, options.dither);
    if (!image) {
        return QStringLiteral("cannot decode the image (damaged, or too large to decode)");
    }
    const auto bytes = document::writeDocument({*image, false, options.mode});
    if (!bytes) {
        return QStringLiteral("cannot encode the document");
    }

    QSaveFile file(task.output);
    if (!file.open(QIODevice::WriteOnly)) {
        return QStringLiteral("cannot write %1: %2").arg(task.output, file.errorString());
    }
    const auto size = static_cast<qint64>(bytes->size());
    if (file.write(reinterpret_cast<const char*>(bytes->data()), size) != size) {
        return QStringLiteral("cannot write %1: %2").arg(task.output, file.errorString());
    }
    if (cancelled(cancel)) {
        file.cancelWriting();
        return QStringLiteral("interrupted");
    }
    if (!file.commit()) {
        return QStringLiteral("cannot write %1: %2").arg(task.output, file.errorString());
    }
    return std::nullopt;
}

BatchReport runBatch(const ConvertOptions& options, std::FILE* err, bool showProgress,
                     const std::atomic<bool>* cancel)
{
    std::set<FileId> inputIds;
    QHash<QString, QString> inputPlaces;
    for (const QString& input : options.inputs) {
        if (const auto id = fileId(input)) {
            inputIds.insert(*id);
        }
        inputPlaces.insert(placeKey(input), input);
    }
    if (!options.outputDir.isEmpty()) {
        QDir().mkpath(options.outputDir);  // a failure shows as each input's write error
    }

    // Decide every output before converting anything, so the checks do not depend
    // on which conversion finishes first.
    struct Planned {
        ConversionTask task;
        std::optional<QString> refusal;
    };
    std::vector<Planned> plan;
    QHash<QString, QString> claimedBy;
    for (const QString& input : options.inputs) {
        Planned planned{{input, outputPathFor(input, options)}, std::nullopt};
        const QString place = placeKey(planned.task.output);
        const auto outputId = fileId(planned.task.output);
        if (inputPlaces.contains(place) || (outputId && inputIds.count(*outputId))) {
            planned.refusal = QStringLiteral("output %1 is an input file; not overwritten")
                                  .arg(planned.task.output);
        } else if (claimedBy.contains(place)) {
            planned.refusal = QStringLiteral("output %1 is already the output of %2")
                                  .arg(planned.task.output, claimedBy.value(place));
        } else {
            claimedBy.insert(place, input);
        }
        plan.push_back(std::move(planned));
    }

    Reporter reporter(err, showProgress, static_cast<qsizetype>(plan.size()));
    BatchReport report;
    QMutex reportMutex;
    QThreadPool pool;
    pool.setMaxThreadCount(options.jobs > 0 ? options.jobs : QThread::idealThreadCount());
    for (const Planned& planned : plan) {
        pool.start([&, planned] {
            if (cancelled(cancel)) {
                QMutexLocker lock(&reportMutex);
                ++report.skipped;
                return;
            }
            const auto failure =
                planned.refusal ? planned.refusal : convertFile(planned.task, options, cancel);
            if (failure) {
                reporter.failure(planned.task.input, *failure);
            }
            reporter.done();
            QMutexLocker lock(&reportMutex);
            ++(failure ? report.failed : report.converted);
        });
    }
    pool.waitForDone();
    reporter.finish();
    return report;
}

}  // namespace pixmora::cli
