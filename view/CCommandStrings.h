#pragma once

#include <QString>

// The texts that belong to a command: the menu caption and the prompt string, which holds the
// status-bar prompt and, after a line feed, the tooltip.
class CCommandStrings {
public:
    // The menu or toolbar caption ("&Neu\tStrg+N"); empty for commands without a menu entry.
    static QString MenuText(int commandId);
    // The status-bar prompt, the part before the line feed; empty when there is none.
    static QString Prompt(int commandId);
    // The tooltip, the part after the line feed; empty when there is none.
    static QString ToolTip(int commandId);

private:
    static QString PromptString(int commandId);
};
