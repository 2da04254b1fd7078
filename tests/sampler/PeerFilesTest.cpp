// WAV files exchanged with two independent programs: libsndfile and sox read the songs we
// write, and the instruments they write load here with the same samples.

#include <gtest/gtest.h>
#include <sndfile.h>

#include <cstdlib>
#include <cstring>
#include <random>

#include "CLied.h"
#include "CWaveFile.h"
#include "SamplerTestSupport.h"

using namespace SamplerTest;

namespace {
bool HaveSox() {
    return std::system("command -v sox >/dev/null 2>&1") == 0;
}

int Shell(const std::string& command) {
    return std::system((command + " 2>/dev/null").c_str());
}

// Noise over the whole range of the format, the extremes included.
void FillNoise(CLied& song, uint32_t slots, uint32_t seed) {
    ASSERT_TRUE(song.Allocate(slots));
    std::mt19937 random(seed);
    const bool eight = song.GetBitsPerSample() == 8;
    std::uniform_int_distribution<int> value(eight ? 0 : -32768, eight ? 255 : 32767);
    for (uint32_t i = 0; i < slots; ++i) {
        song.AppendSample(i == 0   ? (eight ? 0 : -32768)
                          : i == 1 ? (eight ? 255 : 32767)
                                   : value(random));
    }
}

CWaveFile& Load(CWaveFile& wave) {
    wave.ReadHeader();
    wave.ReadData();
    return wave;
}

// sox's view of a file's samples, as raw bytes in the file's own encoding.
std::vector<int16_t> SoxSamples(const std::string& path, int bits, const ScratchDir& dir) {
    const std::string raw = dir.File("sox.raw");
    const std::string encoding = bits == 8 ? "-e unsigned -b 8" : "-e signed -b 16 -L";
    EXPECT_EQ(Shell("sox '" + path + "' -t raw " + encoding + " '" + raw + "'"), 0);
    const Bytes bytes = ReadBytes(raw);
    std::vector<int16_t> slots;
    for (size_t i = 0; i < bytes.size(); i += bits / 8) {
        slots.push_back(bits == 8 ? int16_t(bytes[i]) : int16_t(bytes[i] | bytes[i + 1] << 8));
    }
    return slots;
}
}  // namespace

TEST(PeerFiles, LibsndfileReadsOurSongs) {
    struct Case {
        uint32_t rate;
        uint8_t bits;
        int32_t stereo;
        uint32_t slots;
    };
    for (const Case& c : {Case{22050, 16, 0, 22051}, Case{44100, 16, 1, 8820},
                          Case{11025, 8, 0, 1001}, Case{22050, 8, 1, 4410}}) {
        ScratchDir dir;
        CLied song(dir.File("song.wav"));
        song.SetFormat(c.rate, c.bits, c.stereo);
        FillNoise(song, c.slots, c.slots);
        song.Write();

        SF_INFO info{};
        SNDFILE* file = sf_open(song.GetFileName().c_str(), SFM_READ, &info);
        ASSERT_NE(file, nullptr) << sf_strerror(nullptr);
        EXPECT_EQ(info.format, SF_FORMAT_WAV | (c.bits == 8 ? SF_FORMAT_PCM_U8 : SF_FORMAT_PCM_16));
        EXPECT_EQ(info.samplerate, int(c.rate));
        EXPECT_EQ(info.channels, c.stereo ? 2 : 1);
        ASSERT_EQ(info.frames, sf_count_t(c.slots / (c.stereo ? 2 : 1)));
        std::vector<short> read(c.slots);
        ASSERT_EQ(sf_read_short(file, read.data(), c.slots), sf_count_t(c.slots));
        sf_close(file);
        const std::vector<int16_t> ours = Slots(song);
        for (uint32_t i = 0; i < c.slots; ++i) {
            // libsndfile widens unsigned 8-bit samples around 128 to 16 bits.
            const int expected = c.bits == 8 ? (ours[i] - 128) * 256 : ours[i];
            ASSERT_EQ(read[i], expected) << i;
        }
    }
}

TEST(PeerFiles, SoxReadsOurSongs) {
    if (!HaveSox()) {
        GTEST_SKIP() << "sox is not installed (Debian package sox); CI installs it";
    }
    for (uint8_t bits : {uint8_t(8), uint8_t(16)}) {
        ScratchDir dir;
        CLied song(dir.File("song.wav"));
        song.SetFormat(8000, bits, 1);
        FillNoise(song, 3000, bits);
        song.Write();
        EXPECT_EQ(SoxSamples(song.GetFileName(), bits, dir), Slots(song)) << int(bits);
    }
}

TEST(PeerFiles, SoxInstrumentsLoadWithTheirSamples) {
    if (!HaveSox()) {
        GTEST_SKIP() << "sox is not installed (Debian package sox); CI installs it";
    }
    struct Case {
        std::string options;
        int bits;
        int32_t stereo;
        uint32_t rate;
    };
    const Case cases[] = {{"-r 22050 -b 16 -c 1 -t wav", 16, 0, 22050},
                          {"-r 44100 -b 16 -c 2 -t wavpcm", 16, 1, 44100},
                          {"-r 11025 -b 8 -c 1 -t wav", 8, 0, 11025},
                          {"-r 8000 -b 8 -c 2 -t wavpcm", 8, 1, 8000}};
    for (const Case& c : cases) {
        ScratchDir dir;
        const std::string path = dir.File("instrument.wav");
        ASSERT_EQ(
            Shell("sox -n " + c.options + " '" + path + "' synth 0.3 sine 300 sine 440 vol 0.9"),
            0);
        CWaveFile wave(path);
        ASSERT_EQ(FailureText([&] { Load(wave); }), "") << c.options;
        EXPECT_EQ(wave.GetBitsPerSample(), c.bits);
        EXPECT_EQ(wave.IsStereo(), c.stereo);
        EXPECT_EQ(wave.GetSampleRate(), c.rate);
        const std::vector<int16_t> expected = SoxSamples(path, c.bits, dir);
        EXPECT_GT(expected.size(), 1000u);
        EXPECT_EQ(Slots(wave), expected) << c.options;
    }
}

TEST(PeerFiles, SoxFormatsWeCannotPlayAreRefused) {
    if (!HaveSox()) {
        GTEST_SKIP() << "sox is not installed (Debian package sox); CI installs it";
    }
    // 24 bits and three channels come in the extensible header with a fact chunk, float as
    // format 3, the telephone codes as their own format tags.
    for (const std::string options : {"-b 24 -t wav", "-b 16 -c 3 -t wav", "-e float -b 32",
                                      "-e u-law -b 8", "-e a-law -b 8", "-e ms-adpcm"}) {
        ScratchDir dir;
        const std::string path = dir.File("odd.wav");
        ASSERT_EQ(Shell("sox -n -r 8000 " + options + " '" + path + "' synth 0.1 sine 440"), 0)
            << options;
        CWaveFile wave(path);
        EXPECT_EQ(FailureText([&] { Load(wave); }), "Die angegebene Datei ist fehlerhaft!")
            << options;
    }
}

TEST(PeerFiles, LibsndfileExtensibleAndExtraChunksLoad) {
    struct Case {
        int format;
        int channels;
        bool broadcast;
    };
    for (const Case& c : {Case{SF_FORMAT_WAVEX | SF_FORMAT_PCM_16, 2, false},
                          Case{SF_FORMAT_WAVEX | SF_FORMAT_PCM_16, 1, true},
                          Case{SF_FORMAT_WAV | SF_FORMAT_PCM_U8, 2, true}}) {
        ScratchDir dir;
        const std::string path = dir.File("instrument.wav");
        SF_INFO info{};
        info.samplerate = 16000;
        info.channels = c.channels;
        info.format = c.format;
        SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
        ASSERT_NE(file, nullptr) << sf_strerror(nullptr);
        if (c.broadcast) {
            SF_BROADCAST_INFO bext{};
            std::strcpy(bext.description, "Kantilo test instrument");
            ASSERT_EQ(sf_command(file, SFC_SET_BROADCAST_INFO, &bext, sizeof bext), SF_TRUE);
            sf_set_string(file, SF_STR_TITLE, "Probe");
        }
        std::vector<short> written(2001 * size_t(c.channels));
        std::mt19937 random(c.channels);
        for (short& s : written) {
            s = short(random() & 0xFF00);  // survives the 8-bit format unchanged
        }
        ASSERT_EQ(sf_write_short(file, written.data(), sf_count_t(written.size())),
                  sf_count_t(written.size()));
        sf_close(file);

        CWaveFile wave(path);
        ASSERT_EQ(FailureText([&] { Load(wave); }), "") << std::hex << c.format;
        EXPECT_EQ(wave.IsStereo(), c.channels == 2 ? 1 : 0);
        EXPECT_EQ(wave.GetSampleRate(), 16000u);
        const std::vector<int16_t> slots = Slots(wave);
        ASSERT_EQ(slots.size(), written.size());
        for (size_t i = 0; i < slots.size(); ++i) {
            const int expected = (c.format & SF_FORMAT_SUBMASK) == SF_FORMAT_PCM_U8
                                     ? (written[i] >> 8) + 128
                                     : written[i];
            ASSERT_EQ(slots[i], expected) << i;
        }
    }
}
