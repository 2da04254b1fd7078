#include "CPreviewCommands.h"

#include <QAction>
#include <QActionGroup>
#include <QCoreApplication>
#include <QFile>
#include <QFileDialog>
#include <QMenu>
#include <QSettings>
#include <QStatusBar>

#include <algorithm>

#include "CDocumentFlow.h"
#include "CKantiloDoc.h"
#include "CKantiloView.h"
#include "CLied.h"
#include "CMainFrame.h"
#include "CNote.h"
#include "CNotenblatt.h"
#include "CRenderRun.h"
#include "CSamplerCommands.h"
#include "CShippedInstruments.h"
#include "CSilentProgressSink.h"
#include "CommandIds.h"

const QString CPreviewCommands::kInstrumentKey = QStringLiteral("Vorhoeren/Instrument");
const QString CPreviewCommands::kAuditionKey = QStringLiteral("Vorhoeren/NotenAnhoeren");

namespace {
const QString kStandard = QString::fromLatin1(CInstrument::kStandardName);

std::string LocalPath(const QString& path) {
    return QFile::encodeName(path).toStdString();
}

// Handles the events that keep the sound going at every step of a run.
class CServingSink : public CSilentProgressSink {
public:
    void StepSamplerProgress() override { Serve(); }
    void StepFilterProgress() override { Serve(); }

private:
    static void Serve() { QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents); }
};
}  // namespace

CPreviewCommands::CPreviewCommands(CMainFrame& frame, QSettings& settings)
    : QObject(&frame),
      m_frame(frame),
      m_view(*frame.View()),
      m_doc(frame.Document()),
      m_settings(settings),
      m_player(this) {
    m_cursorTimer.setInterval(kCursorMs);
    connect(&m_cursorTimer, &QTimer::timeout, this, &CPreviewCommands::UpdateCursor);
    connect(&m_player, &CPreviewPlayer::Finished, this, &CPreviewCommands::Stop);
    FillInstrumentMenu();
    ChooseInstrument(m_settings.value(kInstrumentKey, kStandard).toString());
    m_frame.Action(ID_NOTEN_ANHOEREN)->setChecked(m_settings.value(kAuditionKey, true).toBool());
    ConnectActions();
    m_nNotes = NoteCount();
}

CPreviewCommands* CPreviewCommands::Attach(CMainFrame& frame, CSamplerCommands& sampler,
                                           QSettings& settings) {
    auto* commands = new CPreviewCommands(frame, settings);
    connect(&sampler, &CSamplerCommands::GenerateStarting, commands, &CPreviewCommands::Stop);
    return commands;
}

void CPreviewCommands::ConnectActions() {
    connect(m_frame.Action(ID_LIED_VORHOEREN), &QAction::triggered, this,
            &CPreviewCommands::OnVorhoeren);
    // Stop silences whatever the program plays.
    connect(m_frame.Action(ID_LIED_STOPPEN), &QAction::triggered, this, &CPreviewCommands::Stop);
    connect(m_frame.Action(ID_NOTEN_ANHOEREN), &QAction::toggled, this,
            &CPreviewCommands::OnAuditionToggled);
    connect(m_frame.Action(ID_MITGELIEFERTE_INSTRUMENTE), &QAction::triggered, this, [this] {
        m_view.SetInstrumentDir(QFile::decodeName(CShippedInstruments::Folder().c_str()));
    });
    connect(&m_view, &CKantiloView::NoteClicked, this, &CPreviewCommands::OnNoteClicked);
    connect(&m_view, &CKantiloView::NoteDeleted, this, [this] {
        Stop();
        m_nNotes = NoteCount();
    });
    connect(&m_frame.Flow(), &CDocumentFlow::DocumentReplaced, this, [this] {
        Stop();
        m_nNotes = NoteCount();
    });
}

// "Standard", the shipped instruments and another file, one of them checked.
void CPreviewCommands::FillInstrumentMenu() {
    QMenu* menu = m_frame.Action(ID_VORHOER_INSTRUMENT)->menu();
    m_pInstrumentGroup = new QActionGroup(this);
    QStringList names{kStandard};
    for (const std::string& name : CShippedInstruments::Names()) {
        names.append(QString::fromStdString(name));
    }
    for (const QString& name : names) {
        QAction* action = menu->addAction(name);
        action->setCheckable(true);
        action->setData(name);
        m_pInstrumentGroup->addAction(action);
        connect(action, &QAction::triggered, this, [this, name] { ChooseInstrument(name); });
    }
    menu->addSeparator();
    QAction* other = menu->addAction(QStringLiteral("Andere Datei..."));
    other->setCheckable(true);
    m_pInstrumentGroup->addAction(other);
    connect(other, &QAction::triggered, this, &CPreviewCommands::OnOtherFile);
}

void CPreviewCommands::ChooseInstrument(const QString& choice) {
    Stop();
    const std::string path =
        CShippedInstruments::Resolve(LocalPath(choice.isEmpty() ? kStandard : choice));
    m_strInstrument = choice.isEmpty() ? kStandard : choice;
    m_renderer.SetInstrument(path, CInstrument::kStandardBase);
    m_settings.setValue(kInstrumentKey, m_strInstrument);
    const QList<QAction*> actions = m_pInstrumentGroup->actions();
    const auto named = std::find_if(actions.begin(), actions.end(), [this](QAction* action) {
        return action->data().toString() == m_strInstrument;
    });
    (named != actions.end() ? *named : actions.last())->setChecked(true);
}

void CPreviewCommands::OnOtherFile() {
    const QString path =
        QFileDialog::getOpenFileName(&m_frame, QStringLiteral("Vorhör-Instrument"), QString(),
                                     QStringLiteral("WAV-Dateien (*.wav);;Alle Dateien (*)"));
    // Cancelled: the choice before stays.
    ChooseInstrument(path.isEmpty() ? m_strInstrument : path);
}

void CPreviewCommands::OnAuditionToggled(bool bOn) {
    m_settings.setValue(kAuditionKey, bOn);
}

void CPreviewCommands::ShowMessage(const QString& text) {
    m_frame.statusBar()->showMessage(text);
}

bool CPreviewCommands::PlayOrSay(const CLied& song, qint64 nFrames, qint64 nFadeFrames) {
    if (!m_player.Play(song, nFrames, nFadeFrames)) {
        ShowMessage(CPreviewPlayer::kNoDevice);
        return false;
    }
    return true;
}

bool CPreviewCommands::Render(const CNotenblatt& sheet, CLied& song, int32_t nMaxEighths,
                              IProgressSink* pSink) {
    const std::string strError = m_renderer.RenderSheet(sheet, song, nMaxEighths, pSink);
    if (!strError.empty()) {
        ShowMessage(QString::fromStdString(strError));
    }
    return strError.empty();
}

void CPreviewCommands::OnVorhoeren() {
    Stop();
    const CNotenblatt& sheet = m_doc.GetSheet();
    if (sheet.GetLength() == 0) {
        return;
    }
    const bool bLong = sheet.GetLength() > kQuickEighths;
    CLied song;
    if (!Render(sheet, song, bLong ? kQuickEighths : -1) || !PlayOrSay(song)) {
        return;
    }
    m_nRate = song.GetSampleRate();
    m_noteStarts = CPreviewRenderer::NoteStarts(sheet, m_nRate);
    m_cursorTimer.start();
    UpdateCursor();
    if (bLong) {
        RenderRest(sheet, song.GetSize() / (song.IsStereo() ? 2 : 1));
    }
}

// The whole song, while its beginning plays: the device and the cursor are served between the
// steps of the run; clicks and commands wait until it is done.
void CPreviewCommands::RenderRest(const CNotenblatt& sheet, qint64 nFromFrame) {
    CServingSink sink;
    CLied whole;
    if (Render(sheet, whole, -1, &sink) && m_player.IsPlaying()) {
        m_player.Extend(whole, nFromFrame);
    }
}

void CPreviewCommands::Stop() {
    m_player.Stop();
    m_cursorTimer.stop();
    m_noteStarts.clear();
    m_view.SetPlayingNote(-1);
}

// The note whose span holds the frame the device plays now.
void CPreviewCommands::UpdateCursor() {
    if (!m_player.IsPlaying() || m_noteStarts.size() < 2) {
        return;
    }
    const uint64_t frame = uint64_t(m_player.PlayedUSecs()) * m_nRate / 1000000;
    const auto next = std::upper_bound(m_noteStarts.begin(), m_noteStarts.end(), frame);
    const auto note = next - m_noteStarts.begin() - 1;
    m_view.SetPlayingNote(next == m_noteStarts.end() ? -1 : int(note));
}

size_t CPreviewCommands::NoteCount() const {
    const CSheetWalk walk = m_doc.GetSheet().Notes();
    return size_t(std::distance(walk.begin(), walk.end()));
}

std::optional<SNoteInfo> CPreviewCommands::AppendedNote(const CNotenblatt& sheet, size_t nBefore) {
    SNoteInfo appended;
    int32_t nDuration = 0;
    size_t i = 0;
    for (const CSheetWalk::SStep step : sheet.Notes()) {
        if (i++ >= nBefore) {
            appended = step.note.Info();
            nDuration += appended.nDuration;
        }
    }
    if (nDuration == 0 || appended.bRest) {
        return std::nullopt;
    }
    appended.nDuration = nDuration;
    return appended;
}

// A click changed the song: whatever plays stops, and a note it appended sounds (the parts a
// bar line split it into together), cut short and faded out.
void CPreviewCommands::OnNoteClicked() {
    Stop();
    const size_t before = m_nNotes;
    m_nNotes = NoteCount();
    if (m_nNotes <= before || !m_frame.Action(ID_NOTEN_ANHOEREN)->isChecked()) {
        return;
    }
    const std::optional<SNoteInfo> note = AppendedNote(m_doc.GetSheet(), before);
    if (!note) {
        return;
    }
    CLied song;
    const std::string strError = m_renderer.RenderNote(note->nPitch, note->nDuration, song);
    if (!strError.empty()) {
        ShowMessage(QString::fromStdString(strError));
        return;
    }
    // A note within the limit sounds exactly as generated, its own fade included.
    const qint64 rate = song.GetSampleRate();
    const qint64 frames = song.GetSize() / (song.IsStereo() ? 2 : 1);
    const qint64 limit = rate * kAuditionMs / 1000;
    PlayOrSay(song, limit, frames > limit ? rate * kAuditionFadeMs / 1000 : 0);
}
