// Slot access and the WAV file the song buffer writes.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <sstream>

#include "CLied.h"
#include "SamplerTestSupport.h"

namespace {
Bytes WrittenBytes(const CWaveFile& wave) {
    std::ostringstream out;
    wave.WriteTo(out);
    const std::string s = out.str();
    return Bytes(s.begin(), s.end());
}

uint32_t LE(const Bytes& b, size_t at, int count) {
    uint32_t value = 0;
    for (int i = count - 1; i >= 0; --i) {
        value = value << 8 | b[at + size_t(i)];
    }
    return value;
}

const char* const kWriteFailure = "Die angegebene Zieldatei konnte nicht geschrieben werden!";
}  // namespace

TEST(WaveSlots, KeepLow16BitsRefuseOutOfRangeAndReadSilencePastTheEnd) {
    CWaveFile wave("x.wav");
    EXPECT_EQ(wave.GetSampleRate() + wave.GetBitsPerSample() + wave.GetSize(), 0u);
    int16_t v = 5;
    EXPECT_FALSE(wave.GetSample(0, v));
    EXPECT_EQ(v, 0);
    EXPECT_FALSE(wave.AppendSample(1));
    wave.SetBitsPerSample(8);
    EXPECT_FALSE(wave.GetSample(0, v));
    EXPECT_EQ(v, 127);
    wave.SetBitsPerSample(16);
    ASSERT_TRUE(wave.Allocate(3));
    EXPECT_TRUE(wave.AppendSample(70000));  // low 16 bits: 4464
    EXPECT_TRUE(wave.AppendSample(-1));
    EXPECT_TRUE(wave.AppendSample(32768));  // wraps to -32768
    EXPECT_FALSE(wave.AppendSample(9));
    EXPECT_TRUE(wave.SetSample(1, 123));
    EXPECT_FALSE(wave.SetSample(3, 7));
    EXPECT_FALSE(wave.SetSample(uint32_t(-1), 7));
    EXPECT_EQ(Slots(wave), (std::vector<int16_t>{4464, 123, -32768}));
    EXPECT_FALSE(wave.GetSample(3, v));
    EXPECT_EQ(v, 0);
    ASSERT_TRUE(wave.Allocate(1));  // a new allocation restarts the append cursor
    EXPECT_TRUE(wave.AppendSample(1));
    wave.FreeSamples();
    EXPECT_EQ(wave.GetSize(), 0u);
    EXPECT_EQ(wave.GetBitsPerSample(), 16);
    EXPECT_EQ(wave.GetFileName(), "x.wav");
}

TEST(WaveWriter, HeaderBytesPerFormat) {
    CLied song;
    song.SetFormat(22050, 16, 0);
    ASSERT_TRUE(song.Allocate(44100));
    for (uint32_t i = 0; i < 44100; ++i) {
        song.SetSample(i, int32_t(i * 7) - 30000);
    }
    const Bytes bytes = WrittenBytes(song);
    const Bytes expected = {0x52, 0x49, 0x46, 0x46, 0xAC, 0x58, 0x01, 0x00, 0x57, 0x41, 0x56,
                            0x45, 0x66, 0x6D, 0x74, 0x20, 0x10, 0x00, 0x00, 0x00, 0x01, 0x00,
                            0x01, 0x00, 0x22, 0x56, 0x00, 0x00, 0x44, 0xAC, 0x00, 0x00, 0x02,
                            0x00, 0x10, 0x00, 0x64, 0x61, 0x74, 0x61, 0x88, 0x58, 0x01, 0x00};
    ASSERT_EQ(bytes.size(), 44u + 88200u);
    EXPECT_EQ(Bytes(bytes.begin(), bytes.begin() + 44), expected);
    for (uint32_t i = 0; i < 44100; i += 4321) {
        EXPECT_EQ(int16_t(LE(bytes, 44 + 2 * i, 2)), int16_t(int32_t(i * 7) - 30000)) << i;
    }
    for (const auto& [rate, bits, stereo, byteRate, align] :
         {std::tuple{44100u, 16, 1, 176400u, 4u},
          {22050u, 8, 1, 44100u, 2u},
          {11025u, 8, 0, 11025u, 1u}}) {
        song.SetFormat(rate, uint8_t(bits), stereo);
        EXPECT_EQ(song.SilenceValue(), bits == 8 ? 127 : 0);
        const Bytes b = WrittenBytes(song);
        EXPECT_EQ(LE(b, 22, 2), stereo ? 2u : 1u);
        EXPECT_EQ(LE(b, 24, 4), rate);
        EXPECT_EQ(LE(b, 28, 4), byteRate);
        EXPECT_EQ(LE(b, 32, 2), align);
        EXPECT_EQ(LE(b, 34, 2), uint32_t(bits));
    }
}

TEST(WaveWriter, SamplesLowByteFirstOddSizesPaddedEmptyBufferBareHeader) {
    CLied song;
    song.SetFormat(8000, 16, 1);
    ASSERT_TRUE(song.Allocate(4));
    for (int16_t v : {-32768, 32767, -1, 0x1234}) {
        song.AppendSample(v);
    }
    Bytes b = WrittenBytes(song);
    EXPECT_EQ(Bytes(b.begin() + 44, b.end()),
              (Bytes{0x00, 0x80, 0xFF, 0x7F, 0xFF, 0xFF, 0x34, 0x12}));
    song.SetFormat(8000, 8, 0);
    ASSERT_TRUE(song.Allocate(3));
    for (int v : {0, 255, 0x1A7}) {  // only the low byte is written
        song.AppendSample(v);
    }
    b = WrittenBytes(song);
    ASSERT_EQ(b.size(), 48u);
    EXPECT_EQ(LE(b, 4, 4), 40u);
    EXPECT_EQ(LE(b, 40, 4), 3u);
    EXPECT_EQ(Bytes(b.begin() + 44, b.end()), (Bytes{0x00, 0xFF, 0xA7, 0x00}));
    song.FreeSamples();
    b = WrittenBytes(song);
    ASSERT_EQ(b.size(), 44u);
    EXPECT_EQ(LE(b, 4, 4), 36u);
    EXPECT_EQ(LE(b, 40, 4), 0u);
}

TEST(WaveWriter, WritesReplacingOlderFilesLinksKeptAndReadsBack) {
    ScratchDir dir;
    WriteBytes(dir.File("real.wav"), Bytes(5000, 0xEE));
    ASSERT_EQ(::chmod(dir.File("real.wav").c_str(), 0640), 0);
    std::filesystem::create_symlink("real.wav", dir.File("link.wav"));
    for (const char* name : {"song.wav", "real.wav", "link.wav"}) {
        CLied song(dir.File(name));
        song.SetFormat(11025, 16, 1);
        ASSERT_TRUE(song.Allocate(1001));  // odd in stereo: the reader takes every slot back
        for (uint32_t i = 0; i < 1001; ++i) {
            song.SetSample(i, int32_t(i * 977) % 65536 - 32768);
        }
        song.Write();
        EXPECT_EQ(ReadBytes(dir.File(name)), WrittenBytes(song));
        CWaveFile back(song.GetFileName());
        back.ReadHeader();
        back.ReadData();
        EXPECT_EQ(back.GetSampleRate(), 11025u);
        EXPECT_EQ(back.IsStereo(), 1);
        EXPECT_EQ(Slots(back), Slots(song));
    }
    EXPECT_TRUE(std::filesystem::is_symlink(dir.File("link.wav")));
    struct stat info {};
    ASSERT_EQ(::stat(dir.File("real.wav").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0640u);
    EXPECT_EQ(dir.Names(), (std::vector<std::string>{"link.wav", "real.wav", "song.wav"}));
}

TEST(WaveWriter, FailuresLeaveTheOlderFile) {
    ScratchDir dir;
    CLied song;
    song.SetFormat(8000, 16, 0);
    EXPECT_EQ(FailureText([&] { song.Write(); }), "Es wurde keine Datei angegeben!");
    std::filesystem::create_directory(dir.File("folder"));
    for (const std::string& path : {dir.File("missing/song.wav"), dir.File("folder")}) {
        song.SetFileName(path);
        EXPECT_EQ(FailureText([&] { song.Write(); }),
                  "Die angegebene Zieldatei konnte nicht geöffnet werden!");
    }
    EXPECT_TRUE(std::filesystem::is_empty(dir.File("folder")));
    // The disk fills up part-way: the older song survives byte for byte, no temporary file stays.
    Bytes older(3000);
    for (size_t i = 0; i < older.size(); ++i) {
        older[i] = uint8_t(i * 31);
    }
    WriteBytes(dir.File("song.wav"), older);
    EXPECT_TRUE(PassesWithFileLimit(100000, [&] {
        CLied big(dir.File("song.wav"));
        big.SetFormat(22050, 16, 0);
        big.Allocate(200000);
        big.FillSilence();
        return FailureText([&] { big.Write(); }) == kWriteFailure;
    })) << "the failed write did not report the write text";
    EXPECT_EQ(ReadBytes(dir.File("song.wav")), older);
    EXPECT_EQ(dir.Names(), (std::vector<std::string>{"folder", "song.wav"}));
}
