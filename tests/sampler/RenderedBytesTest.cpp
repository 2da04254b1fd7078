// Songs come out of generation byte for byte as this program has always written them: the
// built-in tone at the lowest and the highest filter quality, and a shipped instrument at another
// base pitch. The fingerprints were taken from renders that matched a plain, slow implementation
// of the rendering and of the filter sample for sample, on every processor path; a change to
// either shows here.
#include <gtest/gtest.h>

#include <tuple>

#include "CController.h"
#include "CSamplerDefaults.h"
#include "CShippedInstruments.h"
#include "CSilentProgressSink.h"
#include "SheetProbe.h"
#include "TestFiles.h"

namespace {

// FNV-1a, 64 bits: enough to tell one file's bytes from another's.
uint64_t Fingerprint(const Bytes& bytes) {
    uint64_t nHash = 14695981039346656037ull;
    for (const uint8_t nByte : bytes) {
        nHash = (nHash ^ nByte) * 1099511628211ull;
    }
    return nHash;
}

}  // namespace

TEST(RenderedBytes, SongsComeOutAsTheyAlwaysHave) {
    // Every pitch, rests of every length, ties over bar lines, eighths beside whole notes.
    const std::string strSong =
        "C4/1 D4/1 E4/2 F4/4 G4/8 A4/12 B4/2 C5/11 D5/1 E5/6 F5/14 G5/1 A5/3 C4/8";
    const std::string strPiano =
        CShippedInstruments::PathOf("Klavier", SourceFile("resources/instrumente").string());
    const std::tuple<std::string, int32_t, int32_t, uint64_t> kRenders[] = {
        {"Standard", CSamplerDefaults::kMinQuality, 264, 4661045016280351278ull},
        {"Standard", CSamplerDefaults::kMaxQuality, 264, 11679624612707683183ull},
        {strPiano, CSamplerDefaults::kDefaultQuality, 235, 2603588440715721372ull},
    };
    ScratchDir dir;
    for (const auto& [strInstrument, nQuality, nBase, nFingerprint] : kRenders) {
        SCOPED_TRACE(strInstrument + " at quality " + std::to_string(nQuality));
        CController song;
        Enter(song, strSong);
        CSilentProgressSink sink;
        song.Generate(sink, strInstrument, dir.File("lied.wav"), nQuality, nBase);
        ASSERT_EQ(sink.Warning(), "");
        EXPECT_EQ(Fingerprint(ReadBytes(dir.File("lied.wav"))), nFingerprint);
    }
}
