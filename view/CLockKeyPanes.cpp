#include "CLockKeyPanes.h"

#include <QFontMetrics>
#include <QGuiApplication>
#include <QLabel>
#include <QStatusBar>
#include <QTimer>

#ifdef KANTILO_HAVE_X11
#include <QtGui/qguiapplication_platform.h>
// Xlib's macros clash with Qt names; it comes last.
#include <X11/XKBlib.h>
#endif

namespace {
const char* const kTexts[3] = {"UF", "NUM", "RF"};
constexpr int kPollMilliseconds = 250;

#ifdef KANTILO_HAVE_X11
bool IndicatorOn(Display* display, const char* name) {
    const Atom atom = XInternAtom(display, name, True);
    Bool on = False;
    if (atom == None || !XkbGetNamedIndicator(display, atom, nullptr, &on, nullptr, nullptr)) {
        return false;
    }
    return on == True;
}
#endif
}  // namespace

CLockKeyPanes::CLockKeyPanes(QStatusBar* statusBar) : QObject(statusBar) {
    for (int i = 0; i < 3; ++i) {
        m_panes[i] = new QLabel(statusBar);
        m_panes[i]->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        m_panes[i]->setAlignment(Qt::AlignCenter);
        const QFontMetrics metrics(m_panes[i]->font());
        m_panes[i]->setMinimumWidth(metrics.horizontalAdvance(QStringLiteral("NUM")) + 8);
        statusBar->addPermanentWidget(m_panes[i]);
    }
    m_pTimer = new QTimer(this);
    connect(m_pTimer, &QTimer::timeout, this, &CLockKeyPanes::Poll);
    m_pTimer->start(kPollMilliseconds);
    Poll();
}

QLabel* CLockKeyPanes::Pane(int index) const {
    return index >= 0 && index < 3 ? m_panes[index] : nullptr;
}

void CLockKeyPanes::Show(bool capsLock, bool numLock, bool scrollLock) {
    const bool on[3] = {capsLock, numLock, scrollLock};
    for (int i = 0; i < 3; ++i) {
        m_panes[i]->setText(on[i] ? QString::fromLatin1(kTexts[i]) : QString());
    }
}

void CLockKeyPanes::Poll() {
#ifdef KANTILO_HAVE_X11
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    if (x11 != nullptr && x11->display() != nullptr) {
        Display* display = x11->display();
        Show(IndicatorOn(display, "Caps Lock"), IndicatorOn(display, "Num Lock"),
             IndicatorOn(display, "Scroll Lock"));
        return;
    }
#endif
    Show(false, false, false);
}
