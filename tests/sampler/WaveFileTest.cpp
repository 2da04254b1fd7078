// WAV files: reading instruments (the chunk walk, the formats understood and the failures) and
// the songs written.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <sstream>

#include "CLied.h"
#include "SamplerTestSupport.h"

namespace {
const char* const kDamaged = "Die angegebene Datei ist fehlerhaft!";
const char* const kNoOpen = "Die angegebene Datei konnte nicht geöffnet werden!";

// The failure text ("" for none), and the slots, stereo flag and rate read.
std::tuple<std::string, std::vector<int16_t>, int32_t, uint32_t> Read(const Bytes& file) {
    ScratchDir dir;
    WriteBytes(dir.File("in.wav"), file);
    CWaveFile wave(dir.File("in.wav"));
    std::string failure = FailureText([&] {
        wave.ReadHeader();
        wave.ReadData();
    });
    return {failure, Slots(wave), wave.IsStereo(), wave.GetSampleRate()};
}

// The rest of an extensible format chunk, naming its sub-format.
Bytes Extensible(uint8_t validBits, uint8_t subFormat) {
    return {22, 0, validBits, 0, 3,    0, 0, 0,    subFormat, 0,    0,    0,
            0,  0, 0x10,      0, 0x80, 0, 0, 0xAA, 0,         0x38, 0x9B, 0x71};
}

Bytes WrittenBytes(const CWaveFile& wave) {
    std::ostringstream out;
    wave.WriteTo(out);
    const std::string s = out.str();
    return Bytes(s.begin(), s.end());
}
}  // namespace

TEST(WaveReader, FilesThatLoad) {
    // "data" before "fmt ", and a RIFF size that does not matter.
    Bytes swapped = {'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A', 'V', 'E'};
    Append(swapped, Chunk("data", {0x01, 0x02}));
    Append(swapped, Chunk("fmt ", {1, 0, 2, 0, 0x40, 0x1F, 0, 0, 0x80, 0x3E, 0, 0, 2, 0, 8, 0}));
    EXPECT_EQ(Read(swapped), std::tuple("", std::vector<int16_t>{1, 2}, 1, 8000u));
    // Odd chunks are padded; an 18-byte format chunk; one sample short leaves the last slot
    // silent, and a half sample is ignored.
    const std::pair<Bytes, std::vector<int16_t>> kCases[] = {
        {BuildWav({.data = Samples16({0, 1, -1, 32767, -32768})}), {0, 1, -1, 32767, -32768}},
        {BuildWav({.bits = 8, .data = {0x00, 0xFF, 0x7F, 0x80}}), {0, 255, 127, 128}},
        {BuildWav({.data = Samples16({10, 20, 30}),
                   .fmtExtra = {0, 0},
                   .chunksBeforeFmt = Chunk("JUNK", Bytes(27, 0x55)),
                   .chunksBeforeData = Chunk("LIST", Bytes(40, 0x66)),
                   .chunksAfterData = Chunk("LIST", Bytes(8, 0x77))}),
         {10, 20, 30}},
        {BuildWav(
             {.formatTag = 0xFFFE, .data = Samples16({-5, 300}), .fmtExtra = Extensible(16, 1)}),
         {-5, 300}},
        {BuildWav({.data = Samples16({7, 8, 9}), .dataSizeField = 8}), {7, 8, 9, 0}},
        {BuildWav({.data = {1, 0, 2, 0, 3}}), {1, 2}},
    };
    for (size_t i = 0; i < std::size(kCases); ++i) {
        EXPECT_EQ(Read(kCases[i].first), std::tuple("", kCases[i].second, 0, 22050u)) << i;
    }
    EXPECT_EQ(Read(BuildWav({.rate = 384000, .data = {4, 0}})),
              std::tuple("", std::vector<int16_t>{4}, 0, 384000u));
    // Many small chunks before the format, walked from a file.
    Bytes junk;
    for (int i = 0; i < 200000; ++i) {
        Append(junk, Chunk("JUNK", {uint8_t(i)}));
    }
    EXPECT_EQ(Read(BuildWav({.bits = 8, .data = {9}, .chunksBeforeFmt = junk})),
              std::tuple("", std::vector<int16_t>{9}, 0, 22050u));
}

TEST(WaveReader, DamagedAndMissingFilesFail) {
    const Bytes one = BuildWav({.data = Samples16({1})}), s3 = Samples16({7, 8, 9}), d(24, 0x10);
    auto changed = [&](size_t at, std::initializer_list<uint8_t> bytes) {
        Bytes file = one;
        std::copy(bytes.begin(), bytes.end(), file.begin() + std::ptrdiff_t(at));
        return file;
    };
    // Not RIFF, tags in the wrong case, "WAXE", "Data", ending inside the format chunk or before
    // the data chunk, a format chunk hiding the rest; anything but PCM of 8 or 16 bits in one or
    // two channels at a rate above zero, float or nothing named in an extensible header; more
    // than one sample missing, absurd sizes, a lone byte for the missing sample, no data.
    const Bytes files[] = {
        changed(0, {'r'}),
        changed(36, {'D'}),
        Bytes(one.begin(), one.begin() + 30),
        Bytes(one.begin(), one.begin() + 36),
        changed(16, {0xF0, 0xFF, 0xFF, 0x7F}),
        BuildWav({.bits = 24, .data = d}),
        BuildWav({.formatTag = 3, .bits = 32, .data = d}),
        BuildWav({.channels = 3, .data = d}),
        BuildWav({.rate = 0, .data = d}),
        BuildWav({.rate = 384001, .data = d}),
        BuildWav({.formatTag = 0xFFFE, .channels = 2, .data = d, .fmtExtra = Extensible(32, 3)}),
        BuildWav({.data = s3, .dataSizeField = 10}),
        BuildWav({.data = s3, .dataSizeField = 0xFFFFFFF0u}),
        BuildWav({.data = {7, 0, 8, 0, 9, 0, 1}, .dataSizeField = 8}),
        BuildWav({})};
    for (size_t i = 0; i < std::size(files); ++i) {
        EXPECT_EQ(std::get<0>(Read(files[i])), kDamaged) << i;
    }
    CWaveFile wave;
    EXPECT_EQ(FailureText([&] { wave.ReadHeader(); }), "Es wurde kein Datei angegeben!");
    EXPECT_EQ(FailureText([&] { wave.ReadData(); }), "Es wurde keine Datei angegeben!");
    for (const char* pszPath : {"/nicht/da.wav", "/"}) {
        wave.SetFileName(pszPath);
        EXPECT_EQ(FailureText([&] { wave.ReadHeader(); }), kNoOpen) << pszPath;
    }
}

TEST(WaveWriter, HeaderBytesAndSamplesLowByteFirst) {
    CLied song;
    Record(song, 16, 1, 44100, {-32768, 32767, -1, 0x1234});
    EXPECT_EQ(WrittenBytes(song), Hex(R"("RIFF" 2C 00 00 00 "WAVEfmt" 20 10 00 00 00 01 00 02 00)"
                                      R"( 44 AC 00 00 10 B1 02 00 04 00 10 00 "data" 08 00 00 00)"
                                      R"( 00 80 FF 7F FF FF 34 12)"));
    // Odd sizes are padded; only the low byte of an 8-bit sample is written.
    Record(song, 8, 0, 11025, {0, 255, 0x1A7});
    EXPECT_EQ(WrittenBytes(song), Hex(R"("RIFF" 28 00 00 00 "WAVEfmt" 20 10 00 00 00 01 00 01 00)"
                                      R"( 11 2B 00 00 11 2B 00 00 01 00 08 00 "data" 03 00 00 00)"
                                      R"( 00 FF A7 00)"));
}

// Songs go through the replacing writer (its own tests cover links and modes); what it refuses
// is reported as not opened. A FIFO would wait for a writer and a device never end: neither is
// a recording.
TEST(WaveFiles, LongSongsReadBackAndFifosAndDevicesAreNoRecordings) {
    const char* const kCannotOpen = "Die angegebene Zieldatei konnte nicht geöffnet werden!";
    ScratchDir dir;
    ASSERT_EQ(mkfifo(dir.File("fifo.wav").c_str(), 0666), 0);
    for (const std::string& path :
         {dir.File("fifo.wav"), std::string("/dev/zero"), std::string("/dev/null")}) {
        EXPECT_TRUE(PassesInChild(
            [&] {
                CWaveFile wave(path);
                return FailureText([&] { wave.ReadHeader(); }) == kDamaged;
            },
            {}, 10))
            << path;
    }
    // More than the largest block the writer hands on at once, odd in stereo.
    CLied song(dir.File("song.wav"));
    const std::vector<int16_t> slots = RandomSlots(4'500'001, 16, 7);
    Record(song, 16, 1, 44100, slots);
    song.Write();
    EXPECT_EQ(ReadBytes(dir.File("song.wav")), WrittenBytes(song));
    EXPECT_EQ(Read(ReadBytes(dir.File("song.wav"))), std::tuple("", slots, 1, 44100u));
    for (const std::string& path : {dir.File("fifo.wav"), dir.Path().string()}) {
        song.SetFileName(path);
        EXPECT_EQ(FailureText([&] { song.Write(); }), kCannotOpen) << path;
    }
    EXPECT_TRUE(fs::is_fifo(dir.File("fifo.wav")));
    song.SetFileName("");
    EXPECT_EQ(FailureText([&] { song.Write(); }), "Es wurde keine Datei angegeben!");
}
