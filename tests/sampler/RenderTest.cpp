// Rendering the note sheet into the song: progress on the shortest songs, and impossible sizes.
// What songs sound like is checked end to end, transcribed back and recorded from the preview.

#include <gtest/gtest.h>

#include "CLied.h"
#include "CSampler.h"
#include "SamplerTestSupport.h"

namespace {
struct Recording {
    std::vector<int16_t> slots;
    uint32_t rate = 22050;
    int bits = 16;
    bool stereo = false;
    int32_t base = 264;
};

struct Rendered {
    std::vector<int16_t> slots;
    RecordingSink sink;
    std::string failure;
};

Rendered Render(const Recording& rec, CNotenblatt& sheet) {
    CInstrument instrument("x.wav", rec.base);
    Record(instrument, rec.bits, rec.stereo, rec.rate, rec.slots);
    Rendered out;
    CLied song;
    out.failure = FailureText([&] { CSampler().Render(out.sink, instrument, song, sheet); });
    out.slots = Slots(song);
    return out;
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
