#include "CDisplayCheck.h"

#include <netdb.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <sys/un.h>
#include <unistd.h>
#include <QLibraryInfo>
#include <QtGlobal>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <vector>

#include "CExitCode.h"

namespace {

constexpr const char* kWithoutDisplay =
    "Ohne Anzeige wandelt \"kantilo DOKUMENT.kt -o AUSGABE\" um.\n";
constexpr int kConnectSeconds = 3;

std::string Environment(const char* pszName) {
    const char* pszValue = std::getenv(pszName);
    return pszValue ? pszValue : "";
}

// Connects to a local socket; an abstract name starts with '@'.
bool ReachesLocal(const std::string& strPath) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (strPath.empty() || strPath.size() >= sizeof address.sun_path) {
        return false;
    }
    std::memcpy(address.sun_path, strPath.data(), strPath.size());
    if (strPath[0] == '@') {
        address.sun_path[0] = '\0';
    }
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const socklen_t nLength = socklen_t(offsetof(sockaddr_un, sun_path) + strPath.size());
    const bool bReached =
        fd >= 0 && connect(fd, reinterpret_cast<sockaddr*>(&address), nLength) == 0;
    if (fd >= 0) {
        close(fd);
    }
    return bReached;
}

// A display over the network (ssh's forwarding: localhost:10), waiting a few seconds at most.
bool ReachesHost(const std::string& strHost, int nPort) {
    addrinfo hints{};
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* pList = nullptr;
    if (getaddrinfo(strHost.c_str(), std::to_string(nPort).c_str(), &hints, &pList) != 0) {
        return false;
    }
    bool bReached = false;
    for (addrinfo* p = pList; p && !bReached; p = p->ai_next) {
        const int fd = socket(p->ai_family, p->ai_socktype | SOCK_CLOEXEC, p->ai_protocol);
        const timeval timeout{kConnectSeconds, 0};
        if (fd >= 0) {
            setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &timeout, sizeof timeout);
            bReached = connect(fd, p->ai_addr, p->ai_addrlen) == 0;
            close(fd);
        }
    }
    freeaddrinfo(pList);
    return bReached;
}

// DISPLAY as X names it: [host]:number[.screen], "unix" and no host both meaning this machine.
bool ReachesX(const std::string& strDisplay) {
    const std::string::size_type nColon = strDisplay.rfind(':');
    if (nColon == std::string::npos) {
        return false;
    }
    const std::string strHost = strDisplay.substr(0, nColon);
    const std::string strNumber =
        strDisplay.substr(nColon + 1, strDisplay.find('.', nColon) - nColon - 1);
    if (strNumber.empty() || strNumber.find_first_not_of("0123456789") != std::string::npos ||
        strNumber.size() > 5) {
        return false;
    }
    if (strHost.empty() || strHost == "unix") {
        const std::string strSocket = "/tmp/.X11-unix/X" + strNumber;
        return ReachesLocal("@" + strSocket) || ReachesLocal(strSocket);
    }
    return ReachesHost(strHost, 6000 + std::stoi(strNumber));
}

// WAYLAND_DISPLAY as the Wayland library reads it: a socket name in XDG_RUNTIME_DIR, or a path.
bool ReachesWayland(const std::string& strDisplay) {
    if (strDisplay[0] == '/') {
        return ReachesLocal(strDisplay);
    }
    const std::string strRuntime = Environment("XDG_RUNTIME_DIR");
    return !strRuntime.empty() && ReachesLocal(strRuntime + "/" + strDisplay);
}

// The folders Qt looks for platform plugins in.
bool HasPlugin(const std::string& strPrefix) {
    std::vector<std::filesystem::path> dirs = {
        QLibraryInfo::path(QLibraryInfo::PluginsPath).toStdString() + "/platforms"};
    if (const std::string strDir = Environment("QT_QPA_PLATFORM_PLUGIN_PATH"); !strDir.empty()) {
        dirs.emplace_back(strDir);
    }
    std::error_code error;
    for (const std::filesystem::path& dir : dirs) {
        for (const auto& entry : std::filesystem::directory_iterator(dir, error)) {
            if (entry.path().filename().string().starts_with(strPrefix)) {
                return true;
            }
        }
    }
    return false;
}

// "" when the platform can be used, else why not.
std::string PlatformProblem(const std::string& strPlatform) {
    if (strPlatform == "offscreen" || strPlatform == "minimal") {
        return "";
    }
    if (strPlatform == "xcb") {
        const std::string strDisplay = Environment("DISPLAY");
        if (strDisplay.empty()) {
            return "Für X11 ist keine Anzeige gesetzt (DISPLAY ist leer).";
        }
        return ReachesX(strDisplay)
                   ? ""
                   : "Die X11-Anzeige \"" + strDisplay + "\" (DISPLAY) ist nicht erreichbar.";
    }
    if (strPlatform.starts_with("wayland")) {
        std::string strDisplay = Environment("WAYLAND_DISPLAY");
        strDisplay = strDisplay.empty() ? "wayland-0" : strDisplay;
        if (!ReachesWayland(strDisplay)) {
            return "Die Wayland-Anzeige \"" + strDisplay +
                   "\" (WAYLAND_DISPLAY) ist nicht erreichbar.";
        }
        return HasPlugin("libqwayland")
                   ? ""
                   : "Für Wayland fehlt Qt das Plattform-Modul (Paket qt6-wayland).";
    }
    if (strPlatform.empty() || !HasPlugin("libq" + strPlatform + ".so")) {
        return "Die Qt-Plattform \"" + strPlatform + "\" (QT_QPA_PLATFORM) gibt es nicht.";
    }
    return "";
}

// What Qt would try, in order: QT_QPA_PLATFORM's list (options after ':' left aside), else
// Wayland where its display is named and X11.
std::vector<std::string> Candidates(bool& bChosen) {
    std::vector<std::string> platforms;
    const std::string strChosen = Environment("QT_QPA_PLATFORM");
    bChosen = !strChosen.empty();
    if (!bChosen) {
        if (!Environment("WAYLAND_DISPLAY").empty()) {
            platforms.emplace_back("wayland");
        }
        platforms.emplace_back("xcb");
        return platforms;
    }
    std::string::size_type nStart = 0;
    while (nStart <= strChosen.size()) {
        std::string::size_type nEnd = strChosen.find(';', nStart);
        nEnd = nEnd == std::string::npos ? strChosen.size() : nEnd;
        const std::string strEntry = strChosen.substr(nStart, nEnd - nStart);
        platforms.push_back(strEntry.substr(0, strEntry.find(':')));
        nStart = nEnd + 1;
    }
    return platforms;
}

void EndOnFatal(QtMsgType type, const QMessageLogContext&, const QString&) {
    if (type == QtFatalMsg) {
        std::fprintf(stderr, "kantilo: Die grafische Anzeige ließ sich nicht öffnen.\n%s",
                     kWithoutDisplay);
        std::_Exit(CExitCode::kFailure);
    }
}

QtMessageHandler g_previousHandler = nullptr;

}  // namespace

std::string CDisplayCheck::Problem() {
    if (Environment("DISPLAY").empty() && Environment("WAYLAND_DISPLAY").empty() &&
        Environment("QT_QPA_PLATFORM").empty()) {
        return std::string(
                   "kantilo: Keine grafische Anzeige gefunden (weder DISPLAY noch "
                   "WAYLAND_DISPLAY ist gesetzt).\n") +
               kWithoutDisplay;
    }
    bool bChosen = false;
    std::string strReasons;
    for (const std::string& strPlatform : Candidates(bChosen)) {
        const std::string strReason = PlatformProblem(strPlatform);
        if (strReason.empty()) {
            if (!bChosen) {
                qputenv("QT_QPA_PLATFORM", QByteArray::fromStdString(strPlatform));
            }
            return "";
        }
        strReasons += "kantilo: " + strReason + "\n";
    }
    return strReasons + kWithoutDisplay;
}

void CDisplayCheck::Starting() {
    // A display server that hangs up while the connection is being set up would end the
    // program by SIGPIPE, silently; ignored, the write fails and Qt's fatal message follows.
    std::signal(SIGPIPE, SIG_IGN);
    g_previousHandler = qInstallMessageHandler(EndOnFatal);
}

void CDisplayCheck::Started() {
    qInstallMessageHandler(g_previousHandler);
}
