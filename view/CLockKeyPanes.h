#pragma once

#include <QObject>

class QLabel;
class QStatusBar;
class QTimer;

// The three key-state panes at the right of the status bar: "UF" while Caps Lock is on,
// "NUM" for Num Lock and "RF" for Scroll Lock. The keyboard indicators are read from the X
// server; where there is none (Wayland, offscreen) the panes stay blank.
class CLockKeyPanes : public QObject {
    Q_OBJECT
public:
    explicit CLockKeyPanes(QStatusBar* statusBar);

    // Shows the given states; the timer calls it with what the keyboard reports.
    void Show(bool capsLock, bool numLock, bool scrollLock);
    QLabel* Pane(int index) const;

private:
    void Poll();

    QLabel* m_panes[3] = {nullptr, nullptr, nullptr};
    QTimer* m_pTimer = nullptr;
};
