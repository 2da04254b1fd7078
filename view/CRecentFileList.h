#pragma once

#include <QString>
#include <QStringList>

class QSettings;

// The four most recently opened or saved documents, newest first, kept in the per-user
// settings under "Recent File List" as File1 to File4. Every change is written back at once,
// so a crash does not lose the list.
class CRecentFileList {
public:
    static constexpr int kMaxEntries = 4;
    static constexpr int kMaxDisplayLength = 30;

    // Reads the list from the settings; an unreadable profile gives an empty list.
    explicit CRecentFileList(QSettings& settings);

    // Moves path to the top (adding it when new) and drops what falls off the end.
    void Add(const QString& path);
    void Remove(int index);
    const QStringList& Files() const { return m_files; }
    int Count() const { return static_cast<int>(m_files.size()); }

    // The menu text of entry index: "&1 " and the path shortened to 30 characters.
    QString MenuText(int index) const;
    // Shortens a path to at most maxLength characters as "/.../dir/name"; a file name that is
    // too long on its own is shown alone.
    static QString Abbreviate(const QString& path, int maxLength = kMaxDisplayLength);

private:
    void Save();

    QSettings& m_settings;
    QStringList m_files;
};
