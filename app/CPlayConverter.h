#pragma once

#include <iosfwd>

class CCommandLine;

// Carries out "--play": reads the song (or imports the score), renders it in memory as "-o
// SONG.wav" would write it, and plays it on the default audio output through the editor's
// player, without a display. On a terminal one line shows the time played, the whole time and
// the bar. SIGINT and SIGTERM stop the sound at once and end with 128 + the signal's number.
class CPlayConverter {
public:
    static int Run(int& argc, char** argv, const CCommandLine& cmd, std::ostream& err);
};
