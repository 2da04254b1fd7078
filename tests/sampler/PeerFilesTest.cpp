// WAV files exchanged with two independent programs: libsndfile reads the songs we write, and
// an instrument sox writes loads here with the samples sox itself reads from it.

#include <gtest/gtest.h>
#include <sndfile.h>

#include "CLied.h"
#include "SamplerTestSupport.h"

TEST(PeerFiles, LibsndfileReadsOurSongs) {
    for (const auto& [rate, bits, stereo, count] :
         {std::tuple{22050u, 16, 0, 22051u}, {22050u, 8, 1, 4410u}}) {
        ScratchDir dir;
        CLied song(dir.File("song.wav"));
        std::vector<int16_t> ours = RandomSlots(count, bits, count);
        ours[0] = bits == 8 ? 0 : -32768;  // the extremes first
        ours[1] = bits == 8 ? 255 : 32767;
        Record(song, bits, stereo, rate, ours);
        song.Write();
        SF_INFO info{};
        SNDFILE* file = sf_open(song.GetFileName().c_str(), SFM_READ, &info);
        ASSERT_NE(file, nullptr) << sf_strerror(nullptr);
        EXPECT_EQ(info.format, SF_FORMAT_WAV | (bits == 8 ? SF_FORMAT_PCM_U8 : SF_FORMAT_PCM_16));
        EXPECT_EQ(std::tuple(info.samplerate, info.channels),
                  std::tuple(int(rate), stereo ? 2 : 1));
        std::vector<short> read(count);
        ASSERT_EQ(sf_read_short(file, read.data(), count), sf_count_t(count));
        sf_close(file);
        for (int16_t& v : ours) {
            v = int16_t(bits == 8 ? (v - 128) * 256 : v);  // how libsndfile widens 8 bits
        }
        EXPECT_EQ(std::vector<int16_t>(read.begin(), read.end()), ours);
    }
}

TEST(PeerFiles, SoxInstrumentLoadsWithItsSamples) {
    if (std::system("command -v sox >/dev/null 2>&1") != 0) {
        GTEST_SKIP() << "sox is not installed (Debian package sox); CI installs it";
    }
    ScratchDir dir;
    const std::string path = dir.File("instrument.wav"), raw = dir.File("sox.raw");
    ASSERT_EQ(std::system(("sox -n -r 44100 -b 16 -c 2 -t wavpcm '" + path +
                           "' synth 0.3 sine 300 sine 440 vol 0.9 && sox '" + path +
                           "' -t raw -e signed -b 16 -L '" + raw + "'")
                              .c_str()),
              0);
    const Bytes bytes = ReadBytes(raw);
    std::vector<int16_t> expected;
    for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
        expected.push_back(int16_t(bytes[i] | bytes[i + 1] << 8));
    }
    CWaveFile wave(path);
    wave.ReadHeader();
    wave.ReadData();
    EXPECT_EQ(std::tuple(int(wave.GetBitsPerSample()), wave.IsStereo(), wave.GetSampleRate()),
              std::tuple(16, 1, 44100u));
    EXPECT_EQ(Slots(wave), expected);
}
