// The fade at the end of every recording spelled out; rendering the note
// sheet into the song: impossible sizes, and the plain array version on random sheets, which
// covers every format, ties across bar lines and notes running past their recording.

#include <gtest/gtest.h>

#include <random>

#include "CLied.h"
#include "CPitchTable.h"
#include "CSampler.h"
#include "CSamplerDefaults.h"
#include "Reference.h"
#include "SamplerTestSupport.h"

namespace {
struct Rendered {
    std::vector<int16_t> slots;
    RecordingSink sink;
    std::string failure;
};

Rendered Render(const ReferenceRenderer::Recording& rec, CNotenblatt& sheet) {
    CInstrument instrument("x.wav", rec.base);
    Record(instrument, rec.bits, rec.stereo, rec.rate, rec.slots);
    Rendered out;
    CLied song;
    out.failure = FailureText([&] { CSampler().Render(out.sink, instrument, song, sheet); });
    out.slots = Slots(song);
    return out;
}

// The events a listener hears: a note and every note tied on from it sound as one.
std::vector<ReferenceRenderer::Event> HeardEvents(CNotenblatt& sheet) {
    std::vector<ReferenceRenderer::Event> events;
    bool bTiedOn = false;
    for (const NoteState& n : Walk(sheet)) {
        if (bTiedOn) {
            events.back().eighths += n.nDuration;
            events.back().pitch = n.nPitch;
        } else {
            events.push_back({n.nPitch, n.nDuration, n.bRest != 0});
        }
        bTiedOn = n.bTieToNext && !events.back().rest;
    }
    return events;
}
}  // namespace

TEST(Render, ShortSongsStepEverySlotImpossibleSongsFail) {
    // Fewer than 100 slots: every slot of notes and rests steps.
    CNotenblatt sheet;
    Click(sheet, 264, 1);
    Click(sheet, 264, 11);
    Rendered r = Render({std::vector<int16_t>(10), 196}, sheet);
    EXPECT_EQ(std::tuple(r.slots.size(), r.sink.samplerSteps), std::tuple(98u, 98));
    // No pitch to step by, and 2^32 slots or more, fail with a text instead of looping.
    Click(sheet, 440, 8);
    EXPECT_EQ(Render({{1}, 22050, 16, false, 0}, sheet).failure, "Fehler beim generieren!");
    r = Render({{1}, 0xFFFFFFFFu}, sheet);
    EXPECT_EQ(r.failure, "Zu wenig Speicher für das neue Lied!");
    EXPECT_TRUE(r.slots.empty());
}

// The same slots and progress steps as the plain version, which steps slot by slot, in every
// format in turn. The last rounds start with a tied note of twelve seconds, longer than the
// source frames a run shares between its notes, from a recording with a lone last slot.
TEST(Render, MatchesThePlainVersionOnRandomSheets) {
    const int32_t kTools[] = {1, 2, 4, 8, 11, 12, 14, 18};
    const uint32_t kRates[] = {8000, 11025, 22050, 44100, 48000, 1234};
    std::mt19937 random(20261206);
    for (int round = 0; round < 44; ++round) {
        const bool bLong = round >= 40;
        ReferenceRenderer::Recording rec;
        rec.bits = round % 2 ? 8 : 16;
        rec.stereo = round / 2 % 2 != 0;
        rec.rate = bLong ? 48000 : kRates[random() % 6];
        rec.base = bLong ? 176 : CSamplerDefaults::kSliderBases[random() % 13];
        const uint32_t nFrames = bLong ? 150001 : 1 + random() % 30000;
        rec.slots = RandomSlots(nFrames * (rec.stereo ? 2 : 1) + bLong, rec.bits, random());
        CNotenblatt sheet;
        for (int i = 0; bLong && i < 6; ++i) {
            Click(sheet, 264, 8, i > 0);
        }
        for (int e = int(random() % 12) + (bLong ? 20 : 0); e > 0; --e) {
            Click(sheet, CPitchTable::kScale[random() % 13].nFrequency, kTools[random() % 8],
                  random() % 3 == 0);
        }
        const ReferenceRenderer::Song expected =
            ReferenceRenderer::Render(rec, HeardEvents(sheet), sheet.GetLength());
        const Rendered r = Render(rec, sheet);
        ASSERT_EQ(r.slots, expected.slots) << "round " << round;
        EXPECT_EQ(r.sink.samplerSteps, expected.steps) << "round " << round;
    }
}
