// The renderer against the plain array version on random recordings and random sheets.

#include <gtest/gtest.h>

#include <random>

#include "CInstrument.h"
#include "CLied.h"
#include "CNote.h"
#include "CNotenblatt.h"
#include "CSampler.h"
#include "ReferenceRenderer.h"
#include "SamplerTestSupport.h"

using namespace SamplerTest;

namespace {
// The events a listener hears: a note and every note tied on from it sound as one.
std::vector<ReferenceRenderer::Event> HeardEvents(CNotenblatt& sheet) {
    struct Info {
        int32_t d, rest, to, from;
        uint16_t p;
    };
    std::vector<Info> notes;
    int32_t bNewBar = 0;
    for (CNote* n = sheet.GetFirstNote(); n; n = sheet.GetNextNote(bNewBar)) {
        Info info{};
        n->GetInfo(info.d, info.p, info.rest, info.to, info.from);
        notes.push_back(info);
    }
    std::vector<ReferenceRenderer::Event> events;
    for (size_t i = 0; i < notes.size(); ++i) {
        if (notes[i].rest) {
            events.push_back({notes[i].p, notes[i].d, true});
            continue;
        }
        ReferenceRenderer::Event e{notes[i].p, notes[i].d, false};
        while (notes[i].to && i + 1 < notes.size()) {
            ++i;
            e.eighths += notes[i].d;
            e.pitch = notes[i].p;
        }
        events.push_back(e);
    }
    return events;
}

const int32_t kBases[] = {149, 165, 176, 198, 220, 248, 264, 297, 330, 352, 396, 440, 495};
const int32_t kTools[] = {1, 2, 4, 8, 11, 12, 14, 18};
}  // namespace

TEST(RenderRandom, MatchesThePlainVersionBitForBit) {
    std::mt19937 random(20261206);
    for (int round = 0; round < 40; ++round) {
        ReferenceRenderer::Recording rec;
        rec.bits = random() % 2 ? 8 : 16;
        rec.stereo = random() % 2;
        const uint32_t rates[] = {8000, 11025, 22050, 44100, 48000, 1234};
        rec.rate = rates[random() % 6];
        rec.base = kBases[random() % 13];
        const uint32_t frames = 1 + random() % 30000;
        std::uniform_int_distribution<int> value(rec.bits == 8 ? 0 : -32768,
                                                 rec.bits == 8 ? 255 : 32767);
        rec.slots.resize(frames * (rec.stereo ? 2 : 1));
        for (int16_t& s : rec.slots) {
            s = int16_t(value(random));
        }
        CInstrument instrument("x.wav", rec.base);
        instrument.SetBitsPerSample(uint8_t(rec.bits));
        instrument.SetStereo(rec.stereo);
        instrument.SetSampleRate(rec.rate);
        ASSERT_TRUE(instrument.Allocate(uint32_t(rec.slots.size())));
        for (int16_t s : rec.slots) {
            instrument.AppendSample(s);
        }
        CNotenblatt sheet;
        const int entries = int(random() % 12);
        for (int e = 0; e < entries; ++e) {
            const uint16_t pitch = Pitches()[random() % 13];
            sheet.AddNote({0, HeightOf(pitch)}, kTools[random() % 8], random() % 3 == 0);
        }
        CLied song;
        CSampler sampler;
        RecordingSink sink;
        sampler.Render(sink, instrument, song, sheet);
        const std::vector<int16_t> got = Slots(song);
        const std::vector<int16_t> expected =
            ReferenceRenderer::Render(rec, HeardEvents(sheet), sheet.GetLength());
        ASSERT_EQ(got, expected) << "round " << round << ", " << rec.bits << " bits, "
                                 << (rec.stereo ? "stereo" : "mono") << ", rate " << rec.rate;
    }
}
