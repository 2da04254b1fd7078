// Feeds arbitrary bytes to the instrument reader. It must either refuse them with one of its
// texts or deliver a buffer that fits what the bytes can hold, which then fades, renders and
// writes like any recording.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>

#include "CEngineFailure.h"
#include "CInstrument.h"
#include "CLied.h"
#include "CNotenblatt.h"
#include "CSampler.h"
#include "CSilentProgressSink.h"

namespace {

void Check(bool bCondition) {
    if (!bCondition) {
        std::abort();
    }
}

// A short song of two notes and a rest, which fits into a WAV file at any rate the reader
// accepts. The rate is then lowered so that every input stays cheap; the recording's samples,
// width and channels are what matters here.
void RenderWith(CInstrument& instrument) {
    CNotenblatt sheet;
    sheet.AddNote(CPoint{0, 6}, ETool::eighth, false);
    sheet.AddNote(CPoint{0, 48}, ETool::eighthRest, false);
    sheet.AddNote(CPoint{0, 48}, ETool::eighth, false);
    CSampler::CheckWaveLength(instrument, sheet);
    instrument.SetSampleRate(std::min<uint32_t>(instrument.GetSampleRate(), 2000));
    CLied song;
    CSampler sampler;
    CSilentProgressSink sink;
    sampler.Render(sink, instrument, song, sheet);
    sampler.Filter(sink, song, 19);
    std::ostringstream out;
    song.WriteTo(out);
    const uint64_t width = song.GetBitsPerSample() / 8u;
    Check(out.str().size() == 44 + width * song.GetSize() + ((width * song.GetSize()) & 1u));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::istringstream in(std::string(reinterpret_cast<const char*>(data), size));
    CInstrument instrument("fuzz.wav", 264);
    try {
        instrument.ReadHeader(in);
        instrument.ReadData(in);
    } catch (const CEngineFailure&) {
        return 0;
    }
    const uint32_t bits = instrument.GetBitsPerSample();
    Check(bits == 8 || bits == 16);
    Check(instrument.GetSampleRate() > 0 &&
          instrument.GetSampleRate() <= CWaveFile::kMaxSampleRate);
    // Never more slots than the bytes hold, plus the one sample a short chunk may lack.
    Check(instrument.GetSize() >= 1 && instrument.GetSize() <= size / (bits / 8) + 1);
    for (uint32_t i = 0; i < instrument.GetSize(); ++i) {
        int16_t value = 0;
        Check(instrument.GetSample(i, value));
        Check(bits == 16 || (value >= 0 && value <= 255));
    }
    instrument.FadeOut();
    RenderWith(instrument);
    return 0;
}
