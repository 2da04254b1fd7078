#pragma once

#include <iosfwd>

#include "CExchangeFormat.h"

class CCommandLine;

// Carries out "-o" for the score's pages and picture: reads the document as the editor opens
// it and draws it with the editor's painter, always on Qt's offscreen platform, so no display
// is needed. Messages go to err, in the program's German words.
class CPageConverter {
public:
    // kind is pdf, svg or png.
    static int Run(int& argc, char** argv, const CCommandLine& cmd, CExchangeFormat::Kind kind,
                   std::ostream& err);
};
