// The controller: its sheet record, and the generate pipeline with its stages, failures and
// what each leaves behind.

#include <gtest/gtest.h>

#include <stdexcept>

#include "CController.h"
#include "CLied.h"
#include "ReferenceFilter.h"
#include "ReferenceRenderer.h"
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

std::vector<int16_t> DataOf16(const Bytes& file) {
    std::vector<int16_t> slots;
    for (size_t i = 44; i + 1 < file.size(); i += 2) {
        slots.push_back(int16_t(file[i] | file[i + 1] << 8));
    }
    return slots;
}

// What a song of quarter notes at one pitch must sound like with the built-in tone.
std::vector<int16_t> ExpectedStandardSong(int quarters, uint16_t pitch, int taps) {
    CInstrument standard("Standard", 264);
    standard.MakeStandard();
    standard.FadeOut();
    ReferenceRenderer::Recording rec;
    rec.slots = Slots(standard);
    const std::vector<ReferenceRenderer::Event> events(size_t(quarters), {pitch, 2, false});
    std::vector<int16_t> song = ReferenceRenderer::Render(rec, events, 2 * quarters);
    ReferenceFilter::Run(song.data(), uint32_t(song.size()), false, 16, taps, 0, nullptr);
    return song;
}
}  // namespace

TEST(CController, SerializesOneSheetRecordAndKeepsItsSheetOnFailure) {
    CController source;
    Click(source, 264, 1);
    CArchive out;
    source.Serialize(out);
    const Bytes& body = out.GetBuffer();
    ASSERT_GE(body.size(), 17u);
    EXPECT_EQ(std::string(body.begin() + 6, body.begin() + 17), "CNotenblatt");
    CController target;
    Click(target, 440, 8);
    CArchive in(body, CController::SerialClasses());
    target.Serialize(in);
    EXPECT_EQ(in.GetRemaining(), 0u);
    EXPECT_EQ(Walk(target), (std::vector<NoteState>{{1, 264, 0, 0, 0, 4211, 0}}));

    CArchive other;
    CTakt bar;
    other.WriteObject(&bar);
    CArchive wrong(other.GetBuffer(), CController::SerialClasses());
    EXPECT_THROW(target.Serialize(wrong), CArchiveException);
    EXPECT_EQ(Walk(target), (std::vector<NoteState>{{1, 264, 0, 0, 0, 4211, 0}}));
}

TEST(Generate, StandardSongIsRenderedFilteredAndWritten) {
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
        const Bytes file = ReadBytes(dir.File("lied.wav"));
        ASSERT_EQ(file.size(), 44u + 88200u);
        EXPECT_EQ(DataOf16(file), ExpectedStandardSong(4, 330, 2 * quality - 1)) << quality;
        EXPECT_EQ(controller.GetSong()->GetFileName(), dir.File("lied.wav"));
        EXPECT_EQ(controller.GetSong()->GetSize(), 0u);
        EXPECT_EQ(controller.GetSong()->GetSampleRate(), 22050u);
    }
    EXPECT_EQ(dir.Names(), std::vector<std::string>{"lied.wav"});

    CController empty;
    RecordingSink sink;
    empty.Generate(sink, "Standard", dir.File("leer.wav"), 10, 264);
    EXPECT_EQ(sink.Texts(), kAllStages);
    EXPECT_EQ(sink.samplerSteps + sink.filterSteps, 0);
    EXPECT_EQ(ReadBytes(dir.File("leer.wav")).size(), 44u);
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
    WavLayout fast;
    fast.rate = 0xFFFFFFF0u;
    fast.data = Samples16({1, 2, 3, 4});
    WriteBytes(dir.File("schnell.wav"), BuildWav(fast));
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
