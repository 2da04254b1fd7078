// The generate pipeline of the controller: stages, failures and what is left behind.

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <stdexcept>

#include "CController.h"
#include "CInstrument.h"
#include "CLied.h"
#include "ReferenceFilter.h"
#include "ReferenceRenderer.h"
#include "SamplerTestSupport.h"

using namespace SamplerTest;

namespace {
const std::vector<std::string> kAllStages = {
    "Instrument wird geladen", "Lied wird gesampelt, bitte warten",
    "Lied wird gefiltert, bitte warten", "Lied wird gespeichert"};

void AddQuarters(CController& controller, int count, uint16_t pitch) {
    for (int i = 0; i < count; ++i) {
        controller.AddNote({0, HeightOf(pitch)}, 2, 0);
    }
}

std::vector<int16_t> DataOf16(const Bytes& file) {
    std::vector<int16_t> slots;
    for (size_t i = 44; i + 1 < file.size(); i += 2) {
        slots.push_back(int16_t(file[i] | file[i + 1] << 8));
    }
    return slots;
}

// What the song of quarter notes at one pitch must sound like with the built-in tone.
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

// A WAV file whose rate makes any song longer than 2^32 slots.
void WriteFastInstrument(const std::string& path) {
    WavLayout layout;
    layout.rate = 0xFFFFFFF0u;
    layout.data = Samples16({1, 2, 3, 4});
    WriteBytes(path, BuildWav(layout));
}
}  // namespace

TEST(Generate, StandardSongIsRenderedFilteredAndWritten) {
    ScratchDir dir;
    CController controller;
    AddQuarters(controller, 4, 330);
    RecordingSink sink;
    const std::string path = dir.File("lied.wav");
    controller.Generate(sink, "Standard", path, 10, 440);  // the base is ignored for Standard
    EXPECT_TRUE(sink.warnings.empty());
    ASSERT_EQ(sink.Texts(), kAllStages);
    EXPECT_EQ(sink.stages[1].samplerSteps, 100);
    EXPECT_EQ(sink.stages[2].filterSteps, 100);
    EXPECT_EQ(sink.samplerSteps + sink.filterSteps, 200);
    const Bytes file = ReadBytes(path);
    ASSERT_EQ(file.size(), 44u + 88200u);
    EXPECT_EQ(DataOf16(file), ExpectedStandardSong(4, 330, 19));
    EXPECT_EQ(controller.GetSong()->GetFileName(), path);
    EXPECT_EQ(controller.GetSong()->GetSize(), 0u);
    EXPECT_EQ(controller.GetSong()->GetSampleRate(), 22050u);
}

TEST(Generate, QualityChoosesTheFilterLength) {
    for (int q : {5, 50}) {
        ScratchDir dir;
        CController controller;
        AddQuarters(controller, 2, 594);
        RecordingSink sink;
        controller.Generate(sink, "Standard", dir.File("q.wav"), q, 264);
        EXPECT_EQ(DataOf16(ReadBytes(dir.File("q.wav"))), ExpectedStandardSong(2, 594, 2 * q - 1))
            << q;
    }
}

TEST(Generate, EmptySheetWritesABareHeaderWithoutSteps) {
    ScratchDir dir;
    CController controller;
    RecordingSink sink;
    controller.Generate(sink, "Standard", dir.File("leer.wav"), 10, 264);
    EXPECT_EQ(sink.Texts(), kAllStages);
    EXPECT_EQ(sink.samplerSteps + sink.filterSteps, 0);
    EXPECT_EQ(ReadBytes(dir.File("leer.wav")).size(), 44u);
}

TEST(Generate, InstrumentFailuresKeepTheOldSongName) {
    ScratchDir dir;
    CController controller;
    AddQuarters(controller, 1, 264);
    RecordingSink first;
    controller.Generate(first, "Standard", dir.File("eins.wav"), 10, 264);
    ASSERT_TRUE(first.warnings.empty());

    WriteBytes(dir.File("text.wav"), Bytes{'k', 'e', 'i', 'n', ' ', 'W', 'A', 'V'});
    struct Case {
        std::string instrument;
        std::string warning;
    };
    for (const Case& c :
         {Case{dir.File("fehlt.wav"), "Die angegebene Datei konnte nicht geöffnet werden!"},
          Case{dir.File("text.wav"), "Die angegebene Datei ist fehlerhaft!"},
          Case{"standard", "Die angegebene Datei konnte nicht geöffnet werden!"}}) {
        RecordingSink sink;
        controller.Generate(sink, c.instrument, dir.File("zwei.wav"), 10, 264);
        EXPECT_EQ(sink.Texts(), std::vector<std::string>{"Instrument wird geladen"});
        EXPECT_EQ(sink.warnings, std::vector<std::string>{c.warning});
        EXPECT_EQ(controller.GetSong()->GetFileName(), dir.File("eins.wav"));
    }
    EXPECT_FALSE(std::filesystem::exists(dir.File("zwei.wav")));
}

TEST(Generate, LaterFailuresKeepTheNewSongName) {
    ScratchDir dir;
    CController controller;
    AddQuarters(controller, 4, 440);
    RecordingSink sink;
    controller.Generate(sink, "Standard", dir.File("fehlt/lied.wav"), 10, 264);
    EXPECT_EQ(sink.Texts(), kAllStages);
    EXPECT_EQ(sink.samplerSteps, 100);
    EXPECT_EQ(sink.filterSteps, 100);
    EXPECT_EQ(sink.warnings,
              std::vector<std::string>{"Die angegebene Zieldatei konnte nicht geöffnet werden!"});
    EXPECT_EQ(controller.GetSong()->GetFileName(), dir.File("fehlt/lied.wav"));
    EXPECT_EQ(controller.GetSong()->GetSize(), 0u);

    WriteFastInstrument(dir.File("schnell.wav"));
    RecordingSink render;
    controller.Generate(render, dir.File("schnell.wav"), dir.File("lied.wav"), 10, 264);
    EXPECT_EQ(render.Texts(), std::vector<std::string>(kAllStages.begin(), kAllStages.begin() + 2));
    EXPECT_EQ(render.warnings, std::vector<std::string>{"Zu wenig Speicher für das neue Lied!"});
    EXPECT_EQ(controller.GetSong()->GetFileName(), dir.File("lied.wav"));
    EXPECT_FALSE(std::filesystem::exists(dir.File("lied.wav")));
}

TEST(Generate, SecondRunOverwritesTheFirstFile) {
    ScratchDir dir;
    CController controller;
    AddQuarters(controller, 4, 264);
    RecordingSink sink;
    controller.Generate(sink, "Standard", dir.File("lied.wav"), 10, 264);
    controller.DeleteLastNote();
    controller.Generate(sink, "Standard", dir.File("lied.wav"), 10, 264);
    EXPECT_TRUE(sink.warnings.empty());
    EXPECT_EQ(DataOf16(ReadBytes(dir.File("lied.wav"))), ExpectedStandardSong(3, 264, 19));
    EXPECT_EQ(dir.Entries(), std::vector<std::string>{"lied.wav"});
}

TEST(Generate, OtherFailuresPassThroughWithTheSongEmptied) {
    struct ThrowingSink : RecordingSink {
        void SetProgressStatus(std::string text) override {
            if (text == "Lied wird gefiltert, bitte warten") {
                throw std::logic_error("not the engine's");
            }
            RecordingSink::SetProgressStatus(std::move(text));
        }
    } sink;
    ScratchDir dir;
    CController controller;
    AddQuarters(controller, 2, 264);
    EXPECT_THROW(controller.Generate(sink, "Standard", dir.File("lied.wav"), 10, 264),
                 std::logic_error);
    EXPECT_TRUE(sink.warnings.empty());
    EXPECT_EQ(controller.GetSong()->GetSize(), 0u);
}

// The disk fills up while the new song is written: the older song stays as it was.
TEST(Generate, WriteFailingPartWayKeepsTheOlderSong) {
    ScratchDir dir;
    const std::string path = dir.File("lied.wav");
    {
        CController controller;
        AddQuarters(controller, 1, 264);
        RecordingSink sink;
        controller.Generate(sink, "Standard", path, 10, 264);
    }
    const Bytes older = ReadBytes(path);
    ASSERT_EQ(older.size(), 44u + 22050u);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{40000, 40000};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        CController controller;
        AddQuarters(controller, 8, 396);
        RecordingSink sink;
        controller.Generate(sink, "Standard", path, 10, 264);
        const bool ok =
            sink.warnings ==
            std::vector<std::string>{"Die angegebene Zieldatei konnte nicht geschrieben werden!"};
        ::_exit(ok ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "the failed write was not reported as such";
    EXPECT_EQ(ReadBytes(path), older);
    EXPECT_EQ(dir.Entries(), std::vector<std::string>{"lied.wav"});
}
