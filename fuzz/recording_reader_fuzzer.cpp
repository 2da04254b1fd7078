// Feeds arbitrary bytes to the recording reader (WAV, FLAC, Ogg through libsndfile). It must
// refuse them with a message or deliver samples in [-1, 1] at a rate it accepts; a short
// recording then goes through the whole transcription, which must end in notes or a message.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "CController.h"
#include "CRecording.h"
#include "CTranscriber.h"

namespace {

void Check(bool bCondition) {
    if (!bCondition) {
        std::abort();
    }
}

// Longer recordings are only read: the transcription's cost grows with the length.
constexpr double kTranscribedSeconds = 4;

}  // namespace

// libvorbis, under libsndfile, keeps a few kilobytes of a broken Ogg stream's header for good;
// that is the library's leak, once per file, not the reader's.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:vorbis_info_init\n";
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const CRecording::SLoad load = CRecording::Read(std::span<const uint8_t>(data, size), "fuzz");
    Check((load.pRecording == nullptr) != load.strMessage.empty());
    if (!load.pRecording) {
        return 0;
    }
    const CRecording& recording = *load.pRecording;
    Check(recording.Rate() >= CRecording::kMinRate && recording.Rate() <= CRecording::kMaxRate);
    Check(!recording.Samples().empty() && recording.Seconds() <= CRecording::kMaxSeconds);
    for (const float fSample : recording.Samples()) {
        Check(fSample >= -1.0f && fSample <= 1.0f);
    }
    if (recording.Seconds() <= kTranscribedSeconds) {
        const CTranscriber::SResult result = CTranscriber::Transcribe(recording, {}, "fuzz");
        Check((result.pController == nullptr) != result.strMessage.empty());
    }
    return 0;
}
