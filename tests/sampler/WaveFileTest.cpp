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
    // "data" before "fmt ", a RIFF size that does not matter, and the highest rate.
    Bytes swapped = {'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A', 'V', 'E'};
    Append(swapped, Chunk("data", {0x01, 0x02}));
    Append(swapped, Chunk("fmt ", {1, 0, 2, 0, 0, 0xDC, 5, 0, 0, 0xB8, 0xB, 0, 2, 0, 8, 0}));
    EXPECT_EQ(Read(swapped), std::tuple("", std::vector<int16_t>{1, 2}, 1, 384000u));
    // Many small odd chunks, each padded, walked from a file; an 18-byte format chunk; one
    // sample short leaves the last slot silent, and a half sample is ignored.
    Bytes junk;
    for (int i = 0; i < 200000; ++i) {
        Append(junk, Chunk("JUNK", {uint8_t(i)}));
    }
    const std::pair<Bytes, std::vector<int16_t>> kCases[] = {
        {BuildWav({.bits = 8, .data = {0x00, 0xFF, 0x7F, 0x80}}), {0, 255, 127, 128}},
        {BuildWav({.data = Samples16({10, 20, 30}),
                   .fmtExtra = {0, 0},
                   .chunksBeforeFmt = junk,
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
}

TEST(WaveReader, DamagedAndMissingFilesFail) {
    const Bytes one = BuildWav({.data = Samples16({1})}), d(24, 0x10);
    auto changed = [&](size_t at, std::initializer_list<uint8_t> bytes) {
        Bytes file = one;
        std::copy(bytes.begin(), bytes.end(), file.begin() + std::ptrdiff_t(at));
        return file;
    };
    // Not RIFF, "Data" for "data", ending inside the format chunk; a format other than PCM,
    // a rate above the highest, float named in an extensible header; more than one sample
    // missing, a lone byte for the missing sample, no data.
    const Bytes files[] = {
        changed(0, {'r'}),
        changed(36, {'D'}),
        Bytes(one.begin(), one.begin() + 30),
        BuildWav({.formatTag = 3, .bits = 32, .data = d}),
        BuildWav({.rate = 384001, .data = d}),
        BuildWav({.formatTag = 0xFFFE, .channels = 2, .data = d, .fmtExtra = Extensible(32, 3)}),
        BuildWav({.data = Samples16({7, 8, 9}), .dataSizeField = 0xFFFFFFF0u}),
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

// A FIFO would wait for a writer and a device never end: neither is a recording.
TEST(WaveFiles, LongSongsReadBackAndFifosAndDevicesAreNoRecordings) {
    ScratchDir dir;
    ASSERT_EQ(mkfifo(dir.File("fifo.wav").c_str(), 0666), 0);
    for (const std::string& path : {dir.File("fifo.wav"), std::string("/dev/zero")}) {
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
    EXPECT_EQ(Read(ReadBytes(dir.File("song.wav"))), std::tuple("", slots, 1, 44100u));
}
