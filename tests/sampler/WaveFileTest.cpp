// WAV files: instruments read (the chunk walk, the formats understood and the failures), songs
// written, and both exchanged with independent programs: libsndfile reads the songs we write,
// and an instrument sox writes loads here with the samples sox itself reads from it.

#include <gtest/gtest.h>
#include <sndfile.h>
#include <sys/stat.h>

#include "CLied.h"
#include "SamplerTestSupport.h"

namespace {
const char* const kDamaged = "Die angegebene Datei ist fehlerhaft!";
const char* const kNoOpen = "Die angegebene Datei konnte nicht geöffnet werden!";

void AppendLE(Bytes& bytes, uint32_t value, int count) {
    for (int i = 0; i < count; ++i) {
        bytes.push_back(uint8_t(value >> (8 * i)));
    }
}

void Append(Bytes& bytes, const Bytes& more) {
    bytes.insert(bytes.end(), more.begin(), more.end());
}

Bytes Chunk(const std::string& tag, const Bytes& body) {
    Bytes bytes(tag.begin(), tag.end());
    AppendLE(bytes, uint32_t(body.size()), 4);
    Append(bytes, body);
    bytes.resize(bytes.size() + body.size() % 2);
    return bytes;
}

Bytes Samples16(const std::vector<int16_t>& values) {
    Bytes bytes;
    for (int16_t v : values) {
        AppendLE(bytes, uint16_t(v), 2);
    }
    return bytes;
}

// The layout of a WAV file to build: a canonical 44-byte file unless told otherwise.
struct WavLayout {
    uint16_t formatTag = 1, channels = 1;
    uint32_t rate = 22050;
    uint16_t bits = 16;
    Bytes data = {};
    uint32_t dataSizeField = UINT32_MAX;  // UINT32_MAX: the real size of data
    Bytes fmtExtra = {};                  // bytes after the 16 basic format bytes
    Bytes chunksBeforeFmt = {};
};

Bytes BuildWav(const WavLayout& l) {
    Bytes fmt, body = {'W', 'A', 'V', 'E'}, file = {'R', 'I', 'F', 'F'};
    AppendLE(fmt, l.formatTag | l.channels << 16, 4);
    AppendLE(fmt, l.rate, 4);
    AppendLE(fmt, l.rate * l.channels * l.bits / 8, 4);
    AppendLE(fmt, l.channels * l.bits / 8u | l.bits << 16, 4);
    Append(fmt, l.fmtExtra);
    Append(body, l.chunksBeforeFmt);
    Append(body, Chunk("fmt ", fmt));
    Append(body, {'d', 'a', 't', 'a'});
    AppendLE(body, l.dataSizeField == UINT32_MAX ? uint32_t(l.data.size()) : l.dataSizeField, 4);
    Append(body, l.data);
    AppendLE(file, uint32_t(body.size()), 4);
    Append(file, body);
    return file;
}

// The rest of an extensible format chunk, naming its sub-format.
Bytes Extensible(uint8_t validBits, uint8_t subFormat) {
    return {22, 0, validBits, 0, 3,    0, 0, 0,    subFormat, 0,    0,    0,
            0,  0, 0x10,      0, 0x80, 0, 0, 0xAA, 0,         0x38, 0x9B, 0x71};
}

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
        {BuildWav({.data = Samples16({10, 20, 30}), .fmtExtra = {0, 0}, .chunksBeforeFmt = junk}),
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

// A FIFO would wait for a writer and a device never end: neither is a recording.
TEST(WaveReader, DamagedMissingAndEndlessFilesFail) {
    const Bytes one = BuildWav({.data = Samples16({1})}), d(24, 0x10);
    // Not RIFF, ending inside the format chunk or before the data chunk; a format other than
    // PCM, a rate above the highest, float named in an extensible header; more than one sample
    // missing, a lone byte for the missing sample, no data.
    const Bytes files[] = {
        Bytes(one.begin() + 1, one.end()),
        Bytes(one.begin(), one.begin() + 30),
        Bytes(one.begin(), one.begin() + 36),
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
    ScratchDir dir;
    ASSERT_EQ(mkfifo(dir.File("fifo.wav").c_str(), 0666), 0);
    for (const std::string& path : {dir.File("fifo.wav"), std::string("/dev/zero")}) {
        CWaveFile endless(path);
        const auto refused = [&] { return FailureText([&] { endless.ReadHeader(); }) == kDamaged; };
        EXPECT_TRUE(PassesInChild(refused, {}, 10)) << path;
    }
}

TEST(WaveWriter, HeaderBytesAndSamplesLowByteFirst) {
    ScratchDir dir;
    const std::string path = dir.File("lied.wav");
    CLied song(path);
    Record(song, 16, 1, 44100, {-32768, 32767, -1, 0x1234});
    song.Write();
    EXPECT_EQ(ReadBytes(path), Hex(R"("RIFF" 2C 00 00 00 "WAVEfmt" 20 10 00 00 00 01 00 02 00)"
                                   R"( 44 AC 00 00 10 B1 02 00 04 00 10 00 "data" 08 00 00 00)"
                                   R"( 00 80 FF 7F FF FF 34 12)"));
}

// The long song is more than the largest block the writer hands on at once.
TEST(PeerFiles, LibsndfileReadsOurSongs) {
    for (const auto& [bits, stereo, count] : {std::tuple{16, 0, 4'500'001u}, {8, 1, 4410u}}) {
        ScratchDir dir;
        CLied song(dir.File("song.wav"));
        std::vector<int16_t> ours = RandomSlots(count, bits, count);
        Record(song, bits, stereo, 22050, ours);
        song.Write();
        SF_INFO info{};
        SNDFILE* file = sf_open(song.GetFileName().c_str(), SFM_READ, &info);
        ASSERT_NE(file, nullptr) << sf_strerror(nullptr);
        EXPECT_EQ(std::tuple(info.format, info.samplerate, info.channels),
                  std::tuple(SF_FORMAT_WAV | (bits == 8 ? SF_FORMAT_PCM_U8 : SF_FORMAT_PCM_16),
                             22050, stereo + 1));
        std::vector<short> read(count);
        ASSERT_EQ(sf_read_short(file, read.data(), count), sf_count_t(count));
        sf_close(file);
        for (int16_t& v : ours) {
            v = int16_t(bits == 8 ? (v - 128) * 256 : v);  // how libsndfile widens 8 bits
        }
        EXPECT_EQ(std::vector<int16_t>(read.begin(), read.end()), ours);
    }
}

// An instrument sox writes loads with the samples sox itself reads from it. (libsndfile above
// is the peer that reads our songs.)
TEST(PeerFiles, WeReadSoxFiles) {
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
    const auto [failure, slots, stereo, rate] = Read(ReadBytes(path));
    EXPECT_EQ(std::tuple(failure, Samples16(slots), stereo, rate),
              std::tuple("", ReadBytes(raw), 1, 44100u));
}
