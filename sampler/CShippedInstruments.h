#pragma once

#include <string>
#include <vector>

// The instrument recordings that come with the program, one WAV file per instrument, named
// after it ("Klavier.wav"). They lie in the folder "instrumente" beside the program in the
// build tree, and in the data folder of the installed package.
class CShippedInstruments {
public:
    static constexpr const char* kFolderName = "instrumente";
    static constexpr const char* kExtension = ".wav";

    // The folder that holds them: beside the running program when there is one there, the
    // installed data folder ("share/kantilo/instrumente" above the program) otherwise, which
    // may be missing.
    static std::string Folder();
    // The instrument names (file names without ".wav") in folder, sorted by their bytes;
    // empty when the folder cannot be read.
    static std::vector<std::string> Names(const std::string& strFolder);
    static std::vector<std::string> Names() { return Names(Folder()); }
    // The file of a shipped instrument, or "" when there is none of that name.
    static std::string PathOf(const std::string& strName, const std::string& strFolder);
    // What an instrument given by the user means: "Standard" and any existing file stand as
    // they are; otherwise a shipped instrument of that name, when there is one. Anything else
    // is left for the run to report.
    static std::string Resolve(const std::string& strInstrument, const std::string& strFolder);
    static std::string Resolve(const std::string& strInstrument) {
        return Resolve(strInstrument, Folder());
    }
};
