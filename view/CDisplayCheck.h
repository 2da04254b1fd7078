#pragma once

#include <string>

// Whether the window system the editor is to use can be reached, asked before the application
// object exists: Qt itself ends the program with an English message and an abort when it
// cannot connect to a display or knows no platform of the name it was given.
class CDisplayCheck {
public:
    // "" when the editor can open its window, else the German reason with a hint on converting
    // without a display. Where QT_QPA_PLATFORM was unset, it is set to the platform found, so
    // that Qt connects to the display checked here.
    static std::string Problem();

    // Until Started(), a fatal message of Qt (a display lost since the check, say) ends the
    // program with exit 1 and a German message instead of an abort.
    static void Starting();
    static void Started();
};
