// The built-in tone, the fade at the end of every recording, and rendering the note sheet into
// the song: pitch stepping, lengths, ties, rests, impossible sizes, and the plain array version
// on random sheets.

#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "CLied.h"
#include "CSampler.h"
#include "Reference.h"
#include "SamplerTestSupport.h"

namespace {
struct Rendered {
    std::vector<int16_t> slots;
    RecordingSink sink;
    std::string failure;
};

Rendered Render(CInstrument& instrument, CNotenblatt& sheet) {
    Rendered out;
    CLied song;
    CSampler sampler;
    out.failure = FailureText([&] { sampler.Render(out.sink, instrument, song, sheet); });
    out.slots = Slots(song);
    return out;
}

// A recording whose slot k holds k (mod 30000), so every output value names its source.
std::vector<int16_t> Ramp(uint32_t frames) {
    std::vector<int16_t> slots(frames);
    for (uint32_t k = 0; k < frames; ++k) {
        slots[k] = int16_t(k % 30000);
    }
    return slots;
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

TEST(Render, PitchSelectsTheSourceFrames) {
    const struct {
        uint16_t pitch;
        int32_t base;
        std::vector<int16_t> frames;
    } kCases[] = {
        {528, 264, {0, 2, 4, 6, 8, 10, 12}},
        {297, 264, {0, 1, 2, 3, 4, 6, 7}},
        {440, 264, {0, 2, 3, 5, 7, 8, 10, 12, 13, 15}},
        {264, 495, {0, 1, 1, 2, 2, 3, 3, 4, 4, 5}},
    };
    for (const auto& c : kCases) {
        CInstrument instrument("ramp.wav", c.base);
        Record(instrument, 16, 0, 22050, Ramp(20000));
        CNotenblatt sheet;
        Click(sheet, c.pitch, 1);
        const Rendered r = Render(instrument, sheet);
        ASSERT_EQ(r.failure, "");
        ASSERT_GE(r.slots.size(), c.frames.size());
        EXPECT_EQ(std::vector<int16_t>(r.slots.begin(), r.slots.begin() + c.frames.size()),
                  c.frames)
            << c.pitch << " from " << c.base;
    }
}

TEST(Render, WholeNoteRunsPastTheRecordingIntoSilence) {
    CInstrument instrument("Standard", 264);
    instrument.MakeStandard();
    instrument.FadeOut();
    CNotenblatt sheet;
    Click(sheet, 880, 8);
    const Rendered r = Render(instrument, sheet);
    ASSERT_EQ(r.slots.size(), 44100u);
    // The running position drifts in single precision: frame 26457 still plays source frame
    // 88197 (the faded tail, not yet silent), frame 26458 would need 88201.
    const std::vector<int16_t> source = Slots(instrument);
    EXPECT_EQ(r.slots[26456], source[88194]);
    EXPECT_EQ(r.slots[26457], source[88197]);
    EXPECT_NE(r.slots[26457], 0);
    EXPECT_EQ(std::vector<int16_t>(r.slots.begin() + 26458, r.slots.end()),
              std::vector<int16_t>(44100 - 26458, 0));
}

TEST(Render, TieChainAcrossABarLineSoundsAsOneNote) {
    CInstrument instrument("ramp.wav", 264);
    Record(instrument, 16, 0, 22050, Ramp(30000));
    CNotenblatt sheet;
    for (int i = 0; i < 7; ++i) {
        Click(sheet, 264, 11);  // eighth rests
    }
    Click(sheet, 264, 2);     // eighth + eighth over the bar line
    Click(sheet, 264, 2, 1);  // tied on by shift-click
    const Rendered r = Render(instrument, sheet);
    ReferenceRenderer::Recording rec;
    rec.slots = Slots(instrument);
    std::vector<ReferenceRenderer::Event> events(7, {264, 1, true});
    events.push_back({264, 4, false});
    EXPECT_EQ(r.slots, ReferenceRenderer::Render(rec, events, 11));
    // One attack: the source runs on without restarting at the ties, and one fade at the end.
    const size_t start = 7 * 5512;
    EXPECT_EQ(r.slots[start + 5512], 5512);
    EXPECT_EQ(r.slots[start + 22050 - 441], 22050 - 441);
    EXPECT_LT(r.slots[start + 22049], 100);
}

TEST(Render, RestsAndSlotsNoNoteReachesHoldSilence) {
    CInstrument stereo("x.wav", 264);
    Record(stereo, 8, 1, 22050, {10, 250, 10, 250});
    CNotenblatt rest;
    Click(rest, 440, 11);
    EXPECT_EQ(Render(stereo, rest).slots, std::vector<int16_t>(2 * 5512, 127));

    // An eighth lasts 5512.5 frames: the last slot of eight of them is no note's.
    CInstrument eight("x.wav", 264);
    Record(eight, 8, 0, 22050, std::vector<int16_t>(100000, 200));
    CNotenblatt sheet;
    for (int i = 0; i < 8; ++i) {
        Click(sheet, 264, 1);
    }
    const Rendered r = Render(eight, sheet);
    ASSERT_EQ(r.slots.size(), 44100u);
    EXPECT_EQ(r.slots[44095], 127 + int16_t(std::trunc(double(1.0f / 441.0f) * 73)));
    EXPECT_EQ(std::vector<int16_t>(r.slots.begin() + 44096, r.slots.end()),
              std::vector<int16_t>(4, 127));
    EXPECT_EQ(r.slots[5511 + 1], 200);  // the next note starts afresh
}

TEST(Render, ShortSongsStepEverySlotImpossibleSongsFail) {
    // Fewer than 100 slots: every slot of notes and rests steps.
    CInstrument slow("x.wav", 264);
    Record(slow, 16, 0, 196, Ramp(10));
    CNotenblatt sheet;
    Click(sheet, 264, 1);
    Click(sheet, 264, 11);
    Rendered r = Render(slow, sheet);
    EXPECT_EQ(r.slots.size(), 98u);
    EXPECT_EQ(r.sink.samplerSteps, 98);
    EXPECT_EQ(r.sink.filterSteps, 0);
    // No pitch to step by, and 2^32 slots or more, fail with a text instead of looping.
    Click(sheet, 440, 8);
    CInstrument noPitch("x.wav", 0);
    Record(noPitch, 16, 0, 22050, Ramp(100));
    EXPECT_EQ(Render(noPitch, sheet).failure, "Fehler beim generieren!");
    CInstrument fast("x.wav", 264);
    Record(fast, 16, 0, 0xFFFFFFFFu, Ramp(100));
    r = Render(fast, sheet);
    EXPECT_EQ(r.failure, "Zu wenig Speicher für das neue Lied!");
    EXPECT_TRUE(r.slots.empty());
}

TEST(Render, MatchesThePlainVersionOnRandomSheets) {
    const int32_t kBases[] = {149, 165, 176, 198, 220, 248, 264, 297, 330, 352, 396, 440, 495};
    const int32_t kTools[] = {1, 2, 4, 8, 11, 12, 14, 18};
    const uint32_t kRates[] = {8000, 11025, 22050, 44100, 48000, 1234};
    std::mt19937 random(20261206);
    for (int round = 0; round < 40; ++round) {
        ReferenceRenderer::Recording rec;
        rec.bits = random() % 2 ? 8 : 16;
        rec.stereo = random() % 2;
        rec.rate = kRates[random() % 6];
        rec.base = kBases[random() % 13];
        rec.slots = RandomSlots((1 + random() % 30000) * (rec.stereo ? 2 : 1), rec.bits, random());
        CInstrument instrument("x.wav", rec.base);
        Record(instrument, rec.bits, rec.stereo, rec.rate, rec.slots);
        CNotenblatt sheet;
        for (int e = int(random() % 12); e > 0; --e) {
            Click(sheet, kPitches[random() % 13], kTools[random() % 8], random() % 3 == 0);
        }
        ASSERT_EQ(Render(instrument, sheet).slots,
                  ReferenceRenderer::Render(rec, HeardEvents(sheet), sheet.GetLength()))
            << "round " << round << ", " << rec.bits << " bits, "
            << (rec.stereo ? "stereo" : "mono") << ", rate " << rec.rate;
    }
}

TEST(Instrument, StandardIsA264HzSineFadedOverItsLast441Slots) {
    CInstrument plain("Standard", 440);
    plain.MakeStandard();
    EXPECT_EQ(plain.GetBaseFrequency(), 264);
    EXPECT_EQ(plain.GetSampleRate(), 22050u);
    EXPECT_EQ(plain.GetBitsPerSample(), 16);
    EXPECT_EQ(plain.IsStereo(), 0);
    const std::vector<int16_t> a = Slots(plain);
    ASSERT_EQ(a.size(), 88200u);
    EXPECT_EQ(std::vector<int16_t>(a.begin(), a.begin() + 6),
              (std::vector<int16_t>{0, 751, 1498, 2237, 2963, 3673}));
    EXPECT_EQ(*std::max_element(a.begin(), a.end()), 9999);
    EXPECT_EQ(*std::min_element(a.begin(), a.end()), -9999);
    plain.FadeOut();
    const std::vector<int16_t> b = Slots(plain);
    EXPECT_TRUE(std::equal(a.begin(), a.begin() + 87759, b.begin()));
    for (uint32_t i = 87759; i < 88200; ++i) {
        const float factor = float(440 - (i - 87759)) / 441.0f;
        EXPECT_EQ(b[i], int16_t(std::trunc(double(factor) * a[i]))) << i;
    }
}

TEST(Instrument, FadesTruncateTowardsTheCentre) {
    const struct {
        int bits;
        int32_t stereo;
        uint32_t rate;
        std::vector<int16_t> in, out;
    } kCases[] = {
        // Five frames fade by 4/5 .. 0; 8-bit values are centred on 127.
        {8, 0, 250, {0, 255, 255, 255, 0, 0, 0, 255}, {0, 255, 255, 229, 51, 77, 102, 127}},
        {16,
         1,
         200,
         {1000, -1000, 1000, -1000, 1000, -1000, 1000, -1000, 1000, -1000},
         {1000, -1000, 750, -750, 500, -500, 250, -250, 0, 0}},
        {16, 0, 500, {1000, 1000, 1000}, {200, 100, 0}},  // only the tail of the ramp
        {16, 0, 500, {-1001, -1001, -1001}, {-200, -100, 0}},
        {8, 1, 200, {227, 27}, {127, 127}},
        {16, 0, 49, {5, 6, 7}, {5, 6, 7}},  // below 50 frames a second nothing fades
    };
    for (const auto& c : kCases) {
        CInstrument instrument("x.wav", 264);
        Record(instrument, c.bits, c.stereo, c.rate, c.in);
        instrument.FadeOut();
        EXPECT_EQ(Slots(instrument), c.out) << c.bits << " bits, rate " << c.rate;
    }
    // An absurd rate makes the fade longer than any recording; only its last steps reach the
    // slots, with the factors the single-precision count-down gives them.
    for (uint32_t rate : {0xFFFFFFFFu, 900000000u, 838860850u, 4000000u}) {
        CInstrument instrument("x.wav", 264);
        Record(instrument, 16, 0, rate, {30000, -30000, 30000});
        instrument.FadeOut();
        const int64_t frames = rate / 50;
        float v = float(frames - 1);
        for (int64_t k = 0; k < frames - 3; ++k) {
            v = v - 1;
        }
        std::vector<int16_t> expected;
        for (int16_t value : {30000, -30000, 30000}) {
            expected.push_back(int16_t(std::trunc(double(v / float(frames)) * value)));
            v = v - 1;
        }
        EXPECT_EQ(Slots(instrument), expected) << rate;
    }
}
