#pragma once

#include <QAbstractScrollArea>
#include <QString>
#include <cstdint>

#include "CScoreLayout.h"
#include "ETool.h"
#include "IProgressSink.h"

class CKantiloDoc;

// The score: the song drawn as rows of staff glyphs, and note entry with the mouse. A left
// click appends a note of the current tool at the pitch of the click height; Shift (and
// nothing else) with the left button asks for a tie to the last note.
//
// The view is also the progress sink of a generate run. It forwards the reports to a delegate
// (the progress dialog, set by the sampler commands for the time of a run) and ignores them
// while none is set; a warning without a delegate is shown in a message box.
class CKantiloView : public QAbstractScrollArea, public IProgressSink {
    Q_OBJECT
public:
    static constexpr ETool kInitialTool = ETool::half;
    static constexpr int kInitialWidth = CScoreLayout::kExtentWidth;
    static constexpr int kInitialHeight = 480;

    explicit CKantiloView(CKantiloDoc& doc, QWidget* parent = nullptr);

    ETool Tool() const { return m_tool; }
    // The tool commands: choose the tool for the next clicks, nothing else.
    void SetTool(ETool tool) { m_tool = tool; }

    // Deletes the last note (with what is tied to it) and redraws at once.
    void OnLoeschen();
    // After a new or opened document: the scroll extent from the song, back to the top, redraw.
    void OnInitialUpdate();
    // The song changed behind the view's back: new extent, redraw at once.
    void OnUpdate();

    // The scrollable sheet size; it grows with the song so every row can be reached.
    QSize ScrollExtent() const { return QSize(m_nScrollWidth, m_nScrollHeight); }
    // The top-left sheet point shown in the corner of the window.
    QPoint ScrollPosition() const;

    // The directories the sampler commands start in; empty at every start.
    const QString& SongDir() const { return m_strSongDir; }
    void SetSongDir(const QString& dir) { m_strSongDir = dir; }
    const QString& InstrumentDir() const { return m_strInstrumentDir; }
    void SetInstrumentDir(const QString& dir) { m_strInstrumentDir = dir; }

    // The progress dialog of a running generate command, or none. Not owned.
    void SetProgressDelegate(IProgressSink* delegate) { m_pProgressDelegate = delegate; }
    void SetProgressStatus(std::string text) override;
    void StepSamplerProgress() override;
    void StepFilterProgress() override;
    void ShowWarning(const std::string& text) override;

    // The note or rest that sounds now (from 0, in song order), marked by a translucent band
    // and scrolled into view; -1 marks none.
    void SetPlayingNote(int nNote);
    int PlayingNote() const { return m_nPlayingNote; }

    QSize sizeHint() const override;

signals:
    // A click appended to the song (or tried to); Delete took the last note away.
    void NoteClicked();
    void NoteDeleted();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void Refresh(bool bShowLastNote);
    void UpdateScrollBars();
    void ScrollIntoView(const CScoreLayout::CGlyph& glyph);
    void RedrawNow();

    CKantiloDoc& m_doc;
    ETool m_tool = kInitialTool;
    int32_t m_nScrollWidth = CScoreLayout::kExtentWidth;
    int32_t m_nScrollHeight = CScoreLayout::kMinExtentHeight;
    QString m_strSongDir;
    QString m_strInstrumentDir;
    IProgressSink* m_pProgressDelegate = nullptr;
    int m_nPlayingNote = -1;
};
