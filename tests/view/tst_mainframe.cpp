#include <QAction>
#include <QActionGroup>
#include <QDialogButtonBox>
#include <QLabel>
#include <QMenuBar>
#include <QMimeData>
#include <QPushButton>
#include <QSettings>
#include <QShortcut>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QToolBar>
#include <QToolButton>
#include <QtTest>
#include <memory>

#include "CDocumentFlow.h"
#include "CFakeDialogs.h"
#include "CKantiloDoc.h"
#include "CKantiloView.h"
#include "CLockKeyPanes.h"
#include "CMainFrame.h"
#include "CRecentFileList.h"
#include "CommandIds.h"

namespace {
struct Entry {
    QString text;
    QString prompt;
    QString tip;
};

QList<Entry> MenuEntries(QMenu* menu) {
    QList<Entry> entries;
    for (QAction* action : menu->actions()) {
        if (action->isSeparator()) {
            entries.append({QStringLiteral("-"), QString(), QString()});
        } else if (action->isVisible()) {
            entries.append({action->text(), action->statusTip(), action->toolTip()});
        }
    }
    return entries;
}

QString Describe(const QList<Entry>& entries) {
    QStringList lines;
    for (const Entry& entry : entries) {
        lines.append(entry.text + QLatin1Char('|') + entry.prompt + QLatin1Char('|') + entry.tip);
    }
    return lines.join(QLatin1Char('\n'));
}
}  // namespace

class TestMainFrame : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    std::unique_ptr<QSettings> m_settings;
    std::unique_ptr<CRecentFileList> m_recent;
    std::unique_ptr<CKantiloDoc> m_doc;
    CFakeDialogs m_dialogs;
    std::unique_ptr<CMainFrame> m_frame;

    QString SavedSong(const QString& name, int notes) {
        CKantiloDoc doc;
        for (int i = 0; i < notes; ++i) {
            doc.AddNote(CPoint{0, 31}, 2, 0);
        }
        const QString path = m_dir.filePath(name);
        doc.OnSaveDocument(path.toStdString());
        return path;
    }

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void init() {
        m_dialogs = CFakeDialogs();
        m_settings = std::make_unique<QSettings>(m_dir.filePath(QStringLiteral("Kantilo.conf")),
                                                 QSettings::IniFormat);
        m_settings->clear();
        m_recent = std::make_unique<CRecentFileList>(*m_settings);
        m_doc = std::make_unique<CKantiloDoc>();
        m_frame = std::make_unique<CMainFrame>(*m_doc, m_dialogs, *m_recent);
        m_frame->resize(m_frame->sizeHint());
        m_frame->show();
        QVERIFY(QTest::qWaitForWindowActive(m_frame.get()));
    }
    void cleanup() {
        m_frame.reset();
        m_doc.reset();
        m_recent.reset();
        m_settings.reset();
    }

    void startsUntitledWithReadyStatus() {
        QCOMPARE(m_frame->windowTitle(), QStringLiteral("Unbenannt - Kantilo"));
        QCOMPARE(m_frame->MessagePane()->text(), QStringLiteral("Bereit"));
        QCOMPARE(m_frame->View()->viewport()->size(), QSize(650, 480));
        QVERIFY(m_frame->Action(ID_HALBE_NOTE)->isChecked());
    }

    void menusHoldEveryEntry() {
        const QList<QAction*> bar = m_frame->menuBar()->actions();
        QCOMPARE(bar.size(), 3);
        QCOMPARE(bar[0]->text(), QStringLiteral("&Datei"));
        QCOMPARE(bar[1]->text(), QStringLiteral("&Sampler"));
        QCOMPARE(bar[2]->text(), QStringLiteral("&?"));
        QCOMPARE(Describe(MenuEntries(bar[0]->menu())),
                 QStringLiteral("&Neu\tStrg+N|Erstellt ein neues Dokument.|Neu\n"
                                "Ö&ffnen...\tStrg+O|Öffnet ein bestehendes Dokument.|Öffnen\n"
                                "S&peichern\tStrg+S|Speichert das aktive Dokument.|Speichern\n"
                                "Speichern &unter...|Speichert das aktive Dokument unter neuem "
                                "Namen.|Speichern unter\n"
                                "-||\n"
                                "Letzte Datei|Öffnet dieses Dokument.|Letzte Datei\n"
                                "-||\n"
                                "&Beenden|Verläßt die Anwendung; fragt, ob Dokumente gespeichert "
                                "werden sollen.|Beenden"));
        QVERIFY(!m_frame->Action(ID_FILE_MRU_FILE1)->isEnabled());
        QCOMPARE(Describe(MenuEntries(bar[1]->menu())),
                 QStringLiteral("&Lied generieren|Das komponierte Lied generieren|Lied generieren\n"
                                "Lied &spielen|Das generierte Lied spielen|Play\n"
                                "Lied s&toppen|Das Lied stoppen|Stop\n"
                                "&Einstellungen||Einstellungen"));
        QCOMPARE(Describe(MenuEntries(bar[2]->menu())),
                 QStringLiteral("Inf&o über Kantilo...|Zeigt Programm-Informationen, "
                                "Versionsnummer und Copyright an.|Info"));
        QVERIFY(!m_frame->Action(ID_LIED_SPIELEN)->isEnabled());
        QVERIFY(m_frame->Action(ID_LIED_GENERIEREN)->isEnabled());
        QVERIFY(m_frame->Action(12345) == nullptr);
    }

    void onlyThreeShortcuts() {
        QStringList shortcuts;
        for (QAction* action : m_frame->findChildren<QAction*>()) {
            for (const QKeySequence& key : action->shortcuts()) {
                shortcuts.append(key.toString(QKeySequence::PortableText));
            }
        }
        shortcuts.sort();
        QCOMPARE(shortcuts, QStringList({"Ctrl+N", "Ctrl+O", "Ctrl+S"}));
        QVERIFY(m_frame->findChildren<QShortcut*>().isEmpty());

        m_doc->AddNote(CPoint{0, 31}, 4, 0);
        for (const auto& key :
             {QKeyCombination(Qt::CTRL | Qt::Key_Z), QKeyCombination(Qt::CTRL | Qt::Key_C),
              QKeyCombination(Qt::CTRL | Qt::Key_Q), QKeyCombination(Qt::Key_F6),
              QKeyCombination(Qt::Key_Delete)}) {
            QTest::keyClick(m_frame.get(), key.key(), key.keyboardModifiers());
        }
        QVERIFY(m_frame->isVisible());
        QVERIFY(m_doc->GetFirstNote() != nullptr);
        QVERIFY(m_dialogs.questions.isEmpty());
        QCOMPARE(m_dialogs.openDialogs, 0);
    }

    void ctrlKeysRunFileCommands() {
        m_doc->AddNote(CPoint{0, 31}, 4, 0);
        m_dialogs.answer = IUserDialogs::Answer::No;
        QTest::keyClick(m_frame.get(), Qt::Key_N, Qt::ControlModifier);
        QCOMPARE(m_dialogs.questions, QStringList{"Änderungen in Unbenannt speichern?"});
        QVERIFY(m_doc->GetFirstNote() == nullptr);
        QTest::keyClick(m_frame.get(), Qt::Key_O, Qt::ControlModifier);
        QCOMPARE(m_dialogs.openDialogs, 1);
        QTest::keyClick(m_frame.get(), Qt::Key_S, Qt::ControlModifier);
        QCOMPARE(m_dialogs.saveSuggestions, QStringList{"Unbenannt.kt"});
    }

    void toolbarOrderAndLook() {
        QToolBar* bar = m_frame->ToolBar();
        QList<int> ids;
        for (QAction* action : bar->actions()) {
            ids.append(action->isSeparator() ? 0 : action->data().toInt());
        }
        QCOMPARE(ids, QList<int>({ID_FILE_NEW, ID_FILE_OPEN, ID_FILE_SAVE, 0, ID_ACHTELNOTE,
                                  ID_VIERTELNOTE, ID_HALBE_NOTE, ID_GANZE_NOTE, 0, ID_ACHTELPAUSE,
                                  ID_VIERTELPAUSE, ID_HALBE_PAUSE, ID_GANZE_PAUSE, 0, ID_LOESCHEN,
                                  0, ID_LIED_GENERIEREN, ID_LIED_SPIELEN, ID_LIED_STOPPEN}));
        QCOMPARE(m_frame->toolBarArea(bar), Qt::TopToolBarArea);
        QVERIFY(bar->isMovable());
        QVERIFY(bar->isFloatable());
        QCOMPARE(bar->allowedAreas(), Qt::AllToolBarAreas);
        for (QAction* action : bar->actions()) {
            if (action->isSeparator()) {
                continue;
            }
            auto* button = qobject_cast<QToolButton*>(bar->widgetForAction(action));
            QVERIFY(button != nullptr);
            QVERIFY(button->autoRaise());
            QVERIFY(!action->icon().isNull());
            QVERIFY(!action->toolTip().isEmpty());
            QVERIFY(!action->statusTip().isEmpty());
        }
        QCOMPARE(m_frame->Action(ID_HALBE_NOTE)->toolTip(), QStringLiteral("halbe Note"));
        QCOMPARE(m_frame->Action(ID_LOESCHEN)->statusTip(),
                 QStringLiteral("Löscht letzte Note im Notenblatt."));
        QCOMPARE(m_frame->Action(ID_GANZE_PAUSE)->statusTip(),
                 QStringLiteral("Nachfolgende Note ist eine ganze Pause."));
    }

    void statusBarShowsPromptsAndLockKeys() {
        QAction* open = m_frame->Action(ID_FILE_OPEN);
        open->showStatusText(m_frame.get());
        QCOMPARE(m_frame->statusBar()->currentMessage(),
                 QStringLiteral("Öffnet ein bestehendes Dokument."));
        m_frame->statusBar()->clearMessage();
        QVERIFY(m_frame->MessagePane()->isVisible());
        CLockKeyPanes* panes = m_frame->LockKeyPanes();
        QVERIFY(panes != nullptr);
        panes->Show(true, false, true);
        QCOMPARE(panes->Pane(0)->text(), QStringLiteral("UF"));
        QCOMPARE(panes->Pane(1)->text(), QString());
        QCOMPARE(panes->Pane(2)->text(), QStringLiteral("RF"));
        panes->Show(false, true, false);
        QCOMPARE(panes->Pane(1)->text(), QStringLiteral("NUM"));
    }

    void toolsFormOneExclusiveGroup() {
        const QList<QPair<int, int>> tools = {{ID_ACHTELNOTE, 1},   {ID_VIERTELNOTE, 2},
                                              {ID_HALBE_NOTE, 4},   {ID_GANZE_NOTE, 8},
                                              {ID_ACHTELPAUSE, 11}, {ID_VIERTELPAUSE, 12},
                                              {ID_HALBE_PAUSE, 14}, {ID_GANZE_PAUSE, 18}};
        for (const auto& [id, tool] : tools) {
            m_frame->Action(id)->trigger();
            QCOMPARE(m_frame->View()->Tool(), tool);
            int checked = 0;
            for (const auto& other : tools) {
                checked += m_frame->Action(other.first)->isChecked() ? 1 : 0;
            }
            QCOMPARE(checked, 1);
            QVERIFY(m_frame->Action(id)->isChecked());
        }
        QVERIFY(!m_doc->IsModified());
        m_frame->Action(ID_GANZE_NOTE)->trigger();
        m_frame->Action(ID_FILE_NEW)->trigger();
        QCOMPARE(m_frame->View()->Tool(), 8);
        QVERIFY(m_frame->Action(ID_GANZE_NOTE)->isChecked());
    }

    void deleteIsAlwaysEnabled() {
        QAction* erase = m_frame->Action(ID_LOESCHEN);
        QVERIFY(erase->isEnabled());
        erase->trigger();
        QVERIFY(m_doc->IsModified());
    }

    void aboutBoxShowsVersionAndCloses() {
        QString title;
        QStringList texts;
        QTimer::singleShot(0, this, [&] {
            QWidget* box = QApplication::activeModalWidget();
            QVERIFY(box != nullptr);
            title = box->windowTitle();
            for (QLabel* label : box->findChildren<QLabel*>()) {
                if (!label->text().isEmpty()) {
                    texts.append(label->text());
                }
            }
            auto* buttons = box->findChild<QDialogButtonBox*>();
            QVERIFY(buttons != nullptr);
            QTest::mouseClick(buttons->button(QDialogButtonBox::Ok), Qt::LeftButton);
        });
        m_frame->Action(ID_APP_ABOUT)->trigger();
        QCOMPARE(title, QStringLiteral("Info über Kantilo"));
        QVERIFY(texts.contains(QStringLiteral("Kantilo Version 1.0")));
        QVERIFY(QApplication::activeModalWidget() == nullptr);
        QVERIFY(!m_doc->IsModified());
    }

    void recentFilesKeepLastFourNewestFirst() {
        QStringList paths;
        for (int i = 1; i <= 5; ++i) {
            paths.append(SavedSong(QStringLiteral("lied%1.kt").arg(i), i));
            QVERIFY(m_frame->Flow().OpenDocumentFile(paths.last()));
        }
        QCOMPARE(m_frame->windowTitle(), QStringLiteral("lied5.kt - Kantilo"));
        QSettings stored(m_settings->fileName(), QSettings::IniFormat);
        stored.beginGroup(QStringLiteral("Recent File List"));
        QCOMPARE(stored.value("File1").toString(), paths[4]);
        QCOMPARE(stored.value("File2").toString(), paths[3]);
        QCOMPARE(stored.value("File3").toString(), paths[2]);
        QCOMPARE(stored.value("File4").toString(), paths[1]);
        QVERIFY(!stored.contains("File5"));

        const QList<Entry> entries = MenuEntries(m_frame->RecentFilesMenu());
        QCOMPARE(entries.size(), 11);  // 4 commands, separator, 4 files, separator, exit
        QCOMPARE(entries[5].text, QStringLiteral("&1 ") + CRecentFileList::Abbreviate(paths[4]));
        QCOMPARE(entries[8].text, QStringLiteral("&4 ") + CRecentFileList::Abbreviate(paths[1]));
        QCOMPARE(entries[5].prompt, QStringLiteral("Öffnet dieses Dokument."));

        // Choosing entry 3 opens lied3 and moves it to the top.
        for (QAction* action : m_frame->RecentFilesMenu()->actions()) {
            if (action->text().startsWith(QStringLiteral("&3 "))) {
                action->trigger();
            }
        }
        QCOMPARE(m_frame->windowTitle(), QStringLiteral("lied3.kt - Kantilo"));
        QCOMPARE(m_recent->Files(), QStringList({paths[2], paths[4], paths[3], paths[1]}));
    }

    void closePromptHasThreeAnswers() {
        m_doc->AddNote(CPoint{0, 31}, 4, 0);
        m_dialogs.answer = IUserDialogs::Answer::Cancel;
        QVERIFY(!m_frame->close());
        QVERIFY(m_frame->isVisible());
        QCOMPARE(m_dialogs.questions, QStringList{"Änderungen in Unbenannt speichern?"});

        m_dialogs.answer = IUserDialogs::Answer::Yes;
        m_dialogs.savePath = QString();  // the save dialog is cancelled: stay open
        QVERIFY(!m_frame->close());
        m_dialogs.savePath = m_dir.filePath(QStringLiteral("beim-schliessen.kt"));
        QVERIFY(m_frame->close());
        QVERIFY(QFileInfo::exists(m_dialogs.savePath));

        m_frame->show();
        m_doc->AddNote(CPoint{0, 31}, 4, 0);
        m_dialogs.answer = IUserDialogs::Answer::No;
        const QByteArray before = [&] {
            QFile file(m_dialogs.savePath);
            file.open(QIODevice::ReadOnly);
            return file.readAll();
        }();
        m_frame->Action(ID_APP_EXIT)->trigger();
        QVERIFY(!m_frame->isVisible());
        QCOMPARE(m_dialogs.questions.last(),
                 QStringLiteral("Änderungen in beim-schliessen.kt speichern?"));
        QFile file(m_dialogs.savePath);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), before);
    }

    void droppedFileOpens() {
        const QString path = SavedSong(QStringLiteral("gezogen.kt"), 3);
        QMimeData mime;
        mime.setUrls({QUrl::fromLocalFile(path)});
        QDragEnterEvent enter(QPoint(100, 100), Qt::CopyAction, &mime, Qt::LeftButton, {});
        QApplication::sendEvent(m_frame.get(), &enter);
        QVERIFY(enter.isAccepted());
        QDropEvent drop(QPointF(100, 100), Qt::CopyAction, &mime, Qt::LeftButton, {});
        QApplication::sendEvent(m_frame.get(), &drop);
        QTRY_COMPARE(m_frame->windowTitle(), QStringLiteral("gezogen.kt - Kantilo"));
        QVERIFY(m_doc->GetFirstNote() != nullptr);
    }
};

QTEST_MAIN(TestMainFrame)
#include "tst_mainframe.moc"
