// Reading instrument WAV files: the chunk walk, the formats understood and the failures.

#include <gtest/gtest.h>

#include <sstream>

#include "CWaveFile.h"
#include "SamplerTestSupport.h"

using namespace SamplerTest;

namespace {
const char* const kDamaged = "Die angegebene Datei ist fehlerhaft!";

struct ReadResult {
    std::string failure;  // "" when both steps succeeded
    std::vector<int16_t> slots;
    int32_t stereo = -1;
    uint32_t rate = 0;
    int bits = 0;
};

ReadResult Read(const Bytes& file) {
    ScratchDir dir;
    const std::string path = dir.File("in.wav");
    WriteBytes(path, file);
    CWaveFile wave(path);
    ReadResult result;
    result.failure = FailureText([&] {
        wave.ReadHeader();
        wave.ReadData();
    });
    result.stereo = wave.IsStereo();
    result.rate = wave.GetSampleRate();
    result.bits = wave.GetBitsPerSample();
    result.slots = Slots(wave);
    return result;
}

Bytes ExtensibleTail(uint16_t validBits, uint16_t subFormat) {
    Bytes extra;
    AppendLE(extra, 22, 2);
    AppendLE(extra, validBits, 2);
    AppendLE(extra, 0x3, 4);
    AppendLE(extra, subFormat, 2);
    const Bytes guidTail = {0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80,
                            0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};
    extra.insert(extra.end(), guidTail.begin(), guidTail.end());
    return extra;
}
}  // namespace

TEST(WaveReader, CanonicalMonoAndStereo) {
    WavLayout layout;
    layout.data = Samples16({0, 1, -1, 32767, -32768, 1234});
    ReadResult r = Read(BuildWav(layout));
    ASSERT_EQ(r.failure, "");
    EXPECT_EQ(r.stereo, 0);
    EXPECT_EQ(r.rate, 22050u);
    EXPECT_EQ(r.bits, 16);
    EXPECT_EQ(r.slots, (std::vector<int16_t>{0, 1, -1, 32767, -32768, 1234}));

    layout.channels = 2;
    layout.rate = 0x12345678;
    r = Read(BuildWav(layout));
    ASSERT_EQ(r.failure, "");
    EXPECT_EQ(r.stereo, 1);
    EXPECT_EQ(r.rate, 0x12345678u);
    EXPECT_EQ(r.slots.size(), 6u);
}

TEST(WaveReader, EightBitStereoKeepsUnsignedBytesInterleaved) {
    WavLayout layout;
    layout.channels = 2;
    layout.bits = 8;
    layout.data = {0x00, 0xFF, 0x7F, 0x80};
    const ReadResult r = Read(BuildWav(layout));
    ASSERT_EQ(r.failure, "");
    EXPECT_EQ(r.stereo, 1);
    EXPECT_EQ(r.slots, (std::vector<int16_t>{0, 255, 127, 128}));
}

TEST(WaveReader, ChunksAreFoundWhereverTheyStand) {
    WavLayout layout;
    layout.data = Samples16({10, 20, 30});
    layout.fmtExtra = {0x00, 0x00};  // an 18-byte format chunk
    EXPECT_EQ(Read(BuildWav(layout)).slots, (std::vector<int16_t>{10, 20, 30}));

    layout.chunksBeforeFmt = Chunk("JUNK", Bytes(27, 0x55));  // odd size: a pad byte follows
    layout.chunksBeforeData = Chunk("LIST", Bytes(40, 0x66));
    layout.chunksAfterData = Chunk("LIST", Bytes(8, 0x77));
    const ReadResult r = Read(BuildWav(layout));
    ASSERT_EQ(r.failure, "");
    EXPECT_EQ(r.slots, (std::vector<int16_t>{10, 20, 30}));

    // "data" before "fmt " as well.
    Bytes file;
    Append(file, "RIFF");
    AppendLE(file, 0, 4);  // a wrong RIFF size does not matter
    Append(file, "WAVE");
    const Bytes data = Chunk("data", {0x01, 0x02});
    file.insert(file.end(), data.begin(), data.end());
    Bytes fmt;
    for (uint32_t v : {1u, 1u}) {
        AppendLE(fmt, v, 2);
    }
    AppendLE(fmt, 8000, 4);
    AppendLE(fmt, 8000, 4);
    AppendLE(fmt, 1, 2);
    AppendLE(fmt, 8, 2);
    const Bytes fmtChunk = Chunk("fmt ", fmt);
    file.insert(file.end(), fmtChunk.begin(), fmtChunk.end());
    const ReadResult swapped = Read(file);
    ASSERT_EQ(swapped.failure, "");
    EXPECT_EQ(swapped.slots, (std::vector<int16_t>{1, 2}));
}

TEST(WaveReader, ExtensibleFormatWithPcmIsRead) {
    WavLayout layout;
    layout.formatTag = 0xFFFE;
    layout.channels = 2;
    layout.fmtExtra = ExtensibleTail(16, 1);
    layout.data = Samples16({-5, 5, 300, -300});
    ReadResult r = Read(BuildWav(layout));
    ASSERT_EQ(r.failure, "");
    EXPECT_EQ(r.stereo, 1);
    EXPECT_EQ(r.slots, (std::vector<int16_t>{-5, 5, 300, -300}));

    layout.fmtExtra = ExtensibleTail(32, 3);  // float inside the extensible header
    EXPECT_EQ(Read(BuildWav(layout)).failure, kDamaged);
    layout.fmtExtra = {0x00, 0x00};  // too short to name its sub-format
    EXPECT_EQ(Read(BuildWav(layout)).failure, kDamaged);
}

TEST(WaveReader, FormatsOtherThanPcm8Or16InOneOrTwoChannelsFail) {
    struct Case {
        uint16_t tag;
        uint16_t channels;
        uint16_t bits;
        uint32_t rate;
    };
    for (const Case& c : {Case{1, 1, 24, 22050}, Case{3, 1, 32, 22050}, Case{1, 0, 16, 22050},
                          Case{1, 3, 16, 22050}, Case{1, 1, 12, 22050}, Case{1, 1, 0, 22050},
                          Case{1, 1, 4, 22050}, Case{6, 1, 8, 8000}, Case{1, 1, 16, 0}}) {
        WavLayout layout;
        layout.formatTag = c.tag;
        layout.channels = c.channels;
        layout.bits = c.bits;
        layout.rate = c.rate;
        layout.data = Bytes(24, 0x10);
        EXPECT_EQ(Read(BuildWav(layout)).failure, kDamaged)
            << "tag " << c.tag << " channels " << c.channels << " bits " << c.bits;
    }
}

TEST(WaveReader, NotAWaveFileFails) {
    EXPECT_EQ(Read(Bytes{'h', 'e', 'l', 'l', 'o', '\n'}).failure, kDamaged);
    EXPECT_EQ(Read(Bytes{}).failure, kDamaged);
    WavLayout layout;
    layout.data = Samples16({1});
    Bytes file = BuildWav(layout);
    file[0] = 'r';  // tags are case-sensitive
    EXPECT_EQ(Read(file).failure, kDamaged);
    file = BuildWav(layout);
    file[10] = 'X';  // "WAXE"
    EXPECT_EQ(Read(file).failure, kDamaged);
    file = BuildWav(layout);
    file.resize(30);  // ends inside the format chunk
    EXPECT_EQ(Read(file).failure, kDamaged);
    file = BuildWav(layout);
    file.resize(36);  // no data chunk
    EXPECT_EQ(Read(file).failure, kDamaged);
    file = BuildWav(layout);
    file[36] = 'D';
    EXPECT_EQ(Read(file).failure, kDamaged);
}

TEST(WaveReader, ShortDataToleratesOneMissingSampleOnly) {
    WavLayout layout;
    layout.data = Samples16({7, 8, 9});
    layout.dataSizeField = 8;  // four samples claimed, three present: the last stays silent
    ReadResult r = Read(BuildWav(layout));
    ASSERT_EQ(r.failure, "");
    EXPECT_EQ(r.slots, (std::vector<int16_t>{7, 8, 9, 0}));

    layout.dataSizeField = 10;  // two missing
    EXPECT_EQ(Read(BuildWav(layout)).failure, kDamaged);

    layout.data.push_back(0x01);  // a lone low byte where the fourth sample should be
    layout.dataSizeField = 8;
    EXPECT_EQ(Read(BuildWav(layout)).failure, kDamaged);

    layout.data = {};
    layout.dataSizeField = UINT32_MAX;  // an empty data chunk
    EXPECT_EQ(Read(BuildWav(layout)).failure, kDamaged);

    WavLayout eight;
    eight.bits = 8;
    eight.data = {200, 201};
    eight.dataSizeField = 3;
    r = Read(BuildWav(eight));
    ASSERT_EQ(r.failure, "");
    EXPECT_EQ(r.slots, (std::vector<int16_t>{200, 201, 127}));
    eight.dataSizeField = 4;
    EXPECT_EQ(Read(BuildWav(eight)).failure, kDamaged);
    eight.data = {};
    eight.dataSizeField = 1;  // a single sample claimed and missing is one short: accepted
    r = Read(BuildWav(eight));
    ASSERT_EQ(r.failure, "");
    EXPECT_EQ(r.slots, (std::vector<int16_t>{127}));
}

TEST(WaveReader, OddDataSizeIgnoresTheHalfSample) {
    WavLayout layout;
    layout.data = {0x01, 0x00, 0x02, 0x00, 0x03};
    ReadResult r = Read(BuildWav(layout));
    ASSERT_EQ(r.failure, "");
    EXPECT_EQ(r.slots, (std::vector<int16_t>{1, 2}));
}

TEST(WaveReader, AbsurdSizesFailWithoutTryingToHoldThem) {
    WavLayout layout;
    layout.data = Samples16({1, 2, 3, 4});
    for (uint32_t claimed : {0xFFFFFFF0u, 0x80000000u, 1000000u}) {
        layout.dataSizeField = claimed;
        EXPECT_EQ(Read(BuildWav(layout)).failure, kDamaged) << claimed;
    }
    // A format chunk claiming to be huge hides everything after it.
    WavLayout one;
    one.data = Samples16({1});
    Bytes file = BuildWav(one);
    file[16] = 0xF0;
    file[17] = 0xFF;
    file[18] = 0xFF;
    file[19] = 0x7F;
    EXPECT_EQ(Read(file).failure, kDamaged);
}

TEST(WaveReader, NamesAndMissingFiles) {
    CWaveFile wave;
    EXPECT_EQ(FailureText([&] { wave.ReadHeader(); }), "Es wurde kein Datei angegeben!");
    EXPECT_EQ(FailureText([&] { wave.ReadData(); }), "Es wurde keine Datei angegeben!");
    ScratchDir dir;
    wave.SetFileName(dir.File("nothing.wav"));
    EXPECT_EQ(FailureText([&] { wave.ReadHeader(); }),
              "Die angegebene Datei konnte nicht geöffnet werden!");
    EXPECT_EQ(FailureText([&] { wave.ReadData(); }),
              "Die angegebene Datei konnte nicht geöffnet werden!");
    wave.SetFileName(dir.Path().string());
    EXPECT_EQ(FailureText([&] { wave.ReadHeader(); }),
              "Die angegebene Datei konnte nicht geöffnet werden!");
}

TEST(WaveReader, DataNeedsAKnownSampleWidth) {
    WavLayout layout;
    layout.data = Samples16({1, 2});
    const Bytes file = BuildWav(layout);
    std::istringstream in(std::string(file.begin(), file.end()));
    CWaveFile wave;
    EXPECT_EQ(FailureText([&] { wave.ReadData(in); }), kDamaged);  // no header read yet
    wave.ReadHeader(in);
    wave.ReadData(in);
    EXPECT_EQ(wave.GetSize(), 2u);
}
