#pragma once

#include <iosfwd>

#include "CPageOutput.h"

class CCommandLine;

// Carries out "-o" for the score's pages and picture: reads the document as the editor opens
// it and draws it with the editor's painter, on Qt's offscreen platform unless another one is
// asked for, so no display is needed. Messages go to err, in the program's German words.
class CPageConverter {
public:
    static int Run(int& argc, char** argv, const CCommandLine& cmd, CPageOutput::Kind kind,
                   std::ostream& err);
};
