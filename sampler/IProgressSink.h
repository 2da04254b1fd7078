#pragma once

#include <string>

// What a generate run reports while it works. The editor shows it in the progress dialog,
// the command line on the terminal; a sink may ignore any of the calls.
class IProgressSink {
public:
    virtual ~IProgressSink() = default;

    // The stage that starts now ("Instrument wird geladen", ...), UTF-8.
    virtual void SetProgressStatus(std::string text) = 0;
    // One of about a hundred steps of rendering the notes.
    virtual void StepSamplerProgress() = 0;
    // One of about a hundred steps of filtering the song.
    virtual void StepFilterProgress() = 0;
    // A failure that ended the run, in the engine's German words ("Warnung!" in the editor).
    virtual void ShowWarning(const std::string& text) = 0;
};
