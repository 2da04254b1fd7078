#include <QAbstractButton>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>
#include <functional>

#include "CKantiloApp.h"
#include "CQtUserDialogs.h"

namespace {
// Runs check on the modal box that opens next, then lets it close.
void OnNextModal(const std::function<void(QWidget*)>& check) {
    QTimer::singleShot(0, [check] {
        QWidget* box = QApplication::activeModalWidget();
        QVERIFY(box != nullptr);
        check(box);
    });
}

QString ButtonText(QMessageBox* box, QMessageBox::StandardButton which) {
    QAbstractButton* button = box->button(which);
    return button != nullptr ? button->text() : QString();
}
}  // namespace

class TestQtDialogs : public QObject {
    Q_OBJECT

private:
    CQtUserDialogs m_dialogs;
    QTemporaryDir m_dir;

private slots:
    void initTestCase() { CKantiloApp::InstallGermanTranslation(); }

    void saveQuestionSpeaksGerman() {
        QString text, yes, no, cancel;
        OnNextModal([&](QWidget* widget) {
            auto* box = qobject_cast<QMessageBox*>(widget);
            QVERIFY(box != nullptr);
            text = box->text();
            yes = ButtonText(box, QMessageBox::Yes);
            no = ButtonText(box, QMessageBox::No);
            cancel = ButtonText(box, QMessageBox::Cancel);
            box->button(QMessageBox::No)->click();
        });
        QCOMPARE(m_dialogs.AskYesNoCancel(QStringLiteral("Änderungen in lied.kt speichern?")),
                 IUserDialogs::Answer::No);
        QCOMPARE(text, QStringLiteral("Änderungen in lied.kt speichern?"));
        QCOMPARE(yes.remove(QLatin1Char('&')), QStringLiteral("Ja"));
        QCOMPARE(no.remove(QLatin1Char('&')), QStringLiteral("Nein"));
        QCOMPARE(cancel.remove(QLatin1Char('&')), QStringLiteral("Abbrechen"));

        OnNextModal([](QWidget* widget) { widget->close(); });
        QCOMPARE(m_dialogs.AskYesNoCancel(QStringLiteral("?")), IUserDialogs::Answer::Cancel);
        OnNextModal([](QWidget* widget) {
            qobject_cast<QMessageBox*>(widget)->button(QMessageBox::Yes)->click();
        });
        QCOMPARE(m_dialogs.AskYesNoCancel(QStringLiteral("?")), IUserDialogs::Answer::Yes);
    }

    void messageBoxHasTitleAndOk() {
        QString title, ok;
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        OnNextModal([&](QWidget* widget) {
            auto* box = qobject_cast<QMessageBox*>(widget);
            title = box->windowTitle();
            icon = box->icon();
            ok = ButtonText(box, QMessageBox::Ok);
            box->button(QMessageBox::Ok)->click();
        });
        m_dialogs.ShowMessage(QStringLiteral("Unerwartetes Dateiformat."),
                              IUserDialogs::Icon::Warning);
        QCOMPARE(title, QStringLiteral("Kantilo"));
        QCOMPARE(icon, QMessageBox::Warning);
        QCOMPARE(ok, QStringLiteral("OK"));
    }

    void fileDialogsAreGerman() {
        QString title, cancel;
        QStringList filters;
        OnNextModal([&](QWidget* widget) {
            auto* dialog = qobject_cast<QFileDialog*>(widget);
            QVERIFY(dialog != nullptr);
            title = dialog->windowTitle();
            filters = dialog->nameFilters();
            for (QPushButton* button : dialog->findChildren<QPushButton*>()) {
                if (button->text().contains(QStringLiteral("Abbrechen"))) {
                    cancel = button->text();
                }
            }
            dialog->reject();
        });
        QCOMPARE(m_dialogs.GetOpenFileName(), QString());
        QCOMPARE(title, QStringLiteral("Öffnen"));
        QCOMPARE(filters, QStringList({"Dateityp Kantil (*.kt)", "Alle Dateien (*.*)"}));
        QCOMPARE(cancel, QStringLiteral("Abbrechen"));

        QString suggested;
        OnNextModal([&](QWidget* widget) {
            auto* dialog = qobject_cast<QFileDialog*>(widget);
            title = dialog->windowTitle();
            dialog->setDirectory(m_dir.path());
            suggested = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->text();
            dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->setText("neu");
            static_cast<QDialog*>(dialog)->accept();
        });
        const QString chosen = m_dialogs.GetSaveFileName(QStringLiteral("Unbenannt.kt"));
        QCOMPARE(title, QStringLiteral("Speichern unter"));
        QCOMPARE(suggested, QStringLiteral("Unbenannt.kt"));
        QCOMPARE(chosen, m_dir.filePath(QStringLiteral("neu.kt")));
    }
};

QTEST_MAIN(TestQtDialogs)
#include "tst_qtdialogs.moc"
