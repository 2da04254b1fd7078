// kantilo: the command line. It never loads the window system's libraries, so a conversion
// takes little more memory than the song itself; the editor, and the pages and pictures drawn
// with its painter, are the editor program's, which takes over this process.
#include <unistd.h>

#include <filesystem>
#include <iostream>
#include <optional>
#include <system_error>

#include "CBatchConverter.h"
#include "CCommandLine.h"
#include "CExitCode.h"
#include "CFrontEnd.h"

namespace {

#ifdef KANTILO_EDITOR_PROGRAM
// Beside this program in the build tree, in libexec when installed.
std::filesystem::path EditorProgram(const char* pszArgv0) {
    std::error_code error;
    std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
    const std::filesystem::path dir = (error ? std::filesystem::path(pszArgv0) : self).parent_path();
    const std::filesystem::path beside = dir / KANTILO_EDITOR_PROGRAM;
    if (std::filesystem::exists(beside, error)) {
        return beside;
    }
    return dir / ".." / KANTILO_EDITOR_LIBEXEC / KANTILO_EDITOR_PROGRAM;
}

int HandOver(const CCommandLine&, char** argv) {
    const std::filesystem::path editor = EditorProgram(argv[0]);
    ::execv(editor.c_str(), argv);
    std::cerr << "kantilo: der Editor " << editor << " lässt sich nicht starten.\n";
    return CExitCode::kFailure;
}
#else
int HandOver(const CCommandLine& cmd, char**) {
    if (CFrontEnd::WantsPages(cmd)) {
        std::cerr << CBatchConverter::kNoPages << '\n';
        return CExitCode::kFailure;
    }
    if (cmd.m_action == CCommandLine::Action::play) {
        std::cerr << "kantilo: diese Fassung enthält keinen Editor und spielt daher nichts.\n";
        return CExitCode::kFailure;
    }
    std::cerr << "kantilo: diese Fassung enthält keinen Editor; zum Umwandeln dient -o.\n"
              << "Mehr mit: kantilo --help\n";
    return CExitCode::kUsage;
}
#endif

}  // namespace

int main(int argc, char** argv) {
    const CCommandLine cmd = CCommandLine::Parse(argc, argv);
    if (const std::optional<int> exitCode = CFrontEnd::Run(cmd)) {
        return *exitCode;
    }
    return HandOver(cmd, argv);
}
