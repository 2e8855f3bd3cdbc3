#pragma once

#include <memory>

#include <QObject>
#include <QSettings>
#include <QStringList>

namespace pixmora::app {

// The files opened or saved lately, most recent first, at most maxCount, as
// absolute paths. Kept in the given settings when there are some (read at
// construction, written on every change), otherwise only for this run.
class RecentFiles : public QObject {
    Q_OBJECT

public:
    static constexpr qsizetype maxCount = 10;
    static inline const QString settingsKey = QStringLiteral("recentFiles");

    explicit RecentFiles(std::unique_ptr<QSettings> settings = {}, QObject* parent = nullptr);
    ~RecentFiles() override;

    QStringList paths() const { return m_paths; }

    // Puts the file first (moving it when already listed) and drops the oldest
    // beyond maxCount.
    void add(const QString& path);
    void remove(const QString& path);
    void clear();

signals:
    void changed(const QStringList& paths);

private:
    QStringList stored() const;
    void store(QStringList paths);

    std::unique_ptr<QSettings> m_settings;
    QStringList m_paths;
};

// The menu texts for the paths, in order: the file name, followed by its folder
// when another listed file has the same name.
QStringList recentFileMenuTexts(const QStringList& paths);

}  // namespace pixmora::app
