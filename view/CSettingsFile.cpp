#include "CSettingsFile.h"

#include <sys/stat.h>
#include <QLibraryInfo>
#include <QSettings>
#include <QStandardPaths>

namespace {

// A path that can never be created (a file cannot hold a folder): QSettings then keeps what is
// set in memory and writes nothing anywhere.
constexpr const char* kNowhere = "/dev/null/Kantilo.conf";

bool RegularOrMissing(const QString& path) {
    struct stat st {};
    return stat(path.toLocal8Bit().constData(), &st) != 0 || S_ISREG(st.st_mode);
}

}  // namespace

std::unique_ptr<QSettings> CSettingsFile::Open(const QString& organization,
                                               const QString& application) {
    if (!OnlyRegularFiles(organization, application)) {
        return std::make_unique<QSettings>(QString::fromLatin1(kNowhere), QSettings::IniFormat);
    }
    return std::make_unique<QSettings>(organization, application);
}

// The files QSettings reads for the user's settings of an application: its own and the
// organization's, the user's and the system's.
bool CSettingsFile::OnlyRegularFiles(const QString& organization, const QString& application) {
    const QStringList folders = {
        QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation),
        QLibraryInfo::path(QLibraryInfo::SettingsPath)};
    for (const QString& folder : folders) {
        const QString base = folder + u'/' + organization;
        if (!RegularOrMissing(base + u'/' + application + QStringLiteral(".conf")) ||
            !RegularOrMissing(base + QStringLiteral(".conf"))) {
            return false;
        }
    }
    return true;
}
