#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

// A recording as the transcriber hears it: one channel (the mean of all channels, the first
// alone where they cancel each other out in their mean) of samples in [-1, 1] at the
// recording's rate, without the recording device's DC offset. WAV, FLAC and Ogg are told apart
// by their content, so any file name works.
// What cannot be a melody recording is refused with a German message before its samples are
// held: no known format, no samples, a file cut short, more than kMaxSeconds.
class CRecording {
public:
    // Longer recordings are refused; held as floats, this keeps a recording under some 500 MB.
    static constexpr double kMaxSeconds = 30.0 * 60.0;
    static constexpr uint32_t kMinRate = 8000;
    static constexpr uint32_t kMaxRate = 192000;

    struct SLoad {
        std::unique_ptr<CRecording> pRecording;  // set exactly when the recording was read
        std::string strMessage;                  // German text, empty when read
        bool bCancelled = false;                 // by the progress callback, no message
    };

    CRecording(uint32_t nRate, std::vector<float> samples);

    // strName is only used in messages.
    static SLoad Read(std::span<const uint8_t> data, const std::string& strName);
    // progress, when set, is told the share of the samples read (0 to 1) after every block;
    // returning false stops the reading.
    static SLoad Load(const std::string& strPath, const std::function<bool(double)>& progress = {});
    // Whether the first bytes of a file are those of a recording Read understands.
    static bool IsRecording(std::span<const uint8_t> head);
    static bool IsRecordingFile(const std::string& strPath);

    uint32_t Rate() const { return m_nRate; }
    std::span<const float> Samples() const { return m_samples; }
    double Seconds() const { return double(m_samples.size()) / m_nRate; }

private:
    uint32_t m_nRate;
    std::vector<float> m_samples;
};
