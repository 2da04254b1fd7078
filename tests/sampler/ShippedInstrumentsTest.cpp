// The shipped instruments' names and files. Each one is rendered at every pitch and
// transcribed back in the transcription's round trip, and played from beside the program in
// the preview's tests.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "CShippedInstruments.h"
#include "SamplerTestSupport.h"

// Names are the .wav files of the folder; a name is never a path, and what the user gave stands
// when it is "Standard" or a file that exists.
TEST(ShippedInstruments, NamesAndResolution) {
    ScratchDir dir;
    const fs::path folder = dir.Path() / "instrumente";
    fs::create_directories(folder / "Ordner.wav");
    for (const char* file : {"b.wav", "A.wav", "notiz.txt", ".wav", "c.WAV"}) {
        WriteBytes(folder / file, Bytes{1});
    }
    WriteBytes(dir.Path() / "b", Bytes{1});
    const std::string f = folder.string();
    EXPECT_EQ(CShippedInstruments::Names(f), (std::vector<std::string>{"A", "b"}));
    for (const char* bad : {"", "../instrumente/b", "Ordner", "c", "notiz"}) {
        EXPECT_EQ(CShippedInstruments::PathOf(bad, f), "") << bad;
    }
    EXPECT_EQ(CShippedInstruments::Resolve("Standard", f), "Standard");
    EXPECT_EQ(CShippedInstruments::Resolve("b", f), (folder / "b.wav").string());
    // An existing file of the same name wins over the shipped instrument.
    const fs::path here = fs::current_path();
    fs::current_path(dir.Path());
    EXPECT_EQ(CShippedInstruments::Resolve("b", f), "b");
    fs::current_path(here);
    EXPECT_EQ(CShippedInstruments::Resolve("/gibt/es/nicht.wav", f), "/gibt/es/nicht.wav");
}
