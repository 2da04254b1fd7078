#pragma once

// Songs rendered by Kantilo's own sampler and what they sound like, for comparing a
// transcription with the song it was made from.

#include <gtest/gtest.h>

#include <sstream>

#include "CController.h"
#include "CScoreNotes.h"
#include "CSilentProgressSink.h"
#include "CTranscriber.h"
#include "SheetProbe.h"
#include "TestFiles.h"

// The sounds of a sheet as "onset:key name/length" words, easy to read in a failure.
inline std::string SoundsText(const CNotenblatt& sheet) {
    std::ostringstream out;
    for (const CScoreNotes::SSound& sound : CScoreNotes(sheet).Sounds()) {
        out << sound.nOnset << ":" << sound.nHz << "/" << sound.nLength << " ";
    }
    return out.str();
}

// Renders the entries with the real sampler into strWave, as "kantilo song.kt -o song.wav
// --instrument PATH --base HZ --quality Q" does.
inline void Render(const std::string& strEntries, const std::string& strInstrument,
                   const std::string& strWave, int32_t nQuality = 5, int32_t nBase = 264) {
    CController controller;
    Enter(controller, strEntries);
    CSilentProgressSink sink;
    controller.Generate(sink, strInstrument, strWave, nQuality, nBase);
    ASSERT_EQ(sink.Warning(), "") << strEntries;
}
