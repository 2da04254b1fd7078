// The generate pipeline of the controller: stages, failures and what is left behind.

#include <gtest/gtest.h>

#include <stdexcept>

#include "CController.h"
#include "CLied.h"
#include "Reference.h"
#include "SamplerTestSupport.h"

namespace {
const std::vector<std::string> kAllStages = {
    "Instrument wird geladen", "Lied wird gesampelt, bitte warten",
    "Lied wird gefiltert, bitte warten", "Lied wird gespeichert"};

CController& AddQuarters(CController& controller, int count, uint16_t pitch) {
    for (int i = 0; i < count; ++i) {
        Click(controller, pitch, 2);
    }
    return controller;
}

// What a song of quarter notes at one pitch must sound like: the recording faded, rendered and
// filtered the plain way.
std::vector<int16_t> ExpectedSong(CInstrument& instrument, int quarters, uint16_t pitch, int taps) {
    instrument.FadeOut();
    ReferenceRenderer::Recording rec{Slots(instrument), instrument.GetSampleRate(),
                                     instrument.GetBitsPerSample(), instrument.IsStereo() != 0,
                                     instrument.GetBaseFrequency()};
    const std::vector<ReferenceRenderer::Event> events(size_t(quarters), {pitch, 2, false});
    std::vector<int16_t> song = ReferenceRenderer::Render(rec, events, 2 * quarters);
    ReferenceFilter::Run(song.data(), uint32_t(song.size()), rec.stereo, rec.bits, taps, 0,
                         nullptr);
    return song;
}

// The slots of a song file written by the program, with its 44-byte header.
std::vector<int16_t> SongData(const std::string& path, int bits) {
    const Bytes file = ReadBytes(path);
    std::vector<int16_t> slots;
    for (size_t i = 44; i + size_t(bits / 8) <= file.size(); i += size_t(bits / 8)) {
        slots.push_back(bits == 8 ? int16_t(file[i]) : int16_t(file[i] | file[i + 1] << 8));
    }
    return slots;
}
}  // namespace

TEST(Generate, SongsAreRenderedFilteredAndWritten) {
    ScratchDir dir;
    CController controller;
    AddQuarters(controller, 4, 330);
    for (int quality : {10, 5, 50}) {
        RecordingSink sink;
        // The base is ignored for Standard; a second run replaces the first file.
        controller.Generate(sink, "Standard", dir.File("lied.wav"), quality, 440);
        EXPECT_TRUE(sink.warnings.empty());
        ASSERT_EQ(sink.Texts(), kAllStages);
        EXPECT_EQ(sink.stages[1].samplerSteps, 100);
        EXPECT_EQ(sink.stages[2].filterSteps, 100);
        EXPECT_EQ(sink.samplerSteps + sink.filterSteps, 200);
        EXPECT_EQ(ReadBytes(dir.File("lied.wav")).size(), 44u + 88200u);
        CInstrument standard("Standard", 264);
        standard.MakeStandard();
        EXPECT_EQ(SongData(dir.File("lied.wav"), 16),
                  ExpectedSong(standard, 4, 330, 2 * quality - 1));
        EXPECT_EQ(controller.GetSong()->GetFileName(), dir.File("lied.wav"));
        EXPECT_EQ(controller.GetSong()->GetSize(), 0u);
        EXPECT_EQ(controller.GetSong()->GetSampleRate(), 22050u);
    }
    // An 8-bit stereo recording: each channel filtered apart.
    Bytes data;
    for (int i = 0; i < 6000; ++i) {
        data.push_back(uint8_t(i % 2 == 0 ? 127 + (i % 40) * 3 : 200 - (i % 17) * 5));
    }
    WriteBytes(dir.File("geige.wav"),
               BuildWav({.channels = 2, .rate = 8000, .bits = 8, .data = data}));
    RecordingSink stereo;
    controller.Generate(stereo, dir.File("geige.wav"), dir.File("geige-lied.wav"), 10, 297);
    EXPECT_TRUE(stereo.warnings.empty());
    CInstrument geige(dir.File("geige.wav"), 297);
    geige.ReadHeader();
    geige.ReadData();
    EXPECT_EQ(SongData(dir.File("geige-lied.wav"), 8), ExpectedSong(geige, 4, 330, 19));

    CController empty;
    RecordingSink sink;
    empty.Generate(sink, "Standard", dir.File("leer.wav"), 10, 264);
    EXPECT_EQ(sink.Texts(), kAllStages);
    EXPECT_EQ(sink.samplerSteps + sink.filterSteps, 0);
    EXPECT_EQ(ReadBytes(dir.File("leer.wav")).size(), 44u);
    EXPECT_EQ(dir.Names(),
              (std::vector<std::string>{"geige-lied.wav", "geige.wav", "leer.wav", "lied.wav"}));
}

TEST(Generate, FailuresStopAtTheirStage) {
    ScratchDir dir;
    CController controller;
    AddQuarters(controller, 4, 440);
    RecordingSink first;
    controller.Generate(first, "Standard", dir.File("eins.wav"), 10, 264);
    ASSERT_TRUE(first.warnings.empty());
    // Instrument failures keep the old song's name.
    WriteBytes(dir.File("text.wav"), Bytes{'k', 'e', 'i', 'n', ' ', 'W', 'A', 'V'});
    for (const auto& [instrument, warning] :
         {std::pair{dir.File("fehlt.wav"), "Die angegebene Datei konnte nicht geöffnet werden!"},
          {dir.File("text.wav"), "Die angegebene Datei ist fehlerhaft!"},
          {std::string("standard"), "Die angegebene Datei konnte nicht geöffnet werden!"}}) {
        RecordingSink sink;
        controller.Generate(sink, instrument, dir.File("zwei.wav"), 10, 264);
        EXPECT_EQ(sink.Texts(), std::vector<std::string>{"Instrument wird geladen"});
        EXPECT_EQ(sink.warnings, std::vector<std::string>{warning});
        EXPECT_EQ(controller.GetSong()->GetFileName(), dir.File("eins.wav"));
    }
    // Later failures keep the new one, the song emptied.
    RecordingSink target;
    controller.Generate(target, "Standard", dir.File("fehlt/lied.wav"), 10, 264);
    EXPECT_EQ(target.Texts(), kAllStages);
    EXPECT_EQ(target.samplerSteps + target.filterSteps, 200);
    EXPECT_EQ(target.warnings,
              std::vector<std::string>{"Die angegebene Zieldatei konnte nicht geöffnet werden!"});
    EXPECT_EQ(controller.GetSong()->GetFileName(), dir.File("fehlt/lied.wav"));
    EXPECT_EQ(controller.GetSong()->GetSize(), 0u);
    // A rate that makes the song longer than 2^32 slots.
    WriteBytes(dir.File("schnell.wav"),
               BuildWav({.rate = 0xFFFFFFF0u, .data = Samples16({1, 2, 3, 4})}));
    RecordingSink render;
    controller.Generate(render, dir.File("schnell.wav"), dir.File("lied.wav"), 10, 264);
    EXPECT_EQ(render.Texts(), std::vector<std::string>(kAllStages.begin(), kAllStages.begin() + 2));
    EXPECT_EQ(render.warnings, std::vector<std::string>{"Zu wenig Speicher für das neue Lied!"});
    EXPECT_EQ(controller.GetSong()->GetFileName(), dir.File("lied.wav"));
    EXPECT_EQ(dir.Names(), (std::vector<std::string>{"eins.wav", "schnell.wav", "text.wav"}));
    // Failures that are not the engine's pass through, the song emptied all the same.
    struct ThrowingSink : RecordingSink {
        void SetProgressStatus(std::string text) override {
            if (text == kAllStages[2]) {
                throw std::logic_error("not the engine's");
            }
            RecordingSink::SetProgressStatus(std::move(text));
        }
    } throwing;
    EXPECT_THROW(controller.Generate(throwing, "Standard", dir.File("lied.wav"), 10, 264),
                 std::logic_error);
    EXPECT_TRUE(throwing.warnings.empty());
    EXPECT_EQ(controller.GetSong()->GetSize(), 0u);
}

// The disk fills up while the new song is written: the older song stays as it was.
TEST(Generate, WriteFailingPartWayKeepsTheOlderSong) {
    ScratchDir dir;
    const std::string path = dir.File("lied.wav");
    RecordingSink sink;
    CController song;
    AddQuarters(song, 1, 264).Generate(sink, "Standard", path, 10, 264);
    const Bytes older = ReadBytes(path);
    ASSERT_EQ(older.size(), 44u + 22050u);
    EXPECT_TRUE(PassesWithFileLimit(40000, [&] {
        CController controller;
        RecordingSink failing;
        AddQuarters(controller, 8, 396).Generate(failing, "Standard", path, 10, 264);
        return failing.warnings == std::vector<std::string>{
                                       "Die angegebene Zieldatei konnte nicht geschrieben werden!"};
    })) << "the failed write was not reported as such";
    EXPECT_EQ(ReadBytes(path), older);
    EXPECT_EQ(dir.Names(), std::vector<std::string>{"lied.wav"});
}
