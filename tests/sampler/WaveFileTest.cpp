// WAV files: reading instruments (the chunk walk, the formats understood and the failures),
// slot access, and the songs written.

#include <gtest/gtest.h>

#include <sstream>

#include "CLied.h"
#include "SamplerTestSupport.h"

namespace {
const char* const kDamaged = "Die angegebene Datei ist fehlerhaft!";

struct ReadResult {
    std::string failure;  // "" when both steps succeeded
    std::vector<int16_t> slots;
    int32_t stereo = -1;
    uint32_t rate = 0;
};

ReadResult Read(const Bytes& file) {
    ScratchDir dir;
    WriteBytes(dir.File("in.wav"), file);
    CWaveFile wave(dir.File("in.wav"));
    ReadResult result;
    result.failure = FailureText([&] {
        wave.ReadHeader();
        wave.ReadData();
    });
    result.stereo = wave.IsStereo();
    result.rate = wave.GetSampleRate();
    result.slots = Slots(wave);
    return result;
}

// The rest of an extensible format chunk, naming its sub-format.
Bytes Extensible(uint16_t validBits, uint16_t subFormat) {
    return {22,   0,    uint8_t(validBits),
            0,    3,    0,
            0,    0,    uint8_t(subFormat),
            0,    0x00, 0x00,
            0x00, 0x00, 0x10,
            0x00, 0x80, 0x00,
            0x00, 0xAA, 0x00,
            0x38, 0x9B, 0x71};
}

Bytes Changed(Bytes file, size_t at, std::initializer_list<uint8_t> bytes) {
    std::copy(bytes.begin(), bytes.end(), file.begin() + std::ptrdiff_t(at));
    return file;
}

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
}  // namespace

TEST(WaveReader, FilesThatLoad) {
    // "data" before "fmt ", and a RIFF size that does not matter.
    Bytes swapped = {'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A', 'V', 'E'};
    for (const Bytes& chunk :
         {Chunk("data", {0x01, 0x02}),
          Chunk("fmt ", {1, 0, 1, 0, 0x40, 0x1F, 0, 0, 0x40, 0x1F, 0, 0, 1, 0, 8, 0})}) {
        swapped.insert(swapped.end(), chunk.begin(), chunk.end());
    }
    const Bytes s16 = Samples16({0, 1, -1, 32767, -32768, 1234});
    const struct {
        Bytes file;
        std::vector<int16_t> slots;
        int32_t stereo;
        uint32_t rate;
    } kCases[] = {
        {BuildWav({.data = s16}), {0, 1, -1, 32767, -32768, 1234}, 0, 22050},
        {BuildWav({.channels = 2, .rate = 0x12345678, .data = s16}),
         {0, 1, -1, 32767, -32768, 1234},
         1,
         0x12345678},
        {BuildWav({.channels = 2, .bits = 8, .data = {0x00, 0xFF, 0x7F, 0x80}}),
         {0, 255, 127, 128},
         1,
         22050},
        // Odd chunks are padded; an 18-byte format chunk.
        {BuildWav({.data = Samples16({10, 20, 30}),
                   .fmtExtra = {0, 0},
                   .chunksBeforeFmt = Chunk("JUNK", Bytes(27, 0x55)),
                   .chunksBeforeData = Chunk("LIST", Bytes(40, 0x66)),
                   .chunksAfterData = Chunk("LIST", Bytes(8, 0x77))}),
         {10, 20, 30},
         0,
         22050},
        {BuildWav({.formatTag = 0xFFFE,
                   .channels = 2,
                   .data = Samples16({-5, 5, 300, -300}),
                   .fmtExtra = Extensible(16, 1)}),
         {-5, 5, 300, -300},
         1,
         22050},
        // One sample short: the last slot stays silent.
        {BuildWav({.data = Samples16({7, 8, 9}), .dataSizeField = 8}), {7, 8, 9, 0}, 0, 22050},
        {BuildWav({.bits = 8, .data = {200, 201}, .dataSizeField = 3}), {200, 201, 127}, 0, 22050},
        {BuildWav({.bits = 8, .dataSizeField = 1}), {127}, 0, 22050},
        {BuildWav({.data = {1, 0, 2, 0, 3}}), {1, 2}, 0, 22050},  // the half sample is ignored
        {swapped, {1, 2}, 0, 8000},
    };
    for (size_t i = 0; i < std::size(kCases); ++i) {
        const ReadResult r = Read(kCases[i].file);
        ASSERT_EQ(r.failure, "") << i;
        EXPECT_EQ(r.slots, kCases[i].slots) << i;
        EXPECT_EQ(r.stereo, kCases[i].stereo) << i;
        EXPECT_EQ(r.rate, kCases[i].rate) << i;
    }
}

TEST(WaveReader, DamagedFilesFail) {
    const Bytes one = BuildWav({.data = Samples16({1})}), s3 = Samples16({7, 8, 9}), d(24, 0x10);
    // Not RIFF, tags in the wrong case, "WAXE", "Data", ending inside the format chunk or before
    // the data chunk, a format chunk hiding the rest; anything but PCM of 8 or 16 bits in one or
    // two channels at a rate above zero, float or nothing named in an extensible header; more
    // than one sample missing, absurd sizes, a lone byte for the missing sample, no data.
    std::vector<Bytes> files = {
        {'h', 'e', 'l', 'l', 'o', '\n'},
        {},
        Changed(one, 0, {'r'}),
        Changed(one, 10, {'X'}),
        Changed(one, 36, {'D'}),
        Bytes(one.begin(), one.begin() + 30),
        Bytes(one.begin(), one.begin() + 36),
        Changed(one, 16, {0xF0, 0xFF, 0xFF, 0x7F}),
        BuildWav({.bits = 24, .data = d}),
        BuildWav({.formatTag = 3, .bits = 32, .data = d}),
        BuildWav({.channels = 0, .data = d}),
        BuildWav({.channels = 3, .data = d}),
        BuildWav({.bits = 12, .data = d}),
        BuildWav({.bits = 0, .data = d}),
        BuildWav({.bits = 4, .data = d}),
        BuildWav({.formatTag = 6, .rate = 8000, .bits = 8, .data = d}),
        BuildWav({.rate = 0, .data = d}),
        BuildWav({.formatTag = 0xFFFE, .channels = 2, .data = d, .fmtExtra = Extensible(32, 3)}),
        BuildWav({.formatTag = 0xFFFE, .channels = 2, .data = d, .fmtExtra = {0, 0}}),
        BuildWav({.data = s3, .dataSizeField = 10}),
        BuildWav({.data = s3, .dataSizeField = 1000000}),
        BuildWav({.data = s3, .dataSizeField = 0x80000000u}),
        BuildWav({.data = s3, .dataSizeField = 0xFFFFFFF0u}),
        BuildWav({.data = {7, 0, 8, 0, 9, 0, 1}, .dataSizeField = 8}),
        BuildWav({}),
        BuildWav({.bits = 8, .data = {200, 201}, .dataSizeField = 4})};

    for (size_t i = 0; i < files.size(); ++i) {
        EXPECT_EQ(Read(files[i]).failure, kDamaged) << i;
    }
}

TEST(WaveReader, NamesAndMissingFiles) {
    CWaveFile wave;
    EXPECT_EQ(FailureText([&] { wave.ReadHeader(); }), "Es wurde kein Datei angegeben!");
    EXPECT_EQ(FailureText([&] { wave.ReadData(); }), "Es wurde keine Datei angegeben!");
    ScratchDir dir;
    wave.SetFileName(dir.File("nothing.wav"));
    EXPECT_EQ(FailureText([&] { wave.ReadData(); }),
              "Die angegebene Datei konnte nicht geöffnet werden!");
    for (const std::string& path : {dir.File("nothing.wav"), dir.Path().string()}) {
        wave.SetFileName(path);
        EXPECT_EQ(FailureText([&] { wave.ReadHeader(); }),
                  "Die angegebene Datei konnte nicht geöffnet werden!");
    }
    CWaveFile streamed;
    const Bytes file = BuildWav({.data = Samples16({1, 2})});
    std::istringstream in(std::string(file.begin(), file.end()));
    EXPECT_EQ(FailureText([&] { streamed.ReadData(in); }), kDamaged);  // no header read yet
    streamed.ReadHeader(in);
    streamed.ReadData(in);
    EXPECT_EQ(Slots(streamed), (std::vector<int16_t>{1, 2}));
}

TEST(WaveSlots, KeepLow16BitsRefuseOutOfRangeAndReadSilencePastTheEnd) {
    CWaveFile wave("x.wav");
    int16_t v = 5;
    EXPECT_FALSE(wave.AppendSample(1));
    wave.SetBitsPerSample(8);
    EXPECT_FALSE(wave.GetSample(0, v));
    EXPECT_EQ(v, 127);
    wave.SetBitsPerSample(16);
    ASSERT_TRUE(wave.Allocate(3));
    for (int32_t value : {70000, -1, 32768, 9}) {  // low 16 bits: 4464, -1, -32768
        EXPECT_EQ(wave.AppendSample(value), value != 9);
    }
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
    std::filesystem::permissions(dir.File("real.wav"), std::filesystem::perms(0640));
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
    EXPECT_EQ(int(std::filesystem::status(dir.File("real.wav")).permissions()), 0640);
    EXPECT_EQ(dir.Names(), (std::vector<std::string>{"link.wav", "real.wav", "song.wav"}));
}

TEST(WaveWriter, UnwritableTargetsFailWithTheOpenText) {
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
    EXPECT_EQ(dir.Names(), (std::vector<std::string>{"folder"}));
}
