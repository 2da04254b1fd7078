#pragma once

// Songs entered by clicks with what they sound like, and the peers that read our files:
// xmllint, mido and MuseScore 3, run as programs; a peer that is not installed skips.

#include <gtest/gtest.h>

#include <sstream>

#include "CController.h"
#include "CDocumentFile.h"
#include "CMidiWriter.h"
#include "CMusicXmlReader.h"
#include "CMusicXmlWriter.h"
#include "CScalePitch.h"
#include "CScoreNotes.h"
#include "SheetProbe.h"
#include "TestFiles.h"

// A sounding note: onset and length in eighths, MIDI key.
struct Sound {
    int64_t nOnset;
    int32_t nKey;
    int64_t nLength;
    bool operator==(const Sound&) const = default;
};

// What an imported song sounds like, in equal-tempered keys; none (and a failure) if refused.
inline std::vector<Sound> SoundsOf(const CMusicXmlReader::SResult& result) {
    std::vector<Sound> sounds;
    if (!result.pController) {
        ADD_FAILURE() << result.strMessage;
        return sounds;
    }
    for (const CScoreNotes::SSound& sound : CScoreNotes(result.pController->GetSheet()).Sounds()) {
        sounds.push_back(
            Sound{sound.nOnset, CScalePitch::FromHz(sound.nHz)->MidiKey(), sound.nLength});
    }
    return sounds;
}

struct TestSong {
    std::string strName;
    std::string strEntries;
    std::vector<Sound> sounds;
    bool bTiedToRest = false;  // holds a note tied to a rest, which comes back as a note
};

// Bar lines split notes, shift-clicks tie them and rests sit between; the sounds are what the
// sampler plays.
inline const std::vector<TestSong>& TestSongs() {
    static const std::vector<TestSong> songs = {
        {"splits",
         "C4/2 E4/2 G4/2 C5/4 A4/8 D5/1",
         {{0, 60, 2}, {2, 64, 2}, {4, 67, 2}, {6, 72, 4}, {10, 69, 8}, {18, 74, 1}}},
        {"ties",
         "G4/2 G4/2+ E4/1 F4/1+ A4/4 A4/2+ B4/1",
         {{0, 67, 4}, {4, 64, 1}, {5, 65, 1}, {6, 69, 6}, {12, 71, 1}}},
        {"rests",
         "B4/12 C5/2 E4/14 A5/11 E5/1 B4/18 F5/2 D4/4 D4/12+ G4/11 G4/1+",
         {{2, 72, 2}, {9, 76, 1}, {18, 77, 2}, {20, 62, 6}, {27, 67, 1}},
         true},
    };
    return songs;
}

inline std::unique_ptr<CNotenblatt> SheetOf(const TestSong& song) {
    auto pSheet = std::make_unique<CNotenblatt>();
    Enter(*pSheet, song.strEntries);
    return pSheet;
}

// "C4/2" is a C4 of two divisions; "r/1" a rest of one; "F#4" and "Bb4" carry their alter.
inline std::string Notes(const std::string& strNotes, const std::string& strMore = "") {
    std::string strText;
    std::istringstream words(strNotes);
    for (std::string strWord; words >> strWord;) {
        const size_t nSlash = strWord.find('/');
        const std::string strPitch = strWord.substr(0, nSlash);
        const std::string strDuration = strWord.substr(nSlash + 1);
        std::string strWhat = "<rest/>";
        if (strPitch != "r") {
            const char cAccidental = strPitch.size() == 3 ? strPitch[1] : ' ';
            const std::string strAlter = cAccidental == '#' ? "1" : cAccidental == 'b' ? "-1" : "";
            strWhat = "<pitch><step>" + strPitch.substr(0, 1) + "</step>" +
                      (strAlter.empty() ? "" : "<alter>" + strAlter + "</alter>") + "<octave>" +
                      strPitch.substr(strPitch.size() - 1) + "</octave></pitch>";
        }
        strText +=
            "<note>" + strWhat + "<duration>" + strDuration + "</duration>" + strMore + "</note>";
    }
    return strText;
}

inline CMusicXmlReader::SResult Import(const std::string& strText) {
    return CMusicXmlReader::Parse(Bytes(strText.begin(), strText.end()));
}

// strText n times over.
inline std::string Repeat(size_t n, const std::string& strText) {
    std::string strAll;
    for (size_t i = 0; i < n; ++i) {
        strAll += strText;
    }
    return strAll;
}

// Both imports came in as the same song, byte for byte in the document format.
inline void ExpectSameSong(const CMusicXmlReader::SResult& a, const CMusicXmlReader::SResult& b) {
    ASSERT_NE(a.pController, nullptr) << a.strMessage;
    ASSERT_NE(b.pController, nullptr) << b.strMessage;
    EXPECT_EQ(CDocumentFile::Store(*a.pController), CDocumentFile::Store(*b.pController));
}

// Whether the shell command runs and succeeds, quietly.
inline bool Runs(const std::string& strCommand) {
    return std::system((strCommand + " >/dev/null 2>&1").c_str()) == 0;
}

// Debian's mido belongs to the system's Python, which need not be the first on the path.
inline const std::string kPython = "/usr/bin/python3";

// What mido reads from a MIDI file, in the terms of midi_notes.py.
struct MidiContents {
    std::vector<Sound> sounds;  // in eighths of 240 ticks
    std::vector<std::string> lines;
};

inline MidiContents ReadMidi(const std::string& strPath) {
    MidiContents contents;
    const std::string strCommand = kPython + " " +
                                   SourceFile("tests/exchange/midi_notes.py").string() + " '" +
                                   strPath + "' >'" + strPath + ".txt'";
    EXPECT_EQ(std::system(strCommand.c_str()), 0) << "mido cannot read " << strPath;
    std::ifstream in(strPath + ".txt");
    for (std::string strLine; std::getline(in, strLine);) {
        if (strLine.starts_with("note ")) {
            std::istringstream fields(strLine.substr(5));
            int64_t nTick = 0, nKey = 0, nLength = 0;
            fields >> nTick >> nKey >> nLength;
            // MuseScore ends a note a tick before the next one begins.
            const int64_t nEighths = (nLength + 120) / 240;
            contents.sounds.push_back(Sound{nTick / 240, int32_t(nKey), nEighths});
            EXPECT_EQ(nTick % 240, 0) << strLine;
            EXPECT_LE(std::abs(nLength - nEighths * 240), 1) << strLine;
        }
        contents.lines.push_back(strLine);
    }
    return contents;
}
