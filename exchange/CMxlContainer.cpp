#include "CMxlContainer.h"

#include <memory>
#include <string_view>

#include <zip.h>
#include <pugixml.hpp>

#include "CMusicXmlReader.h"

namespace {

constexpr std::string_view kSignature = "PK\x03\x04";
constexpr const char* kContainer = "META-INF/container.xml";
// A container description is a few lines; this is generous.
constexpr size_t kMaxContainerSize = 1u << 20;

struct SArchiveCloser {
    void operator()(zip_t* pArchive) const { zip_discard(pArchive); }
};
using ArchivePtr = std::unique_ptr<zip_t, SArchiveCloser>;

struct SFileCloser {
    void operator()(zip_file_t* pFile) const { zip_fclose(pFile); }
};

ArchivePtr Open(std::span<const uint8_t> data) {
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t* pSource = zip_source_buffer_create(data.data(), data.size(), 0, &error);
    zip_t* pArchive = pSource ? zip_open_from_source(pSource, ZIP_RDONLY, &error) : nullptr;
    if (pSource && !pArchive) {
        zip_source_free(pSource);
    }
    zip_error_fini(&error);
    return ArchivePtr(pArchive);
}

enum class EEntry { read, missing, tooLarge, broken };

// Reads the named entry in pieces, never more than nMaxSize bytes, whatever its header claims.
EEntry ReadEntry(zip_t* pArchive, const std::string& strName, size_t nMaxSize,
                 std::vector<uint8_t>& bytes) {
    const zip_int64_t nIndex = zip_name_locate(pArchive, strName.c_str(), 0);
    if (nIndex < 0) {
        return EEntry::missing;
    }
    std::unique_ptr<zip_file_t, SFileCloser> pFile(
        zip_fopen_index(pArchive, static_cast<zip_uint64_t>(nIndex), 0));
    if (!pFile) {
        return EEntry::broken;
    }
    bytes.clear();
    constexpr size_t kPiece = 1u << 16;
    for (;;) {
        const size_t nOld = bytes.size();
        bytes.resize(nOld + kPiece);
        const zip_int64_t nRead = zip_fread(pFile.get(), bytes.data() + nOld, kPiece);
        bytes.resize(nOld + static_cast<size_t>(std::max<zip_int64_t>(nRead, 0)));
        if (nRead < 0) {
            return EEntry::broken;
        }
        if (bytes.size() > nMaxSize) {
            return EEntry::tooLarge;
        }
        if (nRead == 0) {
            return EEntry::read;
        }
    }
}

// The score the container names; its first root file is the score.
std::string RootFile(zip_t* pArchive) {
    std::vector<uint8_t> bytes;
    if (ReadEntry(pArchive, kContainer, kMaxContainerSize, bytes) != EEntry::read) {
        return {};
    }
    pugi::xml_document doc;
    if (!doc.load_buffer(bytes.data(), bytes.size())) {
        return {};
    }
    return doc.child("container")
        .child("rootfiles")
        .child("rootfile")
        .attribute("full-path")
        .as_string();
}

}  // namespace

bool CMxlContainer::IsContainer(std::span<const uint8_t> data) {
    return data.size() >= kSignature.size() &&
           std::equal(kSignature.begin(), kSignature.end(), data.begin());
}

std::string CMxlContainer::Unpack(std::span<const uint8_t> data, size_t nMaxSize,
                                  std::vector<uint8_t>& score) {
    const ArchivePtr pArchive = Open(data);
    if (!pArchive) {
        return "Das MusicXML-Archiv ist beschädigt.";
    }
    const std::string strRoot = RootFile(pArchive.get());
    if (strRoot.empty()) {
        return "Das MusicXML-Archiv nennt keine Partitur (META-INF/container.xml fehlt oder ist "
               "beschädigt).";
    }
    switch (ReadEntry(pArchive.get(), strRoot, nMaxSize, score)) {
        case EEntry::read:
            return {};
        case EEntry::missing:
            return "Die Partitur " + strRoot + " fehlt im MusicXML-Archiv.";
        case EEntry::tooLarge:
            return CMusicXmlReader::kTooLarge;
        case EEntry::broken:
            break;
    }
    return "Das MusicXML-Archiv ist beschädigt.";
}
