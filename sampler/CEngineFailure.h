#pragma once

#include <stdexcept>
#include <string>

// A failure of the sampler engine. what() is the German text that the user sees unchanged
// (in the editor's "Warnung!" box, on the command line's error stream).
class CEngineFailure : public std::runtime_error {
public:
    explicit CEngineFailure(const std::string& text) : std::runtime_error(text) {}
};
