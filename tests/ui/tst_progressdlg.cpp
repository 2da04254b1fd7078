#include <QLabel>
#include <QProgressBar>
#include <QTest>

#include "CFakePrompts.h"
#include "CSamplerProgressDlg.h"
#include "CSamplerProgressSink.h"

namespace {

// Counts the paint events a widget receives.
class CPaintCounter : public QObject {
public:
    explicit CPaintCounter(QWidget* widget) { widget->installEventFilter(this); }
    int count = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) {
            ++count;
        }
        return false;
    }
};

QProgressBar* Bar(QWidget& dlg, const char* name) {
    return dlg.findChild<QProgressBar*>(QString::fromLatin1(name));
}

QLabel* StatusLabel(QWidget& dlg) {
    return dlg.findChild<QLabel*>(QStringLiteral("status"));
}

}  // namespace

class TestProgressDlg : public QObject {
    Q_OBJECT

private slots:
    void freshDialog();
    void barsWrapAfterHundredSteps();
    void updatesAreDrawnBeforeReturning();
    void centredTopLeft();
    void sinkWithoutDialogDoesNothing();
    void sinkForwardsToDialog();
    void sinkCentresOverView();
    void sinkWarningIsOwnedByView();
    void everyRunStartsAtZero();
};

void TestProgressDlg::freshDialog() {
    CSamplerProgressDlg dlg;
    QVERIFY(!dlg.isVisible());
    QVERIFY(dlg.windowFlags() & Qt::FramelessWindowHint);
    QVERIFY(!dlg.isModal());
    QCOMPARE(dlg.Status(), QString());
    QCOMPARE(StatusLabel(dlg)->text(), QString());
    for (const char* name : {"samplerProgress", "filterProgress"}) {
        QCOMPARE(Bar(dlg, name)->minimum(), 0);
        QCOMPARE(Bar(dlg, name)->maximum(), 100);
        QCOMPARE(Bar(dlg, name)->value(), 0);
    }
    QStringList labels;
    for (QLabel* label : dlg.findChildren<QLabel*>()) {
        labels.append(label->text());
    }
    QVERIFY(labels.contains(QStringLiteral("Sampler:")));
    QVERIFY(labels.contains(QStringLiteral("Filter:")));
    QVERIFY(Bar(dlg, "samplerProgress")->y() < Bar(dlg, "filterProgress")->y());
    QVERIFY(Bar(dlg, "filterProgress")->y() < StatusLabel(dlg)->y());
    dlg.SetStatus(QStringLiteral("Lied wird gefiltert, bitte warten"));
    for (QLabel* label : dlg.findChildren<QLabel*>()) {
        QVERIFY2(label->width() >= label->sizeHint().width(), qPrintable(label->text()));
    }
}

void TestProgressDlg::barsWrapAfterHundredSteps() {
    CSamplerProgressDlg dlg;
    for (int i = 1; i <= 100; ++i) {
        dlg.StepSampler();
        QCOMPARE(dlg.SamplerPosition(), i);
    }
    QCOMPARE(Bar(dlg, "samplerProgress")->value(), 100);
    QCOMPARE(dlg.FilterPosition(), 0);
    dlg.StepSampler();
    QCOMPARE(dlg.SamplerPosition(), 0);
    dlg.StepSampler();
    QCOMPARE(dlg.SamplerPosition(), 1);
    for (int i = 0; i < 101; ++i) {
        dlg.StepFilter();
    }
    QCOMPARE(dlg.FilterPosition(), 0);
    QCOMPARE(Bar(dlg, "filterProgress")->value(), 0);
    QCOMPARE(dlg.SamplerPosition(), 1);
}

void TestProgressDlg::updatesAreDrawnBeforeReturning() {
    CSamplerProgressDlg dlg;
    dlg.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dlg));
    QCoreApplication::processEvents();
    CPaintCounter sampler(Bar(dlg, "samplerProgress"));
    CPaintCounter filter(Bar(dlg, "filterProgress"));
    CPaintCounter status(StatusLabel(dlg));
    dlg.StepSampler();
    QCOMPARE(sampler.count, 1);
    dlg.StepFilter();
    QCOMPARE(filter.count, 1);
    dlg.SetStatus(QStringLiteral("Lied wird gefiltert, bitte warten"));
    QVERIFY(status.count >= 1);
    QCOMPARE(StatusLabel(dlg)->text(), QStringLiteral("Lied wird gefiltert, bitte warten"));
}

void TestProgressDlg::centredTopLeft() {
    // A narrow view: the dialog overhangs it equally on both sides.
    QCOMPARE(CSamplerProgressSink::CenteredTopLeft(QRect(100, 20, 300, 200), QRect(0, 0, 400, 100)),
             QPoint(50, 70));
    // Halves are truncated toward zero: -3 / 2 is -1, not -2.
    QCOMPARE(CSamplerProgressSink::CenteredTopLeft(QRect(10, 10, 97, 50), QRect(0, 0, 100, 53)),
             QPoint(9, 9));
    QCOMPARE(CSamplerProgressSink::CenteredTopLeft(QRect(-200, 0, 641, 481), QRect(5, 5, 200, 100)),
             QPoint(20, 190));
}

void TestProgressDlg::sinkWithoutDialogDoesNothing() {
    QWidget view;
    CFakePrompts prompts;
    CSamplerProgressSink sink(view, prompts);
    QVERIFY(!sink.ProgressDlg());
    sink.SetProgressStatus("Instrument wird geladen");
    sink.StepSamplerProgress();
    sink.StepFilterProgress();
    sink.CenterProgressDlg();
    QVERIFY(!sink.ProgressDlg());
    QVERIFY(view.findChildren<QDialog*>().isEmpty());
    QVERIFY(prompts.messages.isEmpty());
}

void TestProgressDlg::sinkForwardsToDialog() {
    QWidget view;
    CFakePrompts prompts;
    CSamplerProgressSink sink(view, prompts);
    sink.CreateProgressDlg();
    CSamplerProgressDlg* dlg = sink.ProgressDlg();
    QVERIFY(dlg);
    QCOMPARE(dlg->parentWidget(), &view);
    QVERIFY(!dlg->isVisible());
    sink.SetProgressStatus("Lied wird gespeichert");
    sink.StepSamplerProgress();
    sink.StepSamplerProgress();
    sink.StepFilterProgress();
    QCOMPARE(dlg->Status(), QStringLiteral("Lied wird gespeichert"));
    QCOMPARE(dlg->SamplerPosition(), 2);
    QCOMPARE(dlg->FilterPosition(), 1);
    // UTF-8 from the engine arrives as the same characters.
    sink.SetProgressStatus(
        "Gr\xc3\xb6\xc3\x9f"
        "e");
    QCOMPARE(dlg->Status(), QStringLiteral("Größe"));
    sink.DestroyProgressDlg();
    QVERIFY(!sink.ProgressDlg());
    QVERIFY(view.findChildren<QDialog*>().isEmpty());
}

void TestProgressDlg::sinkCentresOverView() {
    QWidget frame;
    frame.setGeometry(100, 80, 900, 700);
    auto* view = new QWidget(&frame);
    view->setGeometry(30, 40, 600, 500);
    frame.show();
    QVERIFY(QTest::qWaitForWindowExposed(&frame));
    CFakePrompts prompts;
    CSamplerProgressSink sink(*view, prompts);
    sink.CreateProgressDlg();
    sink.CenterProgressDlg();
    CSamplerProgressDlg* dlg = sink.ProgressDlg();
    QVERIFY(dlg->isVisible());
    const QRect viewRect(view->mapToGlobal(QPoint(0, 0)), view->size());
    const QRect dlgRect = dlg->frameGeometry();
    QCOMPARE(dlgRect.topLeft(), CSamplerProgressSink::CenteredTopLeft(viewRect, dlgRect));
    QVERIFY(qAbs(dlgRect.center().x() - viewRect.center().x()) <= 1);
    QVERIFY(qAbs(dlgRect.center().y() - viewRect.center().y()) <= 1);
    sink.DestroyProgressDlg();
}

void TestProgressDlg::sinkWarningIsOwnedByView() {
    QWidget view;
    CFakePrompts prompts;
    CSamplerProgressSink sink(view, prompts);
    sink.ShowWarning(
        "Die angegebene Datei konnte nicht ge\xc3\xb6"
        "ffnet werden!");
    QCOMPARE(prompts.messages.size(), 1);
    QCOMPARE(prompts.messages[0].title, QStringLiteral("Warnung!"));
    QCOMPARE(prompts.messages[0].text,
             QStringLiteral("Die angegebene Datei konnte nicht geöffnet werden!"));
    QCOMPARE(prompts.messages[0].icon, QMessageBox::Warning);
    QCOMPARE(prompts.messages[0].owner, &view);
}

void TestProgressDlg::everyRunStartsAtZero() {
    QWidget view;
    CFakePrompts prompts;
    CSamplerProgressSink sink(view, prompts);
    sink.CreateProgressDlg();
    for (int i = 0; i < 30; ++i) {
        sink.StepSamplerProgress();
        sink.StepFilterProgress();
    }
    sink.SetProgressStatus("Lied wird gespeichert");
    sink.DestroyProgressDlg();
    sink.CreateProgressDlg();
    QCOMPARE(sink.ProgressDlg()->SamplerPosition(), 0);
    QCOMPARE(sink.ProgressDlg()->FilterPosition(), 0);
    QCOMPARE(sink.ProgressDlg()->Status(), QString());
}

QTEST_MAIN(TestProgressDlg)
#include "tst_progressdlg.moc"
