#include "CShippedInstruments.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "CInstrument.h"

namespace fs = std::filesystem;

// Beside the program (build tree), then the data folder as seen from bin/ (kantilo) and from
// libexec/kantilo/ (the editor), wherever the package was installed, then where this build
// would install it.
std::string CShippedInstruments::Folder() {
    std::error_code error;
    const fs::path self = fs::read_symlink("/proc/self/exe", error);
    if (!error) {
        const fs::path dir = self.parent_path();
        const fs::path data = fs::path("share") / "kantilo" / kFolderName;
        for (const fs::path& candidate : {dir / kFolderName, dir.parent_path() / data,
                                          dir.parent_path().parent_path() / data}) {
            std::error_code typeError;
            if (fs::is_directory(candidate, typeError)) {
                return candidate.string();
            }
        }
    }
    return KANTILO_INSTRUMENT_DIR;
}

std::vector<std::string> CShippedInstruments::Names(const std::string& strFolder) {
    std::vector<std::string> names;
    std::error_code error;
    for (fs::directory_iterator it(strFolder, error), end; !error && it != end;
         it.increment(error)) {
        const fs::path& path = it->path();
        std::error_code typeError;
        if (path.extension() == kExtension && !path.stem().empty() &&
            fs::is_regular_file(path, typeError)) {
            names.push_back(path.stem().string());
        }
    }
    std::sort(names.begin(), names.end());
    return names;
}

std::string CShippedInstruments::PathOf(const std::string& strName, const std::string& strFolder) {
    // A name is a file name, never a path into or out of the folder.
    if (strName.empty() || strName.find('/') != std::string::npos || strName == "." ||
        strName == "..") {
        return {};
    }
    const fs::path path = fs::path(strFolder) / (strName + kExtension);
    std::error_code error;
    return fs::is_regular_file(path, error) ? path.string() : std::string();
}

std::string CShippedInstruments::Resolve(const std::string& strInstrument,
                                         const std::string& strFolder) {
    std::error_code error;
    if (strInstrument == CInstrument::kStandardName || fs::exists(strInstrument, error)) {
        return strInstrument;
    }
    const std::string strShipped = PathOf(strInstrument, strFolder);
    return strShipped.empty() ? strInstrument : strShipped;
}
