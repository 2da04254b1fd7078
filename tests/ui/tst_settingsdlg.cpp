#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "CDialogUnits.h"
#include "CSamplerSettingsDlg.h"

namespace {

QLineEdit* Field(QWidget& dlg, const char* name) {
    return dlg.findChild<QLineEdit*>(QString::fromLatin1(name));
}

QPushButton* Button(QWidget& dlg, const char* name) {
    return dlg.findChild<QPushButton*>(QString::fromLatin1(name));
}

}  // namespace

class TestSettingsDlg : public QObject {
    Q_OBJECT

private slots:
    void showsGivenDirectories();
    void layout();
    void okTakesBothFields();
    void cancelTakesNothing();
    void escapeCancels();
};

void TestSettingsDlg::showsGivenDirectories() {
    // The song directory comes first, as the commands pass it.
    CSamplerSettingsDlg dlg(QStringLiteral("/lieder"), QStringLiteral("/inst/"));
    QCOMPARE(dlg.windowTitle(), QStringLiteral("Sampler-Einstellungen"));
    QCOMPARE(Field(dlg, "instrumentDir")->text(), QStringLiteral("/inst/"));
    QCOMPARE(Field(dlg, "songDir")->text(), QStringLiteral("/lieder"));
    QVERIFY(!Field(dlg, "instrumentDir")->isReadOnly());
    QCOMPARE(Button(dlg, "ok")->text(), QStringLiteral("OK"));
    QVERIFY(Button(dlg, "ok")->isDefault());
    QCOMPARE(Button(dlg, "cancel")->text(), QStringLiteral("Cancel"));
    QStringList labels;
    for (QLabel* label : dlg.findChildren<QLabel*>()) {
        labels.append(label->text());
    }
    labels.sort();
    QCOMPARE(labels, (QStringList{"Defaultpfad, in dem die Lieder gespeichert werden sollen:",
                                  "Pfad, in dem die Instrumente abgespeichert sind:"}));
    CSamplerSettingsDlg empty{QString(), QString()};
    QVERIFY(Field(empty, "instrumentDir")->text().isEmpty());
    QVERIFY(Field(empty, "songDir")->text().isEmpty());
}

void TestSettingsDlg::layout() {
    CSamplerSettingsDlg dlg{QString(), QString()};
    const CDialogUnits dlu(dlg.font());
    QCOMPARE(dlg.size(), dlu.Size(307, 125));
    QCOMPARE(Field(dlg, "instrumentDir")->geometry(), dlu.Rect(7, 20, 293, 12));
    QCOMPARE(Field(dlg, "songDir")->geometry(), dlu.Rect(7, 63, 293, 12));
    QCOMPARE(Button(dlg, "ok")->geometry(), dlu.Rect(250, 104, 50, 14));
    QCOMPARE(Button(dlg, "cancel")->geometry(), dlu.Rect(7, 104, 50, 14));
    for (QLabel* label : dlg.findChildren<QLabel*>()) {
        QVERIFY2(label->width() >= label->sizeHint().width(), qPrintable(label->text()));
    }
}

void TestSettingsDlg::okTakesBothFields() {
    CSamplerSettingsDlg dlg(QStringLiteral("/alt/lieder"), QStringLiteral("/alt/inst"));
    dlg.show();
    Field(dlg, "instrumentDir")->clear();
    QTest::keyClicks(Field(dlg, "instrumentDir"), QStringLiteral("/neu/inst/"));
    QTest::keyClicks(Field(dlg, "songDir"), QStringLiteral("/x"));
    QTest::mouseClick(Button(dlg, "ok"), Qt::LeftButton);
    QCOMPARE(dlg.result(), int(QDialog::Accepted));
    QCOMPARE(dlg.GetInstrumentDir(), QStringLiteral("/neu/inst/"));
    QCOMPARE(dlg.GetSongDir(), QStringLiteral("/alt/lieder/x"));
}

void TestSettingsDlg::cancelTakesNothing() {
    CSamplerSettingsDlg dlg(QStringLiteral("/alt/lieder"), QStringLiteral("/alt/inst"));
    dlg.show();
    QTest::keyClicks(Field(dlg, "instrumentDir"), QStringLiteral("/zu"));
    Field(dlg, "songDir")->clear();
    QTest::mouseClick(Button(dlg, "cancel"), Qt::LeftButton);
    QCOMPARE(dlg.result(), int(QDialog::Rejected));
    QCOMPARE(dlg.GetInstrumentDir(), QStringLiteral("/alt/inst"));
    QCOMPARE(dlg.GetSongDir(), QStringLiteral("/alt/lieder"));
}

void TestSettingsDlg::escapeCancels() {
    CSamplerSettingsDlg dlg(QStringLiteral("a"), QStringLiteral("b"));
    dlg.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dlg));
    QTest::keyClicks(Field(dlg, "songDir"), QStringLiteral("c"));
    QTest::keyClick(&dlg, Qt::Key_Escape);
    QCOMPARE(dlg.result(), int(QDialog::Rejected));
    QCOMPARE(dlg.GetSongDir(), QStringLiteral("a"));
}

QTEST_MAIN(TestSettingsDlg)
#include "tst_settingsdlg.moc"
