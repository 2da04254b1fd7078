// Slot access and the WAV file the song buffer writes.

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <sstream>

#include "CLied.h"
#include "CWaveFile.h"
#include "SamplerTestSupport.h"

using namespace SamplerTest;

namespace {
Bytes WrittenBytes(const CWaveFile& wave) {
    std::ostringstream out;
    wave.WriteTo(out);
    const std::string s = out.str();
    return Bytes(s.begin(), s.end());
}

uint32_t LE32(const Bytes& b, size_t at) {
    return uint32_t(b[at]) | uint32_t(b[at + 1]) << 8 | uint32_t(b[at + 2]) << 16 |
           uint32_t(b[at + 3]) << 24;
}
uint32_t LE16(const Bytes& b, size_t at) {
    return uint32_t(b[at]) | uint32_t(b[at + 1]) << 8;
}
}  // namespace

TEST(WaveSlots, NewBufferIsEmptyAndSilentPastTheEnd) {
    CWaveFile wave("x.wav");
    EXPECT_EQ(wave.GetFileName(), "x.wav");
    EXPECT_EQ(wave.GetSampleRate(), 0u);
    EXPECT_EQ(wave.GetBitsPerSample(), 0);
    EXPECT_EQ(wave.IsStereo(), 0);
    EXPECT_EQ(wave.GetSize(), 0u);
    int16_t value = 5;
    EXPECT_FALSE(wave.GetSample(0, value));
    EXPECT_EQ(value, 0);
    wave.SetBitsPerSample(8);
    EXPECT_FALSE(wave.GetSample(0, value));
    EXPECT_EQ(value, 127);
    EXPECT_FALSE(wave.AppendSample(1));
    EXPECT_TRUE(wave.Allocate(0));
    EXPECT_EQ(wave.GetSize(), 0u);
}

TEST(WaveSlots, SetGetAppendKeepLow16BitsAndRefuseOutOfRange) {
    CWaveFile wave;
    wave.SetBitsPerSample(16);
    ASSERT_TRUE(wave.Allocate(3));
    EXPECT_TRUE(wave.AppendSample(70000));  // low 16 bits: 4464
    EXPECT_TRUE(wave.AppendSample(-1));
    EXPECT_TRUE(wave.AppendSample(32768));  // wraps to -32768
    EXPECT_FALSE(wave.AppendSample(9));
    int16_t v = 0;
    ASSERT_TRUE(wave.GetSample(0, v));
    EXPECT_EQ(v, 4464);
    ASSERT_TRUE(wave.GetSample(2, v));
    EXPECT_EQ(v, -32768);
    EXPECT_TRUE(wave.SetSample(1, 123));
    EXPECT_FALSE(wave.SetSample(3, 7));
    EXPECT_FALSE(wave.SetSample(uint32_t(-1), 7));
    ASSERT_TRUE(wave.GetSample(1, v));
    EXPECT_EQ(v, 123);
    EXPECT_FALSE(wave.GetSample(3, v));
    EXPECT_EQ(v, 0);
    // A new allocation restarts the append cursor.
    ASSERT_TRUE(wave.Allocate(1));
    EXPECT_TRUE(wave.AppendSample(1));
    wave.FreeSamples();
    EXPECT_EQ(wave.GetSize(), 0u);
    EXPECT_EQ(wave.GetBitsPerSample(), 16);
    EXPECT_EQ(wave.GetFileName(), "");
}

TEST(WaveSlots, SetFormatSetsAllThree) {
    CLied song;
    song.SetFormat(44100, 8, 1);
    EXPECT_EQ(song.GetSampleRate(), 44100u);
    EXPECT_EQ(song.GetBitsPerSample(), 8);
    EXPECT_EQ(song.IsStereo(), 1);
    EXPECT_EQ(song.SilenceValue(), 127);
}

TEST(WaveWriter, HeaderOfOneBarFromStandard) {
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
        EXPECT_EQ(int16_t(LE16(bytes, 44 + 2 * i)), int16_t(int32_t(i * 7) - 30000)) << i;
    }
}

TEST(WaveWriter, ByteRateAndBlockAlignPerFormat) {
    struct Case {
        uint32_t rate;
        uint8_t bits;
        int32_t stereo;
        uint32_t byteRate;
        uint32_t align;
    };
    for (const Case& c : {Case{22050, 16, 0, 44100, 2}, Case{44100, 16, 1, 176400, 4},
                          Case{22050, 8, 1, 44100, 2}, Case{11025, 8, 0, 11025, 1}}) {
        CLied song;
        song.SetFormat(c.rate, c.bits, c.stereo);
        const Bytes b = WrittenBytes(song);
        EXPECT_EQ(LE16(b, 22), c.stereo ? 2u : 1u);
        EXPECT_EQ(LE32(b, 24), c.rate);
        EXPECT_EQ(LE32(b, 28), c.byteRate);
        EXPECT_EQ(LE16(b, 32), c.align);
        EXPECT_EQ(LE16(b, 34), c.bits);
    }
}

TEST(WaveWriter, OddDataSizeGetsPadByteAndEmptyBufferABareHeader) {
    CLied song;
    song.SetFormat(8000, 8, 0);
    ASSERT_TRUE(song.Allocate(3));
    song.SetSample(0, 0);
    song.SetSample(1, 255);
    song.SetSample(2, 0x1A7);  // only the low byte is written
    Bytes b = WrittenBytes(song);
    ASSERT_EQ(b.size(), 48u);
    EXPECT_EQ(LE32(b, 4), 40u);
    EXPECT_EQ(LE32(b, 40), 3u);
    EXPECT_EQ(Bytes(b.begin() + 44, b.end()), (Bytes{0x00, 0xFF, 0xA7, 0x00}));

    song.FreeSamples();
    b = WrittenBytes(song);
    ASSERT_EQ(b.size(), 44u);
    EXPECT_EQ(LE32(b, 4), 36u);
    EXPECT_EQ(LE32(b, 40), 0u);
}

TEST(WaveWriter, SixteenBitSlotsAreTwosComplementLowByteFirst) {
    CLied song;
    song.SetFormat(8000, 16, 1);
    ASSERT_TRUE(song.Allocate(4));
    const int16_t values[] = {-32768, 32767, -1, 0x1234};
    for (uint32_t i = 0; i < 4; ++i) {
        song.SetSample(i, values[i]);
    }
    const Bytes b = WrittenBytes(song);
    EXPECT_EQ(Bytes(b.begin() + 44, b.end()),
              (Bytes{0x00, 0x80, 0xFF, 0x7F, 0xFF, 0xFF, 0x34, 0x12}));
}

TEST(WaveWriter, WriteMatchesTheBytesAndReadsBackTheSame) {
    ScratchDir dir;
    CLied song(dir.File("song.wav"));
    song.SetFormat(11025, 16, 1);
    ASSERT_TRUE(song.Allocate(1001));  // odd in stereo: the reader takes every slot back
    for (uint32_t i = 0; i < 1001; ++i) {
        song.SetSample(i, int32_t(i * 977) % 65536 - 32768);
    }
    song.Write();
    EXPECT_EQ(ReadBytes(song.GetFileName()), WrittenBytes(song));
    EXPECT_EQ(dir.Entries(), std::vector<std::string>{"song.wav"});

    CWaveFile back(song.GetFileName());
    back.ReadHeader();
    back.ReadData();
    EXPECT_EQ(back.GetSampleRate(), 11025u);
    EXPECT_EQ(back.GetBitsPerSample(), 16);
    EXPECT_EQ(back.IsStereo(), 1);
    ASSERT_EQ(back.GetSize(), 1001u);
    for (uint32_t i = 0; i < 1001; ++i) {
        int16_t a = 0;
        int16_t b = 0;
        song.GetSample(i, a);
        back.GetSample(i, b);
        ASSERT_EQ(a, b) << i;
    }
}

TEST(WaveWriter, ReplacesAnOlderFileAndKeepsItsPermissions) {
    ScratchDir dir;
    const std::string path = dir.File("song.wav");
    WriteBytes(path, Bytes(5000, 0xEE));
    ASSERT_EQ(::chmod(path.c_str(), 0640), 0);
    CLied song(path);
    song.SetFormat(8000, 8, 0);
    ASSERT_TRUE(song.Allocate(2));
    song.FillSilence();
    song.Write();
    EXPECT_EQ(ReadBytes(path).size(), 46u);
    struct stat info {};
    ASSERT_EQ(::stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0640u);
    EXPECT_EQ(dir.Entries(), std::vector<std::string>{"song.wav"});
}

TEST(WaveWriter, UnwritableTargetsFailWithTheOpenText) {
    ScratchDir dir;
    CLied song;
    song.SetFormat(8000, 16, 0);
    EXPECT_EQ(FailureText([&] { song.Write(); }), "Es wurde keine Datei angegeben!");
    song.SetFileName(dir.File("missing/song.wav"));
    EXPECT_EQ(FailureText([&] { song.Write(); }),
              "Die angegebene Zieldatei konnte nicht geöffnet werden!");
    std::filesystem::create_directory(dir.File("folder"));
    song.SetFileName(dir.File("folder"));
    EXPECT_EQ(FailureText([&] { song.Write(); }),
              "Die angegebene Zieldatei konnte nicht geöffnet werden!");
    EXPECT_TRUE(std::filesystem::is_directory(dir.File("folder")));
    EXPECT_TRUE(std::filesystem::is_empty(dir.File("folder")));
}

TEST(WaveWriter, WriteToALinkReplacesTheFileBehindIt) {
    ScratchDir dir;
    WriteBytes(dir.File("real.wav"), Bytes(10, 1));
    std::filesystem::create_symlink("real.wav", dir.File("link.wav"));
    CLied song(dir.File("link.wav"));
    song.SetFormat(8000, 8, 0);
    song.Write();
    EXPECT_TRUE(std::filesystem::is_symlink(dir.File("link.wav")));
    EXPECT_EQ(ReadBytes(dir.File("real.wav")).size(), 44u);
}

// A disk that fills up while the song is written: the file size limit makes the write fail
// part-way. The older song must survive byte for byte, and no temporary file may remain.
TEST(WaveWriter, WriteThatFailsPartWayLeavesTheOlderFile) {
    ScratchDir dir;
    const std::string path = dir.File("song.wav");
    Bytes older(3000);
    for (size_t i = 0; i < older.size(); ++i) {
        older[i] = static_cast<unsigned char>(i * 31);
    }
    WriteBytes(path, older);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{100000, 100000};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        CLied song(path);
        song.SetFormat(22050, 16, 0);
        song.Allocate(200000);
        song.FillSilence();
        const std::string text = FailureText([&] { song.Write(); });
        ::_exit(text == "Die angegebene Zieldatei konnte nicht geschrieben werden!" ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "the failed write did not report the write text";
    EXPECT_EQ(ReadBytes(path), older);
    EXPECT_EQ(dir.Entries(), std::vector<std::string>{"song.wav"});
}
