#pragma once

#include <optional>

class CCommandLine;

// What both programs do with a parsed command line before any window system is involved:
// usage errors, help, version and every conversion that needs no painter. Nothing (an empty
// result) means the request is the editor program's: the editor itself, or pages and
// pictures, which are drawn with the editor's painter.
class CFrontEnd {
public:
    static std::optional<int> Run(const CCommandLine& cmd);
    // True for -o into PDF, SVG or PNG.
    static bool WantsPages(const CCommandLine& cmd);
};
