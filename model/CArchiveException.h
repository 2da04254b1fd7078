#pragma once

#include <stdexcept>

// A document archive that cannot be read. Every cause is shown to the user with the same text.
class CArchiveException : public std::runtime_error {
public:
    enum Cause {
        endOfFile,    // a read needs more bytes than the archive has left
        badIndex,     // a number that names nothing read so far
        badClass,     // an unknown class, an object of the wrong class, or no object at all
        badSchema,    // a known class stored under another schema number
        badContents,  // well-formed records whose values no song can have
    };

    explicit CArchiveException(Cause cause);

    Cause GetCause() const { return m_cause; }

    // The text shown for every archive failure.
    static const char* const kMessage;

private:
    Cause m_cause;
};
