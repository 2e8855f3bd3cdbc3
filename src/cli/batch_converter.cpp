#include "cli/batch_converter.h"

#include <cerrno>
#include <cstring>
#include <set>
#include <utility>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QMutex>
#include <QMutexLocker>
#include <QRandomGenerator>
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
    // Straight into the buffer the decoder reads: no second copy of a large photo.
    data.resize(static_cast<std::size_t>(file.size()));
    const qint64 read = file.read(reinterpret_cast<char*>(data.data()), file.size());
    if (read < 0 || file.error() != QFileDevice::NoError) {
        return QStringLiteral("cannot read: %1").arg(file.errorString());
    }
    data.resize(static_cast<std::size_t>(read));
    return std::nullopt;
}

QString systemError(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

// Where writing `path` puts the bytes: the end of its chain of symbolic links, as
// QSaveFile resolves it.
QString finalPath(const QString& path)
{
    QFileInfo info(path);
    int depth = 128;
    while (--depth > 0 && info.isSymLink()) {
        info.setFile(info.symLinkTarget());
    }
    return depth > 0 ? info.filePath() : path;
}

// Writes bytes to path through a new file in the same folder renamed over it, so
// a reader sees the old document or the new one, never part of one. Unlike
// QSaveFile it does not wait for each file to reach the disk: runBatch flushes the
// written folders once at the end. Returns the folder written to.
std::optional<QString> writeAtomically(const QString& path, const document::Bytes& bytes,
                                       const std::atomic<bool>* cancel, QString& folder)
{
    const QString target = finalPath(path);
    const QByteArray targetName = QFile::encodeName(target);
    struct stat existing {};
    const bool exists = ::stat(targetName.constData(), &existing) == 0;
    if (exists && ::access(targetName.constData(), W_OK) != 0) {
        return QStringLiteral("cannot write %1: Existing file %1 is not writable").arg(path);
    }
    QByteArray temporary;
    int fd = -1;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        temporary = targetName + '.'
                    + QByteArray::number(QRandomGenerator::global()->generate(), 36);
        fd = ::open(temporary.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST) {
            break;
        }
    }
    if (fd < 0) {
        return QStringLiteral("cannot write %1: %2").arg(path, systemError(errno));
    }
    const auto fail = [&](int error) -> std::optional<QString> {
        ::close(fd);
        ::unlink(temporary.constData());
        return QStringLiteral("cannot write %1: %2").arg(path, systemError(error));
    };
    if (exists && ::fchmod(fd, existing.st_mode & 07777) != 0) {
        return fail(errno);
    }
    for (std::size_t done = 0; done < bytes.size();) {
        const ssize_t wrote = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (wrote < 0 && errno != EINTR) {
            return fail(errno);
        }
        done += static_cast<std::size_t>(std::max<ssize_t>(wrote, 0));
    }
    if (cancelled(cancel)) {
        ::close(fd);
        ::unlink(temporary.constData());
        return QStringLiteral("interrupted");
    }
    if (::close(fd) != 0) {
        const int error = errno;
        ::unlink(temporary.constData());
        return QStringLiteral("cannot write %1: %2").arg(path, systemError(error));
    }
    if (::rename(temporary.constData(), targetName.constData()) != 0) {
        const int error = errno;
        ::unlink(temporary.constData());
        return QStringLiteral("cannot write %1: %2").arg(path, systemError(error));
    }
    folder = QFileInfo(target).absolutePath();
    return std::nullopt;
}

// Brings everything written under each folder to the disk: one flush per file
// system instead of one per document.
std::optional<QString> flushToDisk(const std::set<QString>& folders)
{
    for (const QString& folder : folders) {
        const int fd = ::open(QFile::encodeName(folder).constData(),
                              O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (fd < 0) {
            return QStringLiteral("%1: %2").arg(folder, systemError(errno));
        }
        const bool synced = ::syncfs(fd) == 0;
        const int error = errno;
        ::close(fd);
        if (!synced) {
            return QStringLiteral("%1: %2").arg(folder, systemError(error));
        }
    }
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
                                   const std::atomic<bool>* cancel, QString* writtenFolder)
{
    document::Bytes data;
    if (auto failure = readInput(task.input, data)) {
        return failure;
    }
    const QString unreadable = QStringLiteral("not a readable image");
    std::pair<std::int64_t, std::int64_t> size;
    if (options.size) {
        // The header is read again only to explain a failure.
        size = {options.size->width(), options.size->height()};
    } else if (const auto sourceSize = document::sourceImageSize(data)) {
        size = convert::initialImportSize(sourceSize->width(), sourceSize->height());
    } else {
        return unreadable;
    }
    const auto image = document::convertImportData(data, size.first, size.second, options.mode,
                                                   options.method, options.dither);
    if (!image) {
        if (options.size && !document::sourceImageSize(data)) {
            return unreadable;
        }
        return QStringLiteral("cannot decode the image (damaged, or too large to decode)");
    }
    const auto bytes = document::writeDocument({*image, false, options.mode});
    if (!bytes) {
        return QStringLiteral("cannot encode the document");
    }
    QString folder;
    if (auto failure = writeAtomically(task.output, *bytes, cancel, folder)) {
        return failure;
    }
    if (writtenFolder) {
        *writtenFolder = folder;
    } else if (auto failure = flushToDisk({folder})) {
        return QStringLiteral("cannot flush %1 to disk: %2").arg(task.output, *failure);
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
    std::set<QString> writtenFolders;
    QThreadPool pool;
    pool.setMaxThreadCount(options.jobs > 0 ? options.jobs : QThread::idealThreadCount());
    for (const Planned& planned : plan) {
        pool.start([&, planned] {
            if (cancelled(cancel)) {
                QMutexLocker lock(&reportMutex);
                ++report.skipped;
                return;
            }
            QString folder;
            const auto failure = planned.refusal
                                     ? planned.refusal
                                     : convertFile(planned.task, options, cancel, &folder);
            if (failure) {
                reporter.failure(planned.task.input, *failure);
            }
            reporter.done();
            QMutexLocker lock(&reportMutex);
            ++(failure ? report.failed : report.converted);
            if (!failure) {
                writtenFolders.insert(folder);
            }
        });
    }
    pool.waitForDone();
    if (auto failure = flushToDisk(writtenFolders)) {
        reporter.failure(QStringLiteral("output"),
                         QStringLiteral("cannot flush to disk: %1").arg(*failure));
        report.flushFailed = true;
    }
    reporter.finish();
    return report;
}

}  // namespace pixmora::cli
