#include "CMidiWriter.h"

#include <algorithm>
#include <cmath>

#include "CExportStream.h"
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
constexpr uint32_t kMaxDelta = 0x0FFFFFFF;

// Events as they are made, straight into the stream. A delta time holds at most 28 bits; a
// longer pause (some 140,000 measures of rests) is bridged by empty text events, which
// readers pass over.
class CTrack {
public:
    explicit CTrack(CExportStream& out) : m_out(out) {}
    void Event(uint64_t nDelta, std::initializer_list<uint8_t> bytes) {
        for (; nDelta > kMaxDelta; nDelta -= kMaxDelta) {
            VariableLength(kMaxDelta);
            m_out.Put(std::string_view("\xFF\x01\x00", 3));
        }
        VariableLength(static_cast<uint32_t>(nDelta));
        for (uint8_t b : bytes) {
            m_out.Put(static_cast<char>(b));
        }
    }
    void Meta(uint64_t nDelta, uint8_t nType, const std::string& strData) {
        Event(nDelta, {0xFF, nType});
        VariableLength(static_cast<uint32_t>(strData.size()));
        m_out.Put(strData);
    }

private:
    void VariableLength(uint32_t nValue) {
        char groups[5];
        size_t n = 0;
        do {
            groups[n++] = static_cast<char>(nValue & 0x7F);
            nValue >>= 7;
        } while (nValue != 0);
        while (n > 0) {
            --n;
            m_out.Put(static_cast<char>(groups[n] | (n > 0 ? 0x80 : 0)));
        }
    }
    CExportStream& m_out;
};

void Put32(CExportStream& out, uint32_t nValue) {
    for (int nShift = 24; nShift >= 0; nShift -= 8) {
        out.Put(static_cast<char>(nValue >> nShift));
    }
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

// The track's events: the setup, then a bend and the note for every sound.
void WriteTrack(CExportStream& out, const CScoreNotes& score,
                const std::vector<CScoreNotes::SSound>& sounds, const std::string& strTitle) {
    CTrack track(out);
    AddSetup(track, strTitle);
    int64_t nTime = 0;  // eighths written so far
    for (const CScoreNotes::SSound& sound : sounds) {
        const std::optional<CScalePitch> pitch = CScalePitch::FromHz(sound.nHz);
        if (!pitch) {
            continue;  // refused before writing (CExchangeFormat::Write)
        }
        const auto nKey = static_cast<uint8_t>(pitch->MidiKey());
        const int32_t nBend = CMidiWriter::BendValue(pitch->CentsFromKey());
        const auto nGap = static_cast<uint64_t>((sound.nOnset - nTime) * kTicksPerEighth);
        track.Event(nGap, {kPitchBend, static_cast<uint8_t>(nBend & 0x7F),
                           static_cast<uint8_t>(nBend >> 7)});
        track.Event(0, {kNoteOn, nKey, CMidiWriter::kVelocity});
        track.Event(static_cast<uint64_t>(sound.nLength * kTicksPerEighth), {kNoteOff, nKey, 0});
        nTime = sound.nOnset + sound.nLength;
    }
    // The track ends with the song, so trailing rests keep their time.
    track.Meta(static_cast<uint64_t>((score.Length() - nTime) * kTicksPerEighth), 0x2F, "");
}

// The header chunk, then the one track, whose length is counted in a first pass over it.
void WriteFile(CExportStream& out, const CNotenblatt& sheet, const std::string& strTitle) {
    const CScoreNotes score(sheet);
    const std::vector<CScoreNotes::SSound> sounds = score.Sounds();
    out.Put("MThd");
    Put32(out, 6);
    constexpr int32_t kTicks = CMidiWriter::kTicksPerQuarter;
    for (const int32_t n : {0, 1, 0, 1, kTicks >> 8, kTicks & 0xFF}) {  // type 1, one track
        out.Put(static_cast<char>(n));
    }
    const CExportStream::Produce track = [&](CExportStream& to) {
        WriteTrack(to, score, sounds, strTitle);
    };
    out.Put("MTrk");
    Put32(out, static_cast<uint32_t>(CExportStream::Count(track)));
    track(out);
}

}  // namespace

int32_t CMidiWriter::BendValue(double fCents) {
    const double fRange = kBendRangeSemitones * 100.0;
    const double fSteps = std::clamp(fCents, -fRange, fRange) * kBendCenter / fRange;
    return std::clamp(kBendCenter + static_cast<int32_t>(std::lround(fSteps)), 0,
                      2 * kBendCenter - 1);
}

std::vector<uint8_t> CMidiWriter::ToBytes(const CNotenblatt& sheet, const std::string& strTitle) {
    const std::string strBytes =
        CExportStream::Text([&](CExportStream& out) { WriteFile(out, sheet, strTitle); });
    return {strBytes.begin(), strBytes.end()};
}

CFileResult CMidiWriter::Save(const CNotenblatt& sheet, const std::string& strTitle,
                              const std::string& strPath) {
    return CExportStream::Save(strPath,
                               [&](CExportStream& out) { WriteFile(out, sheet, strTitle); });
}
