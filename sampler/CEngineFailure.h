#pragma once

#include <stdexcept>
#include <string>

// A failure of the sampler engine. what() is the German text that the user sees unchanged
// (in the editor's "Warnung!" box, on the command line's error stream).
class CEngineFailure : public std::runtime_error {
public:
    explicit CEngineFailure(const std::string& text) : std::runtime_error(text) {}

    // The engine's texts, exactly as the user has always seen them.
    static constexpr const char* kGenerateFailed = "Fehler beim generieren!";
    static constexpr const char* kNoMemory = "Zu wenig Speicher vorhanden!";
    static constexpr const char* kNoSongMemory = "Zu wenig Speicher für das neue Lied!";
    static constexpr const char* kNoFileHeader = "Es wurde kein Datei angegeben!";
    static constexpr const char* kNoFile = "Es wurde keine Datei angegeben!";
    static constexpr const char* kCannotOpen = "Die angegebene Datei konnte nicht geöffnet werden!";
    static constexpr const char* kDamaged = "Die angegebene Datei ist fehlerhaft!";
    static constexpr const char* kTargetCannotOpen =
        "Die angegebene Zieldatei konnte nicht geöffnet werden!";
    static constexpr const char* kTargetCannotWrite =
        "Die angegebene Zieldatei konnte nicht geschrieben werden!";
    static constexpr const char* kTooLongForWave = "Das Lied ist zu lang für eine WAV-Datei!";
};
