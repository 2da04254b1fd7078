// The generate pipeline of the controller: stages, failures and what is left behind.

#include <gtest/gtest.h>

#include "CController.h"
#include "CLied.h"
#include "CSampler.h"
#include "Reference.h"
#include "SamplerTestSupport.h"

namespace {
using Texts = std::vector<std::string>;
const Texts kAllStages = {"Instrument wird geladen", "Lied wird gesampelt, bitte warten",
                          "Lied wird gefiltert, bitte warten", "Lied wird gespeichert"};

RecordingSink Generate(CController& controller, const std::string& instrument,
                       const std::string& target, int quality = 10, int32_t base = 264) {
    RecordingSink sink;
    controller.Generate(sink, instrument, target, quality, base);
    return sink;
}
}  // namespace

// A whole note of the built-in tone: the tone faded, rendered and filtered the plain way.
TEST(Generate, SongsAreRenderedFilteredAndWritten) {
    ScratchDir dir;
    CController controller;
    Click(controller, 330, 8);
    CInstrument standard("Standard", 440);
    standard.MakeStandard();
    standard.FadeOut();
    const ReferenceRenderer::Recording rec{Slots(standard)};  // 22050 Hz, 16 bits, mono, 264 Hz
    for (int quality : {10, 5}) {
        // The base is ignored for Standard; a second run replaces the first file.
        const RecordingSink sink =
            Generate(controller, "Standard", dir.File("lied.wav"), quality, 440);
        EXPECT_EQ(std::tuple(sink.texts, sink.warnings, sink.samplerSteps, sink.filterSteps),
                  std::tuple(kAllStages, Texts{}, 100, 100));
        std::vector<int16_t> song = ReferenceRenderer::Render(rec, {{330, 8}}, 8).slots;
        ReferenceFilter::Run(song.data(), uint32_t(song.size()), false, 16, 2 * quality - 1, 0, {});
        CWaveFile written(dir.File("lied.wav"));
        written.ReadHeader();
        written.ReadData();
        EXPECT_EQ(Slots(written), song);
        EXPECT_EQ(controller.GetSong()->GetSize(), 0u);  // the memory is given back
    }
    CController none;
    const RecordingSink empty = Generate(none, "Standard", dir.File("leer.wav"));
    EXPECT_EQ(std::tuple(empty.texts, empty.samplerSteps + empty.filterSteps,
                         ReadBytes(dir.File("leer.wav")).size()),
              std::tuple(kAllStages, 0, 44u));
    EXPECT_EQ(dir.Names(), (std::set<std::string>{"leer.wav", "lied.wav"}));
}

// 48 kHz 16-bit stereo takes 48000 bytes an eighth: 89478 eighths fit into a WAV file's 32-bit
// sizes, one more does not. The command line's tests see the whole run refuse it.
TEST(Generate, SongTooLongForAWaveFileIsRefused) {
    CInstrument instrument("stereo.wav", 264);
    Record(instrument, 16, 1, 48000, {1, 1, 1, 1});
    CNotenblatt sheet;
    for (int i = 0; i < 89472 / 8; ++i) {
        Click(sheet, 440, 8);
    }
    Click(sheet, 440, 6);
    EXPECT_NO_THROW(CSampler::CheckWaveLength(instrument, sheet));
    Click(sheet, 440, 1);
    EXPECT_EQ(FailureText([&] { CSampler::CheckWaveLength(instrument, sheet); }),
              "Das Lied ist zu lang für eine WAV-Datei!");
}

// An instrument that cannot be loaded stops the run at its stage; a disk that fills up while
// the song is written again stops it at the last. Either way the older song stays as it was.
TEST(Generate, FailuresKeepTheOlderSong) {
    ScratchDir dir;
    const std::string path = dir.File("lied.wav");
    CController controller;
    Click(controller, 264, 8);
    Generate(controller, "Standard", path);
    const Bytes older = ReadBytes(path);
    // Only "Standard" names the built-in tone.
    const RecordingSink failed = Generate(controller, "standard", dir.File("zwei.wav"));
    EXPECT_EQ(std::tuple(failed.texts, failed.warnings),
              std::tuple(Texts{"Instrument wird geladen"},
                         Texts{"Die angegebene Datei konnte nicht geöffnet werden!"}));
    EXPECT_EQ(controller.GetSong()->GetFileName(), path);
    const Texts kNotWritten = {"Die angegebene Zieldatei konnte nicht geschrieben werden!"};
    const auto full = [] {  // files may grow to 40000 bytes only
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{40000, 40000};
        setrlimit(RLIMIT_FSIZE, &limit);
    };
    EXPECT_TRUE(PassesInChild(
        [&] { return Generate(controller, "Standard", path).warnings == kNotWritten; }, full));
    EXPECT_EQ(ReadBytes(path), older);
    EXPECT_EQ(dir.Names(), std::set<std::string>{"lied.wav"});
}
