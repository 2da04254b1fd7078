#pragma once

#include <QString>
#include <memory>

class QSettings;

// The editor's settings (the recent-file list) where QSettings keeps them. Reading a FIFO
// would wait for a writer that never comes, before the window opens, and saving would put a
// regular file in the place of whatever was there: a settings file that is not a regular
// file is taken as empty, and the settings are then kept in memory only.
class CSettingsFile {
public:
    static std::unique_ptr<QSettings> Open(const QString& organization, const QString& application);

private:
    static bool OnlyRegularFiles(const QString& organization, const QString& application);
};
