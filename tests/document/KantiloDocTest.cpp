#include <gtest/gtest.h>
#include <sys/resource.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "CKantiloDoc.h"
#include "CLied.h"
#include "CNote.h"
#include "IProgressSink.h"

namespace fs = std::filesystem;

namespace {

class KantiloDocTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "kantilodoc-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        m_dir = pattern;
    }
    void TearDown() override { fs::remove_all(m_dir); }

    std::string PathOf(const std::string& name) const { return (m_dir / name).string(); }

    static std::vector<char> Bytes(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
    static void Write(const std::string& path, const std::vector<char>& bytes) {
        std::ofstream(path, std::ios::binary)
            .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    }
    std::vector<std::string> DirectoryNames() const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(m_dir)) {
            names.push_back(entry.path().filename().string());
        }
        return names;
    }

    // Pitches and lengths of the song in walk order.
    static std::vector<std::pair<int32_t, int32_t>> Song(CKantiloDoc& doc) {
        std::vector<std::pair<int32_t, int32_t>> notes;
        int32_t bNewBar = 0;
        for (CNote* note = doc.GetFirstNote(); note != nullptr; note = doc.GetNextNote(bNewBar)) {
            int32_t duration = 0, rest = 0, tieTo = 0, tieFrom = 0;
            uint16_t pitch = 0;
            note->GetInfo(duration, pitch, rest, tieTo, tieFrom);
            notes.emplace_back(pitch, duration);
        }
        return notes;
    }

    fs::path m_dir;
};

using Pairs = std::vector<std::pair<int32_t, int32_t>>;

TEST_F(KantiloDocTest, StartsAsUntitledEmptySongWithStaffSymbols) {
    CKantiloDoc doc;
    EXPECT_EQ(doc.GetTitle(), "Unbenannt");
    EXPECT_EQ(doc.GetPathName(), "");
    EXPECT_FALSE(doc.IsModified());
    EXPECT_EQ(doc.GetFirstNote(), nullptr);
    int32_t width = 0;
    ASSERT_NE(doc.GetSymbol(1), nullptr);
    EXPECT_EQ(doc.GetSymbol(1)->GetBitmap(width), 4800);
    EXPECT_EQ(doc.GetSymbol(3)->GetBitmap(width), 4810);
    EXPECT_EQ(doc.GetSymbol(5), nullptr);
    ASSERT_NE(doc.GetSong(), nullptr);
}

TEST_F(KantiloDocTest, EntryAndDeletionMarkModifiedEvenWithoutChange) {
    CKantiloDoc doc;
    doc.AddNote(CPoint{200, 3}, 4, 0);  // above the staff: nothing added
    EXPECT_TRUE(doc.IsModified());
    EXPECT_EQ(doc.GetFirstNote(), nullptr);

    doc.OnNewDocument();
    doc.DeleteLastNote();  // nothing to delete
    EXPECT_TRUE(doc.IsModified());

    doc.OnNewDocument();
    EXPECT_FALSE(doc.IsModified());
    doc.AddNote(CPoint{200, 31}, 4, 0);
    doc.AddNote(CPoint{5, 75 + 48}, 2, 0);
    EXPECT_EQ(Song(doc), (Pairs{{440, 4}, {264, 2}}));
    doc.DeleteLastNote();
    EXPECT_EQ(Song(doc), (Pairs{{440, 4}}));
}

TEST_F(KantiloDocTest, SaveAndOpenRoundTripTakesPathAndName) {
    const std::string path = PathOf("lied.kt");
    {
        CKantiloDoc doc;
        doc.AddNote(CPoint{0, 31}, 2, 0);
        doc.AddNote(CPoint{0, 14}, 8, 0);  // split over the bar line
        ASSERT_TRUE(doc.OnSaveDocument(path).Ok());
        EXPECT_FALSE(doc.IsModified());
        EXPECT_EQ(doc.GetTitle(), "lied.kt");
        EXPECT_EQ(doc.GetPathName(), path);
    }
    CKantiloDoc doc;
    doc.AddNote(CPoint{0, 31}, 1, 0);
    int updates = 0;
    doc.SetUpdateHandler([&] { ++updates; });
    ASSERT_TRUE(doc.OnOpenDocument(path).Ok());
    EXPECT_EQ(updates, 1);
    EXPECT_FALSE(doc.IsModified());
    EXPECT_EQ(doc.GetTitle(), "lied.kt");
    EXPECT_EQ(Song(doc), (Pairs{{440, 2}, {704, 4}, {704, 2}, {704, 2}}));
}

TEST_F(KantiloDocTest, MissingFileLeavesSongAndFlagAsTheyWere) {
    CKantiloDoc doc;
    doc.AddNote(CPoint{0, 31}, 4, 0);
    const std::string missing = PathOf("fehlt.kt");
    const CKantiloDoc::CResult result = doc.OnOpenDocument(missing);
    EXPECT_EQ(result.kind, CKantiloDoc::CResult::Kind::FileError);
    EXPECT_EQ(result.message, missing + " wurde nicht gefunden.");
    EXPECT_TRUE(doc.IsModified());
    EXPECT_EQ(doc.GetTitle(), "Unbenannt");
    EXPECT_EQ(Song(doc), (Pairs{{440, 4}}));
}

TEST_F(KantiloDocTest, TruncatedFileLeavesNewUntitledSong) {
    const std::string path = PathOf("kurz.kt");
    CKantiloDoc writer;
    writer.AddNote(CPoint{0, 31}, 2, 0);
    ASSERT_TRUE(writer.OnSaveDocument(path).Ok());
    std::vector<char> bytes = Bytes(path);
    ASSERT_EQ(bytes.size(), 186u);
    bytes.resize(185);
    Write(path, bytes);

    CKantiloDoc doc;
    doc.AddNote(CPoint{0, 31}, 4, 0);
    ASSERT_TRUE(doc.OnSaveDocument(PathOf("zwischen.kt")).Ok());
    const CKantiloDoc::CResult result = doc.OnOpenDocument(path);
    EXPECT_EQ(result.kind, CKantiloDoc::CResult::Kind::FormatError);
    EXPECT_EQ(result.message, "Unerwartetes Dateiformat.");
    EXPECT_EQ(doc.GetTitle(), "Unbenannt");
    EXPECT_EQ(doc.GetPathName(), "");
    EXPECT_FALSE(doc.IsModified());
    EXPECT_EQ(doc.GetFirstNote(), nullptr);
    doc.AddNote(CPoint{0, 31}, 4, 0);  // still has a song to enter into
    EXPECT_EQ(Song(doc), (Pairs{{440, 4}}));
}

TEST_F(KantiloDocTest, ZeroLengthFileOpensAsEmptySong) {
    const std::string path = PathOf("leer.kt");
    Write(path, {});
    CKantiloDoc doc;
    doc.AddNote(CPoint{0, 31}, 4, 0);
    ASSERT_TRUE(doc.OnOpenDocument(path).Ok());
    EXPECT_EQ(doc.GetTitle(), "leer.kt");
    EXPECT_FALSE(doc.IsModified());
    EXPECT_EQ(doc.GetFirstNote(), nullptr);
    doc.AddNote(CPoint{0, 31}, 8, 0);
    EXPECT_EQ(Song(doc), (Pairs{{440, 8}}));
}

TEST_F(KantiloDocTest, SaveFailingPartWayKeepsOldFileAndModifiedFlag) {
    const std::string path = PathOf("alt.kt");
    CKantiloDoc doc;
    doc.AddNote(CPoint{0, 31}, 2, 0);
    ASSERT_TRUE(doc.OnSaveDocument(path).Ok());
    const std::vector<char> before = Bytes(path);
    for (int i = 0; i < 40; ++i) {
        doc.AddNote(CPoint{0, 31}, 1, 0);
    }
    // Files may grow to 300 bytes: the header of the new file fits, its notes do not.
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit old{};
    getrlimit(RLIMIT_FSIZE, &old);
    rlimit tight = old;
    tight.rlim_cur = 300;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &tight), 0);
    const CKantiloDoc::CResult result = doc.OnSaveDocument(path);
    setrlimit(RLIMIT_FSIZE, &old);

    EXPECT_FALSE(result.Ok());
    EXPECT_FALSE(result.message.empty());
    EXPECT_TRUE(doc.IsModified());
    EXPECT_EQ(Bytes(path), before);
    EXPECT_EQ(DirectoryNames(), std::vector<std::string>{"alt.kt"});
}

TEST_F(KantiloDocTest, SaveIntoMissingFolderNamesThePath) {
    CKantiloDoc doc;
    const std::string path = PathOf("nicht/da.kt");
    const CKantiloDoc::CResult result = doc.OnSaveDocument(path);
    EXPECT_EQ(result.kind, CKantiloDoc::CResult::Kind::FileError);
    EXPECT_NE(result.message.find(path), std::string::npos) << result.message;
    EXPECT_EQ(doc.GetTitle(), "Unbenannt");
}

class CountingSink : public IProgressSink {
public:
    void SetProgressStatus(std::string) override { ++statuses; }
    void StepSamplerProgress() override { ++samplerSteps; }
    void StepFilterProgress() override {}
    void ShowWarning(const std::string& text) override { warnings.push_back(text); }
    int statuses = 0;
    int samplerSteps = 0;
    std::vector<std::string> warnings;
};

TEST_F(KantiloDocTest, GenerateWritesTheSongTheDocumentHolds) {
    CKantiloDoc doc;
    doc.AddNote(CPoint{0, 31}, 2, 0);
    doc.SetModifiedFlag(false);
    const std::string song = PathOf("lied.wav");
    CountingSink sink;
    doc.Generate(sink, "Standard", song, 10, 264);
    EXPECT_TRUE(sink.warnings.empty());
    EXPECT_GT(sink.statuses, 0);
    EXPECT_EQ(doc.GetSong()->GetFileName(), song);
    // Modified stays as it was: generating does not change the song.
    EXPECT_FALSE(doc.IsModified());
    // A quarter note lasts half a second.
    EXPECT_GT(fs::file_size(song), 44u);
}

}  // namespace
