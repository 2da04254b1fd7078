#pragma once

#include <iosfwd>
#include <string>

class CCommandLine;
class CController;

// Carries out "-o": reads the document and writes it in the form the output's extension
// names, without any window. Messages go to err, in the program's German words; the result is
// a CExitCode.
class CBatchConverter {
public:
    static int Run(const CCommandLine& cmd, std::ostream& err);

private:
    static int GenerateSong(const CCommandLine& cmd, CController& controller, std::ostream& err);
    static bool HasExtension(const std::string& strPath, const std::string& strExtension);
};
