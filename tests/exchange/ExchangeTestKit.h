#pragma once

// Songs entered by clicks with what they sound like, and the peers that read our files:
// xmllint, mido and MuseScore 3, run as programs; a peer that is not installed skips.

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "CNotenblatt.h"
#include "TestFiles.h"

// Click heights of the thirteen pitches in the first staff row.
enum Height : int32_t {
    C4 = 48,
    D4 = 44,
    E4 = 41,
    F4 = 37,
    G4 = 34,
    A4 = 30,
    B4 = 27,
    C5 = 23,
    D5 = 20,
    E5 = 16,
    F5 = 13,
    G5 = 9,
    A5 = 6
};
// Tools: lengths in eighths, rests 10 more; kDelete deletes the last note.
constexpr int32_t kRest = 10;
constexpr int32_t kDelete = 0;

struct Entry {
    int32_t nHeight;
    int32_t nTool;
    int32_t bTie = 0;
};

// A sounding note: onset and length in eighths, MIDI key.
struct Sound {
    int64_t nOnset;
    int32_t nKey;
    int64_t nLength;
    bool operator==(const Sound&) const = default;
};

inline void PrintTo(const Sound& s, std::ostream* os) {
    *os << "{" << s.nOnset << ", " << s.nKey << ", " << s.nLength << "}";
}

struct TestSong {
    std::string strName;
    std::vector<Entry> entries;
    std::vector<Sound> sounds;
    bool bTiedToRest = false;  // holds a note tied to a rest, which comes back as a note
};

// The one place these tests enter notes.
inline void Enter(CNotenblatt& sheet, const std::vector<Entry>& entries) {
    for (const Entry& e : entries) {
        if (e.nTool == kDelete) {
            sheet.DeleteLastNote();
        } else {
            sheet.AddNote(CPoint{0, e.nHeight}, static_cast<ETool>(e.nTool), e.bTie != 0);
        }
    }
}

// Bar lines split notes, shift-clicks tie them, rests sit between and deletions take whole
// chains; the sounds are what the sampler plays.
inline const std::vector<TestSong>& TestSongs() {
    static const std::vector<TestSong> songs = {
        {"splits",
         {{C4, 2}, {E4, 2}, {G4, 2}, {C5, 4}, {A4, 8}, {D5, 1}},
         {{0, 60, 2}, {2, 64, 2}, {4, 67, 2}, {6, 72, 4}, {10, 69, 8}, {18, 74, 1}}},
        {"ties",
         {{G4, 2}, {G4, 2, 1}, {E4, 1}, {F4, 1, 1}, {A4, 4}, {A4, 2, 1}, {B4, 1}},
         {{0, 67, 4}, {4, 64, 1}, {5, 65, 1}, {6, 69, 6}, {12, 71, 1}}},
        {"rests",
         {{B4, kRest + 2},
          {C5, 2},
          {E4, kRest + 4},
          {A5, kRest + 1},
          {E5, 1},
          {B4, kRest + 8},
          {F5, 2},
          {D4, 4},
          {D4, kRest + 2, 1},
          {G4, kRest + 1},
          {G4, 1, 1}},
         {{2, 72, 2}, {9, 76, 1}, {18, 77, 2}, {20, 62, 6}, {27, 67, 1}},
         true},
        {"deletions",
         {{C4, 2},
          {D4, 4},
          {E4, 4},
          {C4, kDelete},
          {A5, 2},
          {G5, 2},
          {C4, kDelete},
          {F5, 1},
          {A4, 8}},
         {{0, 60, 2}, {2, 62, 4}, {6, 81, 2}, {8, 77, 1}, {9, 69, 8}}},
    };
    return songs;
}

inline std::unique_ptr<CNotenblatt> SheetOf(const TestSong& song) {
    auto pSheet = std::make_unique<CNotenblatt>();
    Enter(*pSheet, song.entries);
    return pSheet;
}

// Runs a shell command; its standard output, or nothing when it failed.
inline std::optional<std::string> Capture(const std::string& strCommand) {
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(strCommand.c_str(), "r"), pclose);
    if (!pipe) {
        return std::nullopt;
    }
    std::string strOut;
    char buffer[4096];
    for (size_t n; (n = fread(buffer, 1, sizeof buffer, pipe.get())) > 0;) {
        strOut.append(buffer, n);
    }
    return pclose(pipe.release()) == 0 ? std::optional(strOut) : std::nullopt;
}

inline bool HasProgram(const std::string& strName) {
    return std::system(("command -v " + strName + " >/dev/null 2>&1").c_str()) == 0;
}

// Debian's mido belongs to the system's Python, which need not be the first on the path.
inline std::string MidoPython() {
    for (const char* pszPython : {"/usr/bin/python3", "python3"}) {
        if (std::system((std::string(pszPython) + " -c 'import mido' 2>/dev/null").c_str()) == 0) {
            return pszPython;
        }
    }
    return "";
}

inline fs::path ExchangeTestFile(const std::string& strName) {
    const char* pszDir = std::getenv("KANTILO_SOURCE_DIR");
    return (pszDir ? fs::path(pszDir) : fs::path(__FILE__).parent_path() / "../..") / "tests" /
           strName;
}

// What mido reads from a MIDI file, in the terms of midi_notes.py.
struct MidiContents {
    std::vector<Sound> sounds;  // in eighths of 240 ticks
    std::vector<std::string> lines;
};

inline MidiContents ReadMidi(const std::string& strPython, const std::string& strPath) {
    MidiContents contents;
    const std::optional<std::string> out =
        Capture(strPython + " " + ExchangeTestFile("exchange/midi_notes.py").string() + " '" +
                strPath + "'");
    EXPECT_TRUE(out.has_value()) << "mido cannot read " << strPath;
    std::istringstream in(out.value_or(""));
    for (std::string strLine; std::getline(in, strLine);) {
        std::istringstream fields(strLine);
        std::string strKind;
        fields >> strKind;
        if (strKind == "note") {
            int64_t nTick = 0, nLength = 0;
            int32_t nKey = 0;
            fields >> nTick >> nKey >> nLength;
            // MuseScore ends a note a tick before the next one begins.
            const int64_t nEighths = (nLength + 120) / 240;
            contents.sounds.push_back(Sound{nTick / 240, nKey, nEighths});
            EXPECT_EQ(nTick % 240, 0) << strLine;
            EXPECT_LE(std::abs(nLength - nEighths * 240), 1) << strLine;
        }
        contents.lines.push_back(strLine);
    }
    return contents;
}
