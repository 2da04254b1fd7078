#pragma once

#include <QObject>
#include <QString>
#include <QTimer>

#include <cstdint>
#include <optional>
#include <vector>

#include "CNote.h"

#include "CPreviewPlayer.h"
#include "CPreviewRenderer.h"

class CKantiloDoc;
class CKantiloView;
class CMainFrame;
class CNotenblatt;
class IProgressSink;
class CSamplerCommands;
class QActionGroup;
class QSettings;

// Hearing the song at once, on the "Sampler" menu after the generate commands: "Lied
// vorhören" plays the song from memory with a cursor on the note that sounds, "Vorhör-
// Instrument" chooses what it plays with, "Noten beim Setzen anhören" sounds each note a click
// sets, and "Mitgelieferte Instrumente verwenden" points the sampler dialog at the shipped
// instruments. The instrument and the audition switch are kept in the settings.
class CPreviewCommands : public QObject {
    Q_OBJECT

public:
    // The settings keys, apart from the sampler's own settings (which are never kept).
    static const QString kInstrumentKey;
    static const QString kAuditionKey;
    // A note set by a click sounds this long at most, the last part faded out.
    static constexpr int kAuditionMs = 600;
    static constexpr int kAuditionFadeMs = 50;
    // How often the cursor asks the device's clock.
    static constexpr int kCursorMs = 15;
    // A longer song starts with its first ten seconds while the rest is rendered.
    static constexpr int32_t kQuickEighths = 40;

    // Lives as long as frame (it becomes its child); settings must outlive it.
    CPreviewCommands(CMainFrame& frame, QSettings& settings);
    // Puts the commands on the main window's menu; a generate run of sampler stops the sound.
    static CPreviewCommands* Attach(CMainFrame& frame, CSamplerCommands& sampler,
                                    QSettings& settings);

    void OnVorhoeren();
    void Stop();
    // The instrument choice: "Standard", a shipped instrument's name, or a WAV file's path.
    void ChooseInstrument(const QString& choice);
    QString Instrument() const { return m_strInstrument; }

    // The note that the notes and rests after the first nBefore make up: a note a bar line
    // split, as one note at the pitch of its last part; nothing for a rest or when none came.
    static std::optional<SNoteInfo> AppendedNote(const CNotenblatt& sheet, size_t nBefore);

    CPreviewPlayer& Player() { return m_player; }
    CPreviewRenderer& Renderer() { return m_renderer; }

private:
    void ConnectActions();
    void FillInstrumentMenu();
    void OnNoteClicked();
    void OnOtherFile();
    void OnAuditionToggled(bool bOn);
    void UpdateCursor();
    void ShowMessage(const QString& text);
    bool PlayOrSay(const CLied& song, qint64 nFrames = -1, qint64 nFadeFrames = 0);
    bool Render(const CNotenblatt& sheet, CLied& song, int32_t nMaxEighths,
                IProgressSink* pSink = nullptr);
    void RenderRest(const CNotenblatt& sheet, qint64 nFromFrame);
    size_t NoteCount() const;

    CMainFrame& m_frame;
    CKantiloView& m_view;
    CKantiloDoc& m_doc;
    QSettings& m_settings;
    QActionGroup* m_pInstrumentGroup = nullptr;
    QString m_strInstrument;
    CPreviewRenderer m_renderer;
    CPreviewPlayer m_player;
    QTimer m_cursorTimer;
    std::vector<uint64_t> m_noteStarts;  // frames, the song's end last
    uint32_t m_nRate = 0;
    size_t m_nNotes = 0;  // notes and rests of the song after the last change seen
};
