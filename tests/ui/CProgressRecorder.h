#pragma once

#include <QApplication>
#include <QEvent>
#include <QLabel>
#include <QProgressBar>
#include <QStringList>

#include "CSamplerProgressDlg.h"

// Watches what the progress dialog actually draws during a run: every change of a bar or of
// the status line that reaches the screen, in the order it was painted.
class CProgressRecorder : public QObject {
public:
    struct CEntry {
        char kind;  // 'S' sampler bar, 'F' filter bar, 'T' status text
        int value;
        QString text;
    };

    CProgressRecorder() { qApp->installEventFilter(this); }
    ~CProgressRecorder() override { qApp->removeEventFilter(this); }

    QList<CEntry> log;
    QList<QRect> dialogGeometries;  // frame of the dialog at each status change
    bool paintedWhileHidden = false;

    QStringList Texts() const {
        QStringList texts;
        for (const CEntry& entry : log) {
            if (entry.kind == 'T') {
                texts.append(entry.text);
            }
        }
        return texts;
    }

    // The number of single steps of one bar; -1 when the bar ever moved by other than one step
    // (or from 100 back to 0).
    int Steps(char kind) const {
        int steps = 0;
        int last = 0;
        for (const CEntry& entry : log) {
            if (entry.kind != kind) {
                continue;
            }
            const bool oneStep = entry.value == last + 1 || (last == 100 && entry.value == 0);
            if (!oneStep) {
                return -1;
            }
            ++steps;
            last = entry.value;
        }
        return steps;
    }

    // Index in log of the status text number n (0 for the first), or -1.
    int TextAt(int n) const {
        for (int i = 0; i < log.size(); ++i) {
            if (log[i].kind == 'T' && n-- == 0) {
                return i;
            }
        }
        return -1;
    }

    // Index in log of the first entry of kind, or -1.
    int First(char kind) const { return IndexOf(kind, true); }
    int Last(char kind) const { return IndexOf(kind, false); }

protected:
    bool eventFilter(QObject* object, QEvent* event) override {
        if (event->type() == QEvent::Paint) {
            Record(object);
        }
        return false;
    }

private:
    void Record(QObject* object) {
        auto* widget = qobject_cast<QWidget*>(object);
        auto* dlg = widget ? qobject_cast<CSamplerProgressDlg*>(widget->window()) : nullptr;
        if (!dlg) {
            return;
        }
        paintedWhileHidden = paintedWhileHidden || !dlg->isVisible();
        if (auto* bar = qobject_cast<QProgressBar*>(object)) {
            const char kind = bar->objectName() == QStringLiteral("samplerProgress") ? 'S' : 'F';
            int& last = kind == 'S' ? m_nLastSampler : m_nLastFilter;
            if (bar->value() != last) {
                last = bar->value();
                log.append({kind, last, QString()});
            }
        } else if (auto* label = qobject_cast<QLabel*>(object)) {
            if (label->objectName() == QStringLiteral("status") && label->text() != m_strLast) {
                m_strLast = label->text();
                log.append({'T', 0, m_strLast});
                dialogGeometries.append(dlg->frameGeometry());
            }
        }
    }

    int IndexOf(char kind, bool first) const {
        int found = -1;
        for (int i = 0; i < log.size(); ++i) {
            if (log[i].kind == kind) {
                found = i;
                if (first) {
                    break;
                }
            }
        }
        return found;
    }

    int m_nLastSampler = 0;
    int m_nLastFilter = 0;
    QString m_strLast;
};
