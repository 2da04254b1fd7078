#pragma once

#include <string>

// What the editor is asked to do at start-up, as the program's front end understood its
// command line.
struct SStartup {
    enum class Request {
        open,        // show the editor, with strDocument if one is given
        print,       // open strDocument and end: there is no printing
        unregister,  // remove the program's settings and end
    };

    Request request = Request::open;
    std::string strDocument;
    // Unregistering says nothing when the shell asked for it as an embedding.
    bool bQuiet = false;
};
