#include "app/recent_files.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>

namespace pixmora::app {

namespace {

QString absolute(const QString& path)
{
    return QDir::cleanPath(QFileInfo(path).absoluteFilePath());
}

QStringList normalized(const QStringList& paths)
{
    QStringList result;
    for (const QString& path : paths) {
        if (path.isEmpty())
            continue;
        const QString file = absolute(path);
        if (!result.contains(file))
            result << file;
        if (result.size() == RecentFiles::maxCount)
            break;
    }
    return result;
}

}  // namespace

RecentFiles::RecentFiles(std::unique_ptr<QSettings> settings, QObject* parent)
    : QObject(parent), m_settings(std::move(settings))
{
    // A hand-edited or foreign value is cut back to what the menu shows.
    if (m_settings)
        m_paths = normalized(m_settings->value(settingsKey).toStringList());
}

RecentFiles::~RecentFiles() = default;

void RecentFiles::add(const QString& path)
{
    if (path.isEmpty())
        return;
    QStringList next = stored();
    next.prepend(path);
    store(normalized(next));
}

void RecentFiles::remove(const QString& path)
{
    QStringList next = stored();
    next.removeAll(absolute(path));
    store(next);
}

void RecentFiles::clear()
{
    store({});
}

QStringList RecentFiles::stored() const
{
    // Another running Pixmora may have changed the list since we read it.
    if (!m_settings)
        return m_paths;
    m_settings->sync();
    return normalized(m_settings->value(settingsKey).toStringList());
}

void RecentFiles::store(QStringList paths)
{
    if (m_settings) {
        m_settings->setValue(settingsKey, paths);
        m_settings->sync();
    }
    if (paths == m_paths)
        return;
    m_paths = std::move(paths);
    emit changed(m_paths);
}

QStringList recentFileMenuTexts(const QStringList& paths)
{
    QStringList names;
    for (const QString& path : paths)
        names << QFileInfo(path).fileName();
    QStringList texts;
    for (qsizetype i = 0; i < paths.size(); ++i) {
        if (names.count(names[i]) > 1)
            texts << QStringLiteral("%1 — %2").arg(
                names[i], QDir::toNativeSeparators(QFileInfo(paths[i]).absolutePath()));
        else
            texts << names[i];
    }
    return texts;
}

}  // namespace pixmora::app
