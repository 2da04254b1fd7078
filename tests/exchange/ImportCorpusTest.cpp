// Melodies in the styles other programs write them, by hand and as MuseScore 3 saves them
// (plain and compressed): each import sounds as MuseScore plays the score, up to the one named
// transposition and the pickup's leading rests; what cannot come in is refused with every
// reason (see the command line's tests). MuseScore plays every voice and cue notes too; where a
// score has them, it plays a twin (NAME-klang) of the first voice alone with rests for the cue
// notes.
#include <gtest/gtest.h>

#include <algorithm>

#include "CMeasureReader.h"
#include "ExchangeTestKit.h"

namespace {

const std::string kRefused = "sechzehntel-und-umfang";
// The hand-written score, MuseScore's and MuseScore's compressed.
const std::vector<std::string> kVariants = {".musicxml", "-ms.musicxml", "-ms.mxl"};

std::string CorpusFile(const std::string& strName) {
    return SourceFile("tests/data/import/" + strName).string();
}

// The melodies of the corpus but the refused one, each with its variants, by name.
std::vector<std::string> CorpusNames() {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(CorpusFile(""))) {
        const std::string strFile = entry.path().filename().string();
        const std::string strName = strFile.substr(0, strFile.size() - 7);
        if (strFile.ends_with("-ms.mxl") && strName != kRefused) {
            names.push_back(strName);
        }
    }
    std::sort(names.begin(), names.end());
    EXPECT_FALSE(names.empty());
    return names;
}

// The import sounds as MuseScore plays the score: shifted by whole semitones only when a
// notice names the transposition, and later only by the rests before a pickup.
void ExpectSoundsLike(const CMusicXmlReader::SResult& result, const std::vector<Sound>& played) {
    ASSERT_NE(result.pController, nullptr) << result.strMessage;
    const std::vector<Sound> sounds = SoundsOf(result);
    ASSERT_EQ(sounds.size(), played.size());
    ASSERT_FALSE(sounds.empty());
    const int32_t nShift = sounds.front().nKey - played.front().nKey;
    const int64_t nDelay = sounds.front().nOnset - played.front().nOnset;
    EXPECT_TRUE(nDelay >= 0 && nDelay < CMeasureReader::kBarEighths) << nDelay;
    const bool bNamed = std::any_of(
        result.notices.begin(), result.notices.end(),
        [](const std::string& strNotice) { return strNotice.starts_with("Die Melodie wurde"); });
    EXPECT_EQ(nShift != 0, bNamed) << nShift;
    for (size_t n = 0; n < sounds.size(); ++n) {
        EXPECT_EQ(sounds[n],
                  (Sound{played[n].nOnset + nDelay, played[n].nKey + nShift, played[n].nLength}))
            << "note " << n;
    }
}

}  // namespace

TEST(ImportCorpus, EveryImportSoundsAsMuseScorePlaysIt) {
    if (!Runs("command -v mscore3") || !Runs(kPython + " -c 'import mido'")) {
        GTEST_SKIP() << "needs mscore3 (Debian musescore3) and mido (Debian python3-mido)";
    }
    ScratchDir dir;
    std::string strJob = "[";
    for (const std::string& strName : CorpusNames()) {
        const std::string strTwin = CorpusFile(strName + "-klang.musicxml");
        strJob += std::string(strJob.size() > 1 ? "," : "") + "{\"in\": \"" +
                  (fs::exists(strTwin) ? strTwin : CorpusFile(strName + ".musicxml")) +
                  "\", \"out\": \"" + dir.File(strName + ".mid") + "\"}";
    }
    std::ofstream(dir.File("job.json")) << strJob + "]";
    ASSERT_TRUE(Runs("QT_QPA_PLATFORM=offscreen timeout 240 mscore3 -j " + dir.File("job.json")));
    for (const std::string& strName : CorpusNames()) {
        SCOPED_TRACE(strName);
        const std::vector<Sound> played = ReadMidi(dir.File(strName + ".mid")).sounds;
        for (const std::string& strVariant : kVariants) {
            SCOPED_TRACE(strVariant);
            ExpectSoundsLike(CMusicXmlReader::Load(CorpusFile(strName + strVariant)), played);
        }
    }
}

// A compressed score is known by its content under any name; a container that inflates beyond
// the size of a score, names a missing score, names none or is cut short is refused with a
// message of its own. A timewise score is the same song as its partwise twin.
TEST(ImportCorpus, ContainersAndTimewiseScores) {
    EXPECT_EQ(CMusicXmlReader::Load(CorpusFile("zipbombe.mxl")).strMessage,
              CMusicXmlReader::kTooLarge);
    EXPECT_EQ(CMusicXmlReader::Load(CorpusFile("fehlende-partitur.mxl")).strMessage,
              "Die Partitur lied.musicxml fehlt im MusicXML-Archiv.");
    EXPECT_EQ(CMusicXmlReader::Load(CorpusFile("ohne-container.mxl")).strMessage,
              "Das MusicXML-Archiv nennt keine Partitur (META-INF/container.xml fehlt oder ist "
              "beschädigt).");
    Bytes packed = ReadBytes(CorpusFile("volten-ms.mxl"));
    ScratchDir dir;
    WriteBytes(dir.File("lied.xml"), packed);
    ExpectSameSong(CMusicXmlReader::Load(dir.File("lied.xml")),
                   CMusicXmlReader::Load(CorpusFile("volten-ms.musicxml")));
    packed.resize(packed.size() / 2);
    EXPECT_EQ(CMusicXmlReader::Parse(packed).strMessage, "Das MusicXML-Archiv ist beschädigt.");

    const CMusicXmlReader::SResult timewise =
        CMusicXmlReader::Load(CorpusFile("volten-zeitweise.musicxml"));
    const CMusicXmlReader::SResult partwise = CMusicXmlReader::Load(CorpusFile("volten.musicxml"));
    ExpectSameSong(timewise, partwise);
    EXPECT_EQ(timewise.notices, partwise.notices);
    EXPECT_EQ(timewise.strTitle, "Tanz mit Volten");
}
