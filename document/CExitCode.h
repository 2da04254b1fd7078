#pragma once

// The program's exit statuses, the same for the editor and the command line.
class CExitCode {
public:
    static constexpr int kOk = 0;
    static constexpr int kFailure = 1;  // the work could not be done (file, display, engine)
    static constexpr int kUsage = 2;    // the command line was wrong
};
