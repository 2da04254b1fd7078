#include "CMidiWriter.h"

#include <algorithm>
#include <cmath>

#include "CDocumentFile.h"
#include "CScalePitch.h"
#include "CScoreNotes.h"

namespace {

constexpr int32_t kTicksPerEighth = CMidiWriter::kTicksPerQuarter / 2;
constexpr uint32_t kMicrosecondsPerQuarter = 500000;  // 120 quarters a minute
constexpr uint8_t kNoteOn = 0x90;
constexpr uint8_t kNoteOff = 0x80;
constexpr uint8_t kController = 0xB0;
constexpr uint8_t kPitchBend = 0xE0;
constexpr size_t kMaxTitleBytes = 1024;

class CTrack {
public:
    void Event(uint32_t nDelta, std::initializer_list<uint8_t> bytes) {
        VariableLength(nDelta);
        m_bytes.insert(m_bytes.end(), bytes);
    }
    void Meta(uint32_t nDelta, uint8_t nType, const std::string& strData) {
        Event(nDelta, {0xFF, nType});
        VariableLength(static_cast<uint32_t>(strData.size()));
        m_bytes.insert(m_bytes.end(), strData.begin(), strData.end());
    }
    const std::vector<uint8_t>& Bytes() const { return m_bytes; }

private:
    void VariableLength(uint32_t nValue) {
        uint8_t groups[5];
        size_t n = 0;
        do {
            groups[n++] = static_cast<uint8_t>(nValue & 0x7F);
            nValue >>= 7;
        } while (nValue != 0);
        while (n > 0) {
            --n;
            m_bytes.push_back(static_cast<uint8_t>(groups[n] | (n > 0 ? 0x80 : 0)));
        }
    }
    std::vector<uint8_t> m_bytes;
};

void Append32(std::vector<uint8_t>& out, uint32_t nValue) {
    for (int nShift = 24; nShift >= 0; nShift -= 8) {
        out.push_back(static_cast<uint8_t>(nValue >> nShift));
    }
}

void AppendChunk(std::vector<uint8_t>& out, const char* pszType, const std::vector<uint8_t>& data) {
    out.insert(out.end(), pszType, pszType + 4);
    Append32(out, static_cast<uint32_t>(data.size()));
    out.insert(out.end(), data.begin(), data.end());
}

std::string Bytes3(uint32_t nValue) {
    return {static_cast<char>(nValue >> 16), static_cast<char>(nValue >> 8),
            static_cast<char>(nValue)};
}

// Tempo, 4/4 with a click per quarter, and the bend range through registered parameter 0.
void AddSetup(CTrack& track, const std::string& strTitle) {
    track.Meta(0, 0x03, strTitle.substr(0, kMaxTitleBytes));
    track.Meta(0, 0x51, Bytes3(kMicrosecondsPerQuarter));
    track.Meta(0, 0x58, std::string{4, 2, 24, 8});
    track.Event(0, {kController, 101, 0});
    track.Event(0, {kController, 100, 0});
    track.Event(0, {kController, 6, CMidiWriter::kBendRangeSemitones});
    track.Event(0, {kController, 38, 0});
    track.Event(0, {kController, 101, 127});  // no parameter selected, so nothing moves it
    track.Event(0, {kController, 100, 127});
}

}  // namespace

int32_t CMidiWriter::BendValue(double fCents) {
    const double fRange = kBendRangeSemitones * 100.0;
    const double fSteps = std::clamp(fCents, -fRange, fRange) * kBendCenter / fRange;
    return std::clamp(kBendCenter + static_cast<int32_t>(std::lround(fSteps)), 0,
                      2 * kBendCenter - 1);
}

std::vector<uint8_t> CMidiWriter::ToBytes(const CNotenblatt& sheet, const std::string& strTitle) {
    CTrack track;
    AddSetup(track, strTitle);
    const CScoreNotes score(sheet);
    int64_t nTime = 0;  // eighths written so far
    for (const CScoreNotes::SSound& sound : score.Sounds()) {
        const std::optional<CScalePitch> pitch = CScalePitch::FromHz(sound.nHz);
        if (!pitch) {
            continue;  // refused before writing (CExchangeFormat::Write)
        }
        const auto nKey = static_cast<uint8_t>(pitch->MidiKey());
        const int32_t nBend = BendValue(pitch->CentsFromKey());
        const auto nGap = static_cast<uint32_t>((sound.nOnset - nTime) * kTicksPerEighth);
        track.Event(nGap, {kPitchBend, static_cast<uint8_t>(nBend & 0x7F),
                           static_cast<uint8_t>(nBend >> 7)});
        track.Event(0, {kNoteOn, nKey, kVelocity});
        track.Event(static_cast<uint32_t>(sound.nLength * kTicksPerEighth), {kNoteOff, nKey, 0});
        nTime = sound.nOnset + sound.nLength;
    }
    // The track ends with the song, so trailing rests keep their time.
    track.Meta(static_cast<uint32_t>((score.Length() - nTime) * kTicksPerEighth), 0x2F, "");
    std::vector<uint8_t> file;
    AppendChunk(file, "MThd", {0, 1, 0, 1, kTicksPerQuarter >> 8, kTicksPerQuarter & 0xFF});
    AppendChunk(file, "MTrk", track.Bytes());
    return file;
}

CFileResult CMidiWriter::Save(const CNotenblatt& sheet, const std::string& strTitle,
                              const std::string& strPath) {
    const std::vector<uint8_t> bytes = ToBytes(sheet, strTitle);
    return CDocumentFile::WriteBytes(strPath, bytes);
}
