// Reading instrument WAV files: the chunk walk, the formats understood and the failures.

#include <gtest/gtest.h>

#include <sstream>

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

Bytes ExtensibleTail(uint16_t validBits, uint16_t subFormat) {
    Bytes extra;
    AppendLE(extra, 22, 2);
    AppendLE(extra, validBits, 2);
    AppendLE(extra, 0x3, 4);
    AppendLE(extra, subFormat, 2);
    extra.insert(extra.end(), {0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80, 0x00, 0x00, 0xAA, 0x00,
                               0x38, 0x9B, 0x71});
    return extra;
}

WavLayout Layout(std::vector<int16_t> samples, uint16_t channels = 1) {
    WavLayout layout;
    layout.channels = channels;
    layout.data = Samples16(samples);
    return layout;
}

Bytes Changed(Bytes file, size_t at, std::initializer_list<uint8_t> bytes) {
    std::copy(bytes.begin(), bytes.end(), file.begin() + std::ptrdiff_t(at));
    return file;
}
}  // namespace

TEST(WaveReader, FilesThatLoad) {
    WavLayout stereo8;
    stereo8.channels = 2;
    stereo8.bits = 8;
    stereo8.data = {0x00, 0xFF, 0x7F, 0x80};
    WavLayout chunks = Layout({10, 20, 30});
    chunks.fmtExtra = {0x00, 0x00};                           // an 18-byte format chunk
    chunks.chunksBeforeFmt = Chunk("JUNK", Bytes(27, 0x55));  // odd size: a pad byte follows
    chunks.chunksBeforeData = Chunk("LIST", Bytes(40, 0x66));
    chunks.chunksAfterData = Chunk("LIST", Bytes(8, 0x77));
    WavLayout extensible = Layout({-5, 5, 300, -300}, 2);
    extensible.formatTag = 0xFFFE;
    extensible.fmtExtra = ExtensibleTail(16, 1);
    WavLayout oneShort = Layout({7, 8, 9});
    oneShort.dataSizeField = 8;  // four samples claimed, three present: the last stays silent
    WavLayout oneShort8 = stereo8;
    oneShort8.channels = 1;
    oneShort8.data = {200, 201};
    oneShort8.dataSizeField = 3;
    WavLayout noneOf1 = oneShort8;
    noneOf1.data = {};
    noneOf1.dataSizeField = 1;
    WavLayout oddSize;
    oddSize.data = {0x01, 0x00, 0x02, 0x00, 0x03};  // the half sample is ignored
    // "data" before "fmt ", and a RIFF size that does not matter.
    Bytes swapped = {'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A', 'V', 'E'};
    for (const Bytes& chunk :
         {Chunk("data", {0x01, 0x02}),
          Chunk("fmt ", {1, 0, 1, 0, 0x40, 0x1F, 0, 0, 0x40, 0x1F, 0, 0, 1, 0, 8, 0})}) {
        swapped.insert(swapped.end(), chunk.begin(), chunk.end());
    }
    const struct {
        Bytes file;
        std::vector<int16_t> slots;
        int32_t stereo;
        uint32_t rate;
    } kCases[] = {
        {BuildWav(Layout({0, 1, -1, 32767, -32768, 1234})),
         {0, 1, -1, 32767, -32768, 1234},
         0,
         22050},
        {Changed(BuildWav(Layout({1, 2}, 2)), 24, {0x78, 0x56, 0x34, 0x12}), {1, 2}, 1, 0x12345678},
        {BuildWav(stereo8), {0, 255, 127, 128}, 1, 22050},
        {BuildWav(chunks), {10, 20, 30}, 0, 22050},
        {BuildWav(extensible), {-5, 5, 300, -300}, 1, 22050},
        {BuildWav(oneShort), {7, 8, 9, 0}, 0, 22050},
        {BuildWav(oneShort8), {200, 201, 127}, 0, 22050},
        {BuildWav(noneOf1), {127}, 0, 22050},
        {BuildWav(oddSize), {1, 2}, 0, 22050},
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
    std::vector<Bytes> files = {{'h', 'e', 'l', 'l', 'o', '\n'}, {}};
    const Bytes one = BuildWav(Layout({1}));
    files.push_back(Changed(one, 0, {'r'}));   // tags are case-sensitive
    files.push_back(Changed(one, 10, {'X'}));  // "WAXE"
    files.push_back(Changed(one, 36, {'D'}));
    files.push_back(Bytes(one.begin(), one.begin() + 30));        // ends inside the format chunk
    files.push_back(Bytes(one.begin(), one.begin() + 36));        // no data chunk
    files.push_back(Changed(one, 16, {0xF0, 0xFF, 0xFF, 0x7F}));  // a format chunk hiding the rest
    // Anything but PCM of 8 or 16 bits in one or two channels at a rate above zero.
    for (const auto& [tag, channels, bits, rate] : {std::tuple{1, 1, 24, 22050},
                                                    {3, 1, 32, 22050},
                                                    {1, 0, 16, 22050},
                                                    {1, 3, 16, 22050},
                                                    {1, 1, 12, 22050},
                                                    {1, 1, 0, 22050},
                                                    {1, 1, 4, 22050},
                                                    {6, 1, 8, 8000},
                                                    {1, 1, 16, 0}}) {
        WavLayout layout;
        layout.formatTag = uint16_t(tag);
        layout.channels = uint16_t(channels);
        layout.bits = uint16_t(bits);
        layout.rate = uint32_t(rate);
        layout.data = Bytes(24, 0x10);
        files.push_back(BuildWav(layout));
    }
    WavLayout extensible = Layout({1, 2}, 2);
    extensible.formatTag = 0xFFFE;
    extensible.fmtExtra = ExtensibleTail(32, 3);  // float inside the extensible header
    files.push_back(BuildWav(extensible));
    extensible.fmtExtra = {0x00, 0x00};  // too short to name its sub-format
    files.push_back(BuildWav(extensible));
    // Sizes: more than one sample missing, a lone byte for the missing one, no data at all, and
    // absurd claims that must fail without trying to hold them.
    WavLayout sized = Layout({7, 8, 9});
    for (uint32_t claimed : {10u, 0xFFFFFFF0u, 0x80000000u, 1000000u}) {
        sized.dataSizeField = claimed;
        files.push_back(BuildWav(sized));
    }
    sized.data.push_back(0x01);
    sized.dataSizeField = 8;
    files.push_back(BuildWav(sized));
    files.push_back(BuildWav(Layout({})));
    WavLayout eight;
    eight.bits = 8;
    eight.data = {200, 201};
    eight.dataSizeField = 4;
    files.push_back(BuildWav(eight));
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
    const Bytes file = BuildWav(Layout({1, 2}));
    std::istringstream in(std::string(file.begin(), file.end()));
    EXPECT_EQ(FailureText([&] { streamed.ReadData(in); }), kDamaged);  // no header read yet
    streamed.ReadHeader(in);
    streamed.ReadData(in);
    EXPECT_EQ(Slots(streamed), (std::vector<int16_t>{1, 2}));
}
