#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "CController.h"
#include "CInstrument.h"
#include "CLied.h"
#include "CShippedInstruments.h"
#include "CSilentProgressSink.h"
#include "SamplerTestSupport.h"

namespace {

// The frequency between fLow and fHigh (steps of a twentieth of a percent) at which the
// samples have the most energy, by Goertzel's recurrence.
double StrongestFrequency(const std::vector<double>& samples, double rate, double fLow,
                          double fHigh) {
    double best = 0, bestPower = -1;
    for (double f = fLow; f <= fHigh; f *= 1.0005) {
        const double k = 2 * std::cos(2 * M_PI * f / rate);
        double s1 = 0, s2 = 0;
        for (double x : samples) {
            const double s = x + k * s1 - s2;
            s2 = s1;
            s1 = s;
        }
        const double power = s1 * s1 + s2 * s2 - k * s1 * s2;
        if (power > bestPower) {
            bestPower = power;
            best = f;
        }
    }
    return best;
}

}  // namespace

// Every instrument the program ships is a recording the sampler reads, and a note rendered
// from it at the default base frequency sounds at the note's own pitch, from C4 up to A5
// (where the recording is played 3.33 times faster).
TEST(ShippedInstruments, EachPlaysEveryPitchInTune) {
    const fs::path source = SourceFile("resources/instrumente");
    const std::vector<std::string> names = CShippedInstruments::Names(source);
    ASSERT_GE(names.size(), 8u);
    // The build puts them beside the programs, where they are looked for first.
    const char* binary = std::getenv("KANTILO_BINARY_DIR");
    ASSERT_NE(binary, nullptr);
    EXPECT_EQ(CShippedInstruments::Names(fs::path(binary) / "instrumente"), names);
    for (const std::string& name : names) {
        SCOPED_TRACE(name);
        CInstrument instrument(CShippedInstruments::PathOf(name, source),
                               CInstrument::kStandardBase);
        ASSERT_EQ(FailureText([&] { CController::LoadInstrument(instrument); }), "");
        EXPECT_EQ(std::tuple(instrument.GetSampleRate(), instrument.GetBitsPerSample(),
                             instrument.IsStereo()),
                  std::tuple(44100u, uint8_t(16), 0));
        // Long enough for a whole note at A5: two seconds played 880 / 264 times faster.
        EXPECT_GE(instrument.GetSize(), uint32_t(44100 * 2 * 880 / 264));
        for (const uint16_t pitch : {264, 330, 396, 528, 880}) {
            CSilentProgressSink sink;
            CLied song;
            CController::RenderNote(sink, instrument, song, pitch, 8, 10);
            // A whole note (two seconds): the attack left out, one second of it.
            ASSERT_GE(song.GetSize(), uint32_t(4410 + 44100));
            std::vector<double> samples(song.Samples() + 4410, song.Samples() + 4410 + 44100);
            const double found = StrongestFrequency(samples, 44100, pitch * 0.9, pitch * 1.1);
            EXPECT_NEAR(found / pitch, 1.0, 0.005) << "pitch " << pitch << ": " << found;
        }
    }
}

// Names are the .wav files of the folder; a name is never a path, and what the user gave stands
// when it is "Standard" or a file that exists.
TEST(ShippedInstruments, NamesAndResolution) {
    ScratchDir dir;
    const fs::path folder = dir.Path() / "instrumente";
    fs::create_directories(folder / "Ordner.wav");
    for (const char* file : {"b.wav", "A.wav", "Flöte.wav", "notiz.txt", ".wav", "c.WAV"}) {
        WriteBytes(folder / file, Bytes{1});
    }
    WriteBytes(dir.Path() / "b", Bytes{1});
    EXPECT_EQ(CShippedInstruments::Names(folder.string()),
              (std::vector<std::string>{"A", "Flöte", "b"}));
    EXPECT_TRUE(CShippedInstruments::Names((dir.Path() / "fehlt").string()).empty());

    const std::string f = folder.string();
    EXPECT_EQ(CShippedInstruments::PathOf("Flöte", f), (folder / "Flöte.wav").string());
    for (const char* bad : {"", "fehlt", "../instrumente/b", "Ordner", "c", "notiz"}) {
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
