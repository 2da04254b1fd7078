// Recordings without a melody, and files that are no recordings or only part of one, are
// answered with a German message, never with notes; a recording is known by its content.
#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/stat.h>

#include <cmath>
#include <random>

#include "CRecording.h"
#include "TranscriptionTestKit.h"

namespace {

std::string MessageFor(const std::string& strPath) {
    const CTranscriber::SResult result = CTranscriber::TranscribeFile(strPath, {});
    EXPECT_EQ(result.pController, nullptr) << strPath;
    return result.strMessage;
}

}  // namespace

TEST(TranscriptionBadInput, SilenceNoiseAndChordsHaveNoMelody) {
    ScratchDir dir;
    std::mt19937 random(20);
    std::uniform_real_distribution<float> noise(-0.5f, 0.5f);
    WriteRecording(dir.File("stille.wav"), kWave, 22050, 1, 3 * 22050,
                   [](sf_count_t, int) { return 0.0f; });
    WriteRecording(dir.File("rauschen.wav"), kWave, 44100, 2, 3 * 44100,
                   [&](sf_count_t, int) { return noise(random); });
    // C major and F major triads, equal-tempered, two seconds each.
    WriteRecording(dir.File("akkorde.wav"), kWave, 44100, 1, 4 * 44100, [](sf_count_t f, int) {
        const double t = double(f) / 44100;
        const double root = f < 2 * 44100 ? 261.63 : 349.23;
        return float(0.25 * (std::sin(kTwoPi * root * t) + std::sin(kTwoPi * root * 1.2599 * t) +
                             std::sin(kTwoPi * root * 1.4983 * t)));
    });
    for (const char* pName : {"stille.wav", "rauschen.wav", "akkorde.wav"}) {
        EXPECT_EQ(MessageFor(dir.File(pName)),
                  "In der Aufnahme „" + dir.File(pName) +
                      "“ ist keine Melodie zu hören (nur Stille, Rauschen oder Akkorde).");
    }
}

TEST(TranscriptionBadInput, EmptyCutShortAndForeignFilesAreRefused) {
    ScratchDir dir;
    WriteBytes(dir.File("leer.wav"), {});
    EXPECT_EQ(MessageFor(dir.File("leer.wav")),
              "Die Aufnahme „" + dir.File("leer.wav") + "“ ist leer.");
    // A header without a single frame is empty too.
    WriteRecording(dir.File("kopf.wav"), kWave, 22050, 1, 0, [](sf_count_t, int) { return 0.0f; });
    EXPECT_EQ(MessageFor(dir.File("kopf.wav")),
              "Die Aufnahme „" + dir.File("kopf.wav") + "“ ist leer.");
    // A render cut off in the middle of its samples.
    Render("C4/2 E4/2 G4/4", "Standard", dir.File("ganz.wav"));
    Bytes bytes = ReadBytes(dir.File("ganz.wav"));
    bytes.resize(bytes.size() / 2);
    WriteBytes(dir.File("halb.wav"), bytes);
    EXPECT_EQ(MessageFor(dir.File("halb.wav")),
              "Die Aufnahme „" + dir.File("halb.wav") + "“ ist unvollständig.");
    // A document is no recording, whatever its name says.
    WriteBytes(dir.File("lied.wav"), Hex("0000"));
    EXPECT_EQ(MessageFor(dir.File("lied.wav")),
              "„" + dir.File("lied.wav") +
                  "“ ist keine Aufnahme, die Kantilo lesen kann (WAV, FLAC oder Ogg).");
    EXPECT_EQ(MessageFor(dir.File("fehlt.wav")),
              "Die Aufnahme „" + dir.File("fehlt.wav") + "“ lässt sich nicht öffnen.");
    // A FIFO is refused at once, never waited on.
    ASSERT_EQ(mkfifo(dir.File("rohr.wav").c_str(), 0600), 0);
    EXPECT_FALSE(CRecording::IsRecordingFile(dir.File("rohr.wav")));
    EXPECT_TRUE(PassesInChild(
        [&] {
            return CTranscriber::TranscribeFile(dir.File("rohr.wav"), {})
                       .strMessage.find("keine Aufnahme") != std::string::npos;
        },
        {}, 10));
}

// Two hours claimed by the header are refused from the header alone: the file is sparse and
// the test runs with far less address space than its samples would take.
TEST(TranscriptionBadInput, TwoHoursAreRefusedInBoundedMemory) {
    ScratchDir dir;
    const std::string strPath = dir.File("zwei-stunden.wav");
    WriteRecording(strPath, kWave, 44100, 1, 1, [](sf_count_t, int) { return 0.0f; });
    const uint32_t nData = 2 * 3600 * 44100 * 2;
    Bytes bytes = ReadBytes(strPath);
    ASSERT_EQ(bytes.size(), 46u);
    for (int i = 0; i < 4; ++i) {
        bytes[40 + size_t(i)] = uint8_t(nData >> (8 * i));
        bytes[4 + size_t(i)] = uint8_t((nData + 36) >> (8 * i));
    }
    WriteBytes(strPath, bytes);
    fs::resize_file(strPath, 44 + uint64_t(nData));
    const auto limitMemory = [] {
#ifndef __SANITIZE_ADDRESS__  // AddressSanitizer's shadow memory needs far more address space
        const rlimit limit{256u << 20, 256u << 20};
        setrlimit(RLIMIT_AS, &limit);
#endif
    };
    EXPECT_TRUE(PassesInChild([&] {
        limitMemory();
        const CTranscriber::SResult result = CTranscriber::TranscribeFile(strPath, {});
        return result.pController == nullptr &&
               result.strMessage == "Die Aufnahme „" + strPath +
                                        "“ ist länger als 30 Minuten; so lange Aufnahmen werden "
                                        "nicht übertragen.";
    }));
}

// FLAC and Ogg Vorbis, stereo, at another rate, under names that say nothing: the same notes.
// Two channels wired against each other (the right one turned over, as a miswired microphone
// does) cancel out in their mean, which would be silence: the first channel is heard alone. A
// sound card's DC offset of 0.3 (the sound at half its level, so that nothing clips) would be
// heard as loud as the notes.
TEST(TranscriptionBadInput, FlacOggOpposedChannelsAndOffsetsAreHeard) {
    ScratchDir dir;
    const std::string strEntries = "C4/2 C4/2 G4/1 A4/1 G4/4 E4/12 D4/2 C4/8";
    Render(strEntries, "Standard", dir.File("lied.wav"));
    const CRecording::SLoad wave = CRecording::Load(dir.File("lied.wav"));
    ASSERT_NE(wave.pRecording, nullptr);
    const auto samples = wave.pRecording->Samples();
    struct SWay {
        int nFormat;
        float fRight, fScale, fOffset;
    };
    const SWay kWays[] = {{SF_FORMAT_FLAC | SF_FORMAT_PCM_16, 1.0F, 1.0F, 0.0F},
                          {SF_FORMAT_OGG | SF_FORMAT_VORBIS, 1.0F, 1.0F, 0.0F},
                          {kWave, -1.0F, 1.0F, 0.0F},
                          {kWave, 1.0F, 0.5F, 0.3F}};
    for (size_t i = 0; i < std::size(kWays); ++i) {
        const SWay& way = kWays[i];
        const std::string strPath = dir.File("aufnahme-" + std::to_string(i));
        // Twice the rate, each sample twice; the right channel times fRight.
        WriteRecording(strPath, way.nFormat, 44100, 2, sf_count_t(2 * samples.size()),
                       [&](sf_count_t f, int c) {
                           return (c == 1 ? way.fRight : 1.0F) * way.fScale *
                                      samples[size_t(f / 2)] +
                                  way.fOffset;
                       });
        const CTranscriber::SResult result = CTranscriber::TranscribeFile(strPath, {});
        ASSERT_NE(result.pController, nullptr) << result.strMessage;
        EXPECT_EQ(SoundsText(result.pController->GetSheet()), EnteredSounds(strEntries)) << i;
    }
}
