// Rendering the note sheet into the song: pitch stepping, lengths, fades, ties, rests,
// the song's size and the progress cadence.

#include <gtest/gtest.h>

#include "CInstrument.h"
#include "CLied.h"
#include "CNote.h"
#include "CNotenblatt.h"
#include "CSampler.h"
#include "ReferenceRenderer.h"
#include "SamplerTestSupport.h"

using namespace SamplerTest;

namespace {
struct Rendered {
    std::vector<int16_t> slots;
    RecordingSink sink;
    std::string failure;
};

void RenderSheet(CInstrument& instrument, CNotenblatt& sheet, Rendered& out) {
    CLied song;
    CSampler sampler;
    out.failure = FailureText([&] { sampler.Render(out.sink, instrument, song, sheet); });
    out.slots = Slots(song);
}

// An instrument whose slot k holds k (mod 30000), so every output value names its source.
void MakeRamp(CInstrument& instrument, uint32_t frames, uint32_t rate) {
    instrument.SetBitsPerSample(16);
    instrument.SetSampleRate(rate);
    ASSERT_TRUE(instrument.Allocate(frames));
    for (uint32_t k = 0; k < frames; ++k) {
        instrument.AppendSample(int32_t(k % 30000));
    }
}

std::vector<int16_t> Head(const std::vector<int16_t>& v, size_t n) {
    return std::vector<int16_t>(v.begin(), v.begin() + std::min(n, v.size()));
}
}  // namespace

TEST(Render, NoteAtTheBaseReproducesTheRecordingUpToTheFade) {
    CInstrument instrument("Standard", 264);
    instrument.MakeStandard();
    CNotenblatt sheet;
    sheet.AddNote({0, HeightOf(264)}, 2, 0);
    Rendered r;
    RenderSheet(instrument, sheet, r);
    ASSERT_EQ(r.failure, "");
    const std::vector<int16_t> source = Slots(instrument);
    ASSERT_EQ(r.slots.size(), 11025u);
    for (uint32_t i = 0; i < 11025; ++i) {
        const int16_t expected =
            i < 10585 ? source[i]
                      : int16_t(std::trunc(double(float(440 - (i - 10585)) / 441.0f) * source[i]));
        ASSERT_EQ(r.slots[i], expected) << i;
    }
}

TEST(Render, PitchSelectsTheSourceFrames) {
    struct Case {
        uint16_t pitch;
        int32_t base;
        std::vector<int16_t> frames;
    };
    const Case cases[] = {
        {528, 264, {0, 2, 4, 6, 8, 10, 12}},
        {297, 264, {0, 1, 2, 3, 4, 6, 7}},
        {440, 264, {0, 2, 3, 5, 7, 8, 10, 12, 13, 15}},
        {264, 495, {0, 1, 1, 2, 2, 3, 3, 4, 4, 5}},
    };
    for (const Case& c : cases) {
        CInstrument instrument("ramp.wav", c.base);
        MakeRamp(instrument, 20000, 22050);
        CNotenblatt sheet;
        sheet.AddNote({0, HeightOf(c.pitch)}, 1, 0);
        Rendered r;
        RenderSheet(instrument, sheet, r);
        ASSERT_EQ(r.failure, "");
        EXPECT_EQ(Head(r.slots, c.frames.size()), c.frames) << c.pitch << " from " << c.base;
    }
}

TEST(Render, WholeNoteRunsPastTheRecordingIntoSilence) {
    CInstrument instrument("Standard", 264);
    instrument.MakeStandard();
    instrument.FadeOut();
    CNotenblatt sheet;
    sheet.AddNote({0, HeightOf(880)}, 8, 0);
    Rendered r;
    RenderSheet(instrument, sheet, r);
    ASSERT_EQ(r.slots.size(), 44100u);
    // The running position drifts in single precision: frame 26457 still plays source frame
    // 88197 (the faded tail, not yet silent), frame 26458 would need 88201.
    const std::vector<int16_t> source = Slots(instrument);
    EXPECT_EQ(r.slots[26456], source[88194]);
    EXPECT_EQ(r.slots[26457], source[88197]);
    EXPECT_NE(r.slots[26457], 0);
    for (uint32_t i = 26458; i < 44100; ++i) {
        ASSERT_EQ(r.slots[i], 0) << i;
    }
}

TEST(Render, TieChainAcrossABarLineSoundsAsOneNote) {
    CInstrument instrument("ramp.wav", 264);
    MakeRamp(instrument, 30000, 22050);
    CNotenblatt sheet;
    for (int i = 0; i < 7; ++i) {
        sheet.AddNote({0, HeightOf(264)}, 11, 0);  // eighth rests
    }
    sheet.AddNote({0, HeightOf(264)}, 2, 0);  // eighth + eighth over the bar line
    sheet.AddNote({0, HeightOf(264)}, 2, 1);  // tied on by shift-click
    ASSERT_EQ(sheet.GetLength(), 11);
    int tiedNotes = 0;
    int32_t bNewBar = 0;
    for (CNote* n = sheet.GetFirstNote(); n; n = sheet.GetNextNote(bNewBar)) {
        int32_t d, rest, to, from;
        uint16_t p;
        n->GetInfo(d, p, rest, to, from);
        tiedNotes += (!rest && (to || from)) ? 1 : 0;
    }
    ASSERT_EQ(tiedNotes, 3);

    Rendered r;
    RenderSheet(instrument, sheet, r);
    ReferenceRenderer::Recording rec;
    rec.slots = Slots(instrument);
    std::vector<ReferenceRenderer::Event> events(7, {264, 1, true});
    events.push_back({264, 4, false});
    EXPECT_EQ(r.slots, ReferenceRenderer::Render(rec, events, 11));
    // One attack: the source runs on without restarting at the tie, and one fade at the end.
    EXPECT_EQ(r.slots[7 * 5512 + 5512], 5512);
    EXPECT_EQ(r.slots[7 * 5512 + 22050 - 441], 22050 - 441);
    EXPECT_LT(r.slots[7 * 5512 + 22049], 100);
}

TEST(Render, RestsInEightBitStereoAreCentredSilence) {
    CInstrument instrument("x.wav", 264);
    instrument.SetBitsPerSample(8);
    instrument.SetStereo(1);
    instrument.SetSampleRate(22050);
    ASSERT_TRUE(instrument.Allocate(4));
    for (int v : {10, 250, 10, 250}) {
        instrument.AppendSample(v);
    }
    CNotenblatt sheet;
    sheet.AddNote({0, HeightOf(440)}, 11, 0);
    Rendered r;
    RenderSheet(instrument, sheet, r);
    EXPECT_EQ(r.slots, std::vector<int16_t>(2 * 5512, 127));
}

TEST(Render, SlotsNoNoteReachesHoldSilence) {
    CInstrument instrument("x.wav", 264);
    instrument.SetBitsPerSample(8);
    instrument.SetSampleRate(22050);
    ASSERT_TRUE(instrument.Allocate(100000));
    instrument.FillSilence();
    for (uint32_t i = 0; i < 100000; ++i) {
        instrument.SetSample(i, 200);
    }
    CNotenblatt sheet;
    for (int i = 0; i < 8; ++i) {
        sheet.AddNote({0, HeightOf(264)}, 1, 0);
    }
    Rendered r;
    RenderSheet(instrument, sheet, r);
    ASSERT_EQ(r.slots.size(), 44100u);
    EXPECT_EQ(r.slots[44095], 127 + int16_t(std::trunc(double(1.0f / 441.0f) * 73)));
    EXPECT_EQ(Head(std::vector<int16_t>(r.slots.begin() + 44096, r.slots.end()), 4),
              std::vector<int16_t>(4, 127));
    EXPECT_EQ(r.slots[5511 + 1], 200);  // the next note starts afresh
}

TEST(Render, EmptySheetGivesAnEmptySongAndNoSteps) {
    CInstrument instrument("Standard", 264);
    instrument.MakeStandard();
    CNotenblatt sheet;
    Rendered r;
    RenderSheet(instrument, sheet, r);
    EXPECT_EQ(r.failure, "");
    EXPECT_TRUE(r.slots.empty());
    EXPECT_EQ(r.sink.samplerSteps, 0);
}

TEST(Render, ImpossibleSongsFailWithATextInsteadOfLooping) {
    CNotenblatt sheet;
    sheet.AddNote({0, HeightOf(440)}, 8, 0);
    CInstrument noPitch("x.wav", 0);
    MakeRamp(noPitch, 100, 22050);
    Rendered r;
    RenderSheet(noPitch, sheet, r);
    EXPECT_EQ(r.failure, "Fehler beim generieren!");

    // 2^32 slots and more cannot be counted, let alone held.
    CInstrument fast("x.wav", 264);
    MakeRamp(fast, 100, 0xFFFFFFFFu);
    RenderSheet(fast, sheet, r);
    EXPECT_EQ(r.failure, "Zu wenig Speicher für das neue Lied!");
    EXPECT_TRUE(r.slots.empty());
}

TEST(Render, ProgressStepsAboutAHundredTimes) {
    CInstrument instrument("Standard", 264);
    instrument.MakeStandard();
    CNotenblatt sheet;
    for (int i = 0; i < 4; ++i) {
        sheet.AddNote({0, HeightOf(330)}, 2, 0);
    }
    Rendered r;
    RenderSheet(instrument, sheet, r);
    EXPECT_EQ(r.sink.samplerSteps, 100);  // 44100 slots, a step every 441
    EXPECT_EQ(r.sink.filterSteps, 0);

    // Fewer than 100 slots: every slot of notes and rests steps.
    CInstrument slow("x.wav", 264);
    MakeRamp(slow, 10, 196);
    CNotenblatt one;
    one.AddNote({0, HeightOf(264)}, 1, 0);
    one.AddNote({0, HeightOf(264)}, 11, 0);
    Rendered s;
    RenderSheet(slow, one, s);
    EXPECT_EQ(s.slots.size(), 98u);
    EXPECT_EQ(s.sink.samplerSteps, 98);
}
