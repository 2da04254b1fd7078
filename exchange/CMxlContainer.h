#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

// Compressed MusicXML: a zip container whose META-INF/container.xml names the score inside.
// Read with libzip; the score is unpacked only up to the size an uncompressed score may have,
// so a container that inflates without end is refused like a file too large.
class CMxlContainer {
public:
    // Whether the bytes are a zip container at all, whatever the file is called.
    static bool IsContainer(std::span<const uint8_t> data);
    // Unpacks the score into score; returns the German refusal, empty when unpacked.
    static std::string Unpack(std::span<const uint8_t> data, size_t nMaxSize,
                              std::vector<uint8_t>& score);
};
