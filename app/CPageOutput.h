#pragma once

#include <string>

// The outputs of "-o" that show the score instead of storing or playing it: its pages as PDF
// or SVG, or the sheet as a PNG picture. They are drawn by the editor's painter, so only a
// build with the editor writes them.
class CPageOutput {
public:
    enum class Kind { none, pdf, svg, png };

    // By the output's extension, in any case.
    static Kind Of(const std::string& strOutput);

    static constexpr const char* kNoEditor =
        "kantilo: diese Fassung enthält keinen Editor und schreibt daher weder PDF noch SVG "
        "noch PNG.";
};
