#pragma once

#include <QString>
#include <QStringList>

#include "CSamplerDefaults.h"

// The rules that turn the sampler dialog's choices into the paths and numbers a generate run
// needs. They know nothing of widgets, so they can be checked on their own.
//
// Directories are joined literally with "/": a directory that already ends in a separator gets
// a second one, which the file system accepts. An empty directory stands for the current working
// directory of the program.
class CSamplerPaths {
public:
    // The built-in sine instrument; only this exact entry means it.
    static const QString kStandard;
    // The song file field before the user has chosen a file.
    static const QString kDefaultSong;

    // The directory a path is joined with: the directory itself, or the current working
    // directory when it is empty.
    static QString EffectiveDir(const QString& dir);

    // The names (no paths) of the ordinary, visible files in instrumentDir whose names end in
    // ".wav" in any letter case, together with kStandard, sorted without regard to letter case.
    // A missing or unreadable directory gives kStandard alone. The current directory of the
    // process is left as it is.
    static QStringList InstrumentNames(const QString& instrumentDir);

    // The song file to write: ".wav" is appended unless the text ends in exactly ".wav"; the
    // default name "Test.wav" alone is placed in the song directory, any other text is used as
    // it stands.
    static QString SongFilePath(const QString& songFile, const QString& songDir);

    // kStandard for the built-in instrument, otherwise the file in the instrument directory.
    static QString InstrumentFilePath(const QString& instrument, const QString& instrumentDir);

    // The instrument's base frequency in hertz for a pitch slider position 0 to 12
    // (D3 to B4, C4 = 264 Hz at position 6); positions outside are clamped to the range.
    static int BaseFrequency(int pitchPosition);
    static constexpr int kPitchPositions = static_cast<int>(CSamplerDefaults::kSliderBases.size());
    static constexpr int kDefaultPitchPosition = CSamplerDefaults::kDefaultSliderPosition;
};
