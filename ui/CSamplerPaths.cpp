#include "CSamplerPaths.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>
#include <array>

#include "CInstrument.h"

const QString CSamplerPaths::kStandard = QString::fromLatin1(CInstrument::kStandardName);
const QString CSamplerPaths::kDefaultSong = QStringLiteral("Test");

namespace {

const QString kWavSuffix = QStringLiteral(".wav");

QString Join(const QString& dir, const QString& name) {
    return CSamplerPaths::EffectiveDir(dir) + QLatin1Char('/') + name;
}

// Case-insensitive as the list shows it; names equal but for case keep a fixed order.
bool ListOrder(const QString& a, const QString& b) {
    const int folded = QString::compare(a, b, Qt::CaseInsensitive);
    return folded != 0 ? folded < 0 : QString::compare(a, b, Qt::CaseSensitive) < 0;
}

}  // namespace

QString CSamplerPaths::EffectiveDir(const QString& dir) {
    return dir.isEmpty() ? QDir::currentPath() : dir;
}

QStringList CSamplerPaths::InstrumentNames(const QString& instrumentDir) {
    QStringList names;
    const QDir dir(EffectiveDir(instrumentDir));
    // QDir::Files follows links, so a link to a recording counts like the recording itself.
    const QFileInfoList entries = dir.entryInfoList(QDir::Files, QDir::NoSort);
    for (const QFileInfo& entry : entries) {
        if (entry.fileName().endsWith(kWavSuffix, Qt::CaseInsensitive)) {
            names.append(entry.fileName());
        }
    }
    names.append(kStandard);
    std::sort(names.begin(), names.end(), ListOrder);
    return names;
}

QString CSamplerPaths::SongFilePath(const QString& songFile, const QString& songDir) {
    QString path = songFile;
    if (!path.endsWith(kWavSuffix, Qt::CaseSensitive)) {
        path += kWavSuffix;
    }
    if (path == kDefaultSong + kWavSuffix) {
        path = Join(songDir, path);
    }
    return path;
}

QString CSamplerPaths::InstrumentFilePath(const QString& instrument, const QString& instrumentDir) {
    if (instrument == kStandard) {
        return kStandard;
    }
    return Join(instrumentDir, instrument);
}

int CSamplerPaths::BaseFrequency(int pitchPosition) {
    const int index = std::clamp(pitchPosition, 0, kPitchPositions - 1);
    return CSamplerDefaults::kSliderBases[static_cast<size_t>(index)];
}
