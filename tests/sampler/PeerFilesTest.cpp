// WAV files exchanged with two independent programs: libsndfile and sox read the songs we
// write, and the instruments they write load here with the same samples.

#include <gtest/gtest.h>
#include <sndfile.h>

#include "CLied.h"
#include "SamplerTestSupport.h"

namespace {
bool HaveSox() {
    return std::system("command -v sox >/dev/null 2>&1") == 0;
}

int Shell(const std::string& command) {
    return std::system((command + " 2>/dev/null").c_str());
}

std::string LoadFailure(CWaveFile& wave) {
    return FailureText([&] {
        wave.ReadHeader();
        wave.ReadData();
    });
}

// sox's view of a file's samples, as raw bytes in the file's own encoding.
std::vector<int16_t> SoxSamples(const std::string& path, int bits, const ScratchDir& dir) {
    const std::string raw = dir.File("sox.raw");
    const std::string encoding = bits == 8 ? "-e unsigned -b 8" : "-e signed -b 16 -L";
    EXPECT_EQ(Shell("sox '" + path + "' -t raw " + encoding + " '" + raw + "'"), 0);
    const Bytes bytes = ReadBytes(raw);
    std::vector<int16_t> slots;
    for (size_t i = 0; i < bytes.size(); i += size_t(bits / 8)) {
        slots.push_back(bits == 8 ? int16_t(bytes[i]) : int16_t(bytes[i] | bytes[i + 1] << 8));
    }
    return slots;
}
}  // namespace

TEST(PeerFiles, LibsndfileAndSoxReadOurSongs) {
    for (const auto& [rate, bits, stereo, count] : {std::tuple{22050u, 16, 0, 22051u},
                                                    {44100u, 16, 1, 8820u},
                                                    {11025u, 8, 0, 1001u},
                                                    {22050u, 8, 1, 4410u}}) {
        ScratchDir dir;
        CLied song(dir.File("song.wav"));
        song.SetFormat(rate, uint8_t(bits), stereo);
        // Noise over the whole range of the format, the extremes first.
        ASSERT_TRUE(song.Allocate(count));
        for (int16_t v : RandomSlots(count, bits, count)) {
            song.AppendSample(v);
        }
        song.SetSample(0, bits == 8 ? 0 : -32768);
        song.SetSample(1, bits == 8 ? 255 : 32767);
        song.Write();

        SF_INFO info{};
        SNDFILE* file = sf_open(song.GetFileName().c_str(), SFM_READ, &info);
        ASSERT_NE(file, nullptr) << sf_strerror(nullptr);
        EXPECT_EQ(info.format, SF_FORMAT_WAV | (bits == 8 ? SF_FORMAT_PCM_U8 : SF_FORMAT_PCM_16));
        EXPECT_EQ(info.samplerate, int(rate));
        EXPECT_EQ(info.channels, stereo ? 2 : 1);
        std::vector<short> read(count);
        ASSERT_EQ(sf_read_short(file, read.data(), count), sf_count_t(count));
        sf_close(file);
        const std::vector<int16_t> ours = Slots(song);
        for (uint32_t i = 0; i < count; ++i) {
            // libsndfile widens unsigned 8-bit samples around 128 to 16 bits.
            ASSERT_EQ(read[i], bits == 8 ? (ours[i] - 128) * 256 : ours[i]) << i;
        }
        if (HaveSox()) {
            EXPECT_EQ(SoxSamples(song.GetFileName(), bits, dir), ours) << bits;
        }
    }
}

TEST(PeerFiles, SoxInstrumentsLoadWithTheirSamplesOrAreRefused) {
    if (!HaveSox()) {
        GTEST_SKIP() << "sox is not installed (Debian package sox); CI installs it";
    }
    for (const auto& [options, bits, stereo, rate] :
         {std::tuple{"-r 22050 -b 16 -c 1 -t wav", 16, 0, 22050u},
          {"-r 44100 -b 16 -c 2 -t wavpcm", 16, 1, 44100u},
          {"-r 11025 -b 8 -c 1 -t wav", 8, 0, 11025u},
          {"-r 8000 -b 8 -c 2 -t wavpcm", 8, 1, 8000u}}) {
        ScratchDir dir;
        const std::string path = dir.File("instrument.wav");
        ASSERT_EQ(Shell(std::string("sox -n ") + options + " '" + path +
                        "' synth 0.3 sine 300 sine 440 vol 0.9"),
                  0);
        CWaveFile wave(path);
        ASSERT_EQ(LoadFailure(wave), "") << options;
        EXPECT_EQ(wave.GetBitsPerSample(), bits);
        EXPECT_EQ(wave.IsStereo(), stereo);
        EXPECT_EQ(wave.GetSampleRate(), rate);
        const std::vector<int16_t> expected = SoxSamples(path, bits, dir);
        EXPECT_GT(expected.size(), 1000u);
        EXPECT_EQ(Slots(wave), expected) << options;
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
        EXPECT_EQ(LoadFailure(wave), "Die angegebene Datei ist fehlerhaft!") << options;
    }
}
