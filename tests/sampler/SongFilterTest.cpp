// The filter stage of the sampler: the song filtered in place after rendering.

#include <gtest/gtest.h>

#include <random>

#include "CInstrument.h"
#include "CLied.h"
#include "CNotenblatt.h"
#include "CSampler.h"
#include "ReferenceFilter.h"
#include "SamplerTestSupport.h"

using namespace SamplerTest;

namespace {
// A rendered song of the given frames, then overwritten with the given slots: one eighth rest
// at a sample rate of four times the frames gives exactly that many frames.
class SongUnderTest {
public:
    SongUnderTest(const std::vector<int16_t>& slots, int bits, bool stereo)
        : m_instrument("x.wav", 264) {
        const uint32_t frames = uint32_t(slots.size()) / (stereo ? 2 : 1);
        m_instrument.SetBitsPerSample(uint8_t(bits));
        m_instrument.SetStereo(stereo);
        m_instrument.SetSampleRate(4 * frames);
        m_sheet.AddNote({0, HeightOf(264)}, 11, 0);
        m_sampler.Render(sink, m_instrument, m_song, m_sheet);
        EXPECT_EQ(m_song.GetSize(), slots.size());
        for (uint32_t i = 0; i < slots.size(); ++i) {
            m_song.SetSample(i, slots[i]);
        }
        sink.samplerSteps = 0;
    }
    std::vector<int16_t> Filter(int taps) {
        m_sampler.Filter(taps);
        return Slots(m_song);
    }
    RecordingSink sink;

private:
    CInstrument m_instrument;
    CNotenblatt m_sheet;
    CLied m_song;
    CSampler m_sampler;
};

std::vector<int16_t> Reference(std::vector<int16_t> slots, int bits, bool stereo, int taps) {
    ReferenceFilter::Run(slots.data(), uint32_t(slots.size()), stereo, bits, taps, 0, nullptr);
    return slots;
}
}  // namespace

TEST(SongFilter, NineTapsOnConstantSongs) {
    SongUnderTest loud(std::vector<int16_t>(12, 1000), 16, false);
    EXPECT_EQ(loud.Filter(9),
              (std::vector<int16_t>{0, -106, -106, 212, 712, 1030, 1030, 924, 924, 924, 924, 924}));
    SongUnderTest eight(std::vector<int16_t>(12, 200), 8, false);
    EXPECT_EQ(eight.Filter(9),
              (std::vector<int16_t>{127, 120, 120, 143, 179, 202, 202, 195, 195, 195, 195, 195}));
}

// The right channel starts from silence: nothing of the left channel's last samples leaks
// into its first results.
TEST(SongFilter, EachChannelStartsFromSilence) {
    std::vector<int16_t> slots(40, 0);
    for (size_t s = 0; s < slots.size(); s += 2) {
        slots[s] = 30000;  // loud left, silent right
    }
    SongUnderTest song(slots, 16, true);
    const std::vector<int16_t> out = song.Filter(19);
    for (size_t s = 1; s < out.size(); s += 2) {
        EXPECT_EQ(out[s], 0) << s;
    }
    std::vector<int16_t> eight(40, 127);
    for (size_t s = 0; s < eight.size(); s += 2) {
        eight[s] = 255;
    }
    SongUnderTest song8(eight, 8, true);
    const std::vector<int16_t> out8 = song8.Filter(9);
    for (size_t s = 1; s < out8.size(); s += 2) {
        EXPECT_EQ(out8[s], 127) << s;
    }
}

TEST(SongFilter, ResultsBeyondTheSampleRangeSaturate) {
    // Signs following the coefficients drive the sum far past the range.
    const std::vector<float> c = ReferenceFilter::Coefficients(19);
    std::vector<int16_t> up(19);
    std::vector<int16_t> up8(19);
    for (size_t k = 0; k < 19; ++k) {
        up[18 - k] = c[k] >= 0 ? 32767 : -32768;
        up8[18 - k] = c[k] >= 0 ? 255 : 0;
    }
    std::vector<int16_t> down = up;
    for (int16_t& v : down) {
        v = v == 32767 ? -32768 : 32767;
    }
    EXPECT_EQ(SongUnderTest(up, 16, false).Filter(19).back(), 32767);
    EXPECT_EQ(SongUnderTest(down, 16, false).Filter(19).back(), -32768);
    EXPECT_EQ(SongUnderTest(up8, 8, false).Filter(19).back(), 255);
    std::vector<int16_t> down8 = up8;
    for (int16_t& v : down8) {
        v = int16_t(255 - v);
    }
    EXPECT_EQ(SongUnderTest(down8, 8, false).Filter(19).back(), 0);
}

TEST(SongFilter, EveryLengthMatchesThePlainFilter) {
    std::mt19937 random(7);
    for (int taps = 9; taps <= 99; taps += 2) {
        for (int bits : {8, 16}) {
            for (bool stereo : {false, true}) {
                const uint32_t frames = 1 + random() % 3000;
                std::vector<int16_t> slots(frames * (stereo ? 2 : 1));
                std::uniform_int_distribution<int> value(bits == 8 ? 0 : -32768,
                                                         bits == 8 ? 255 : 32767);
                for (int16_t& s : slots) {
                    s = int16_t(value(random));
                }
                ASSERT_EQ(SongUnderTest(slots, bits, stereo).Filter(taps),
                          Reference(slots, bits, stereo, taps))
                    << taps << " taps, " << bits << " bits, " << (stereo ? "stereo" : "mono");
            }
        }
    }
}

TEST(SongFilter, StepsTheFilterBarAboutAHundredTimes) {
    SongUnderTest song(std::vector<int16_t>(44100, 5), 16, false);
    song.Filter(19);
    EXPECT_EQ(song.sink.filterSteps, 100);
    EXPECT_EQ(song.sink.samplerSteps, 0);
    SongUnderTest stereo(std::vector<int16_t>(2 * 22051, 5), 16, true);
    stereo.Filter(19);
    EXPECT_EQ(stereo.sink.filterSteps, 100);
}
