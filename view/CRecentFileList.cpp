#include "CRecentFileList.h"

#include <QFileInfo>
#include <QSettings>

namespace {
const char* const kSection = "Recent File List";

QString KeyName(int index) {
    return QStringLiteral("File%1").arg(index + 1);
}
}  // namespace

CRecentFileList::CRecentFileList(QSettings& settings) : m_settings(settings) {
    m_settings.beginGroup(kSection);
    for (int i = 0; i < kMaxEntries; ++i) {
        const QString path = m_settings.value(KeyName(i)).toString();
        if (!path.isEmpty() && !m_files.contains(path)) {
            m_files.append(path);
        }
    }
    m_settings.endGroup();
}

void CRecentFileList::Add(const QString& path) {
    if (path.isEmpty()) {
        return;
    }
    m_files.removeAll(path);
    m_files.prepend(path);
    while (m_files.size() > kMaxEntries) {
        m_files.removeLast();
    }
    Save();
}

void CRecentFileList::Remove(int index) {
    if (index < 0 || index >= Count()) {
        return;
    }
    m_files.removeAt(index);
    Save();
}

QString CRecentFileList::MenuText(int index) const {
    QString shown = Abbreviate(m_files.value(index));
    shown.replace(QLatin1Char('&'), QStringLiteral("&&"));
    return QStringLiteral("&%1 %2").arg(index + 1).arg(shown);
}

QString CRecentFileList::Abbreviate(const QString& path, int maxLength) {
    if (path.size() <= maxLength) {
        return path;
    }
    const QString name = QFileInfo(path).fileName();
    const QString ellipsis = QStringLiteral("/...");
    // Leave room for "/.../" in front of the name; otherwise the name alone.
    if (name.size() > maxLength - ellipsis.size() - 1) {
        return name;
    }
    // Drop leading folders until "/..." and the rest fit.
    qsizetype cut = path.indexOf(QLatin1Char('/'), 1);
    while (cut >= 0 && ellipsis.size() + (path.size() - cut) > maxLength) {
        cut = path.indexOf(QLatin1Char('/'), cut + 1);
    }
    return ellipsis + path.mid(cut);
}

void CRecentFileList::Save() {
    m_settings.beginGroup(kSection);
    for (int i = 0; i < kMaxEntries; ++i) {
        if (i < Count()) {
            m_settings.setValue(KeyName(i), m_files.at(i));
        } else {
            m_settings.remove(KeyName(i));
        }
    }
    m_settings.endGroup();
    m_settings.sync();
}
