#include "CKantiloView.h"

#include <QMessageBox>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <algorithm>
#include <tuple>

#include "CGlyphLibrary.h"
#include "CKantiloDoc.h"
#include "CScoreLayout.h"

namespace {
constexpr int kPageStepX = 65;
constexpr int kPageStepY = 120;
constexpr int kLineStepX = 6;
constexpr int kLineStepY = 12;
}  // namespace

CKantiloView::CKantiloView(CKantiloDoc& doc, QWidget* parent)
    : QAbstractScrollArea(parent), m_doc(doc) {
    setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    viewport()->setAutoFillBackground(false);
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    viewport()->setCursor(Qt::ArrowCursor);
    horizontalScrollBar()->setSingleStep(kLineStepX);
    horizontalScrollBar()->setPageStep(kPageStepX);
    verticalScrollBar()->setSingleStep(kLineStepY);
    verticalScrollBar()->setPageStep(kPageStepY);
    OnInitialUpdate();
}

QPoint CKantiloView::ScrollPosition() const {
    return QPoint(horizontalScrollBar()->value(), verticalScrollBar()->value());
}

void CKantiloView::OnLoeschen() {
    m_doc.DeleteLastNote();
    OnUpdate();
    emit NoteDeleted();
}

void CKantiloView::SetPlayingNote(int nNote) {
    if (nNote == m_nPlayingNote) {
        return;
    }
    m_nPlayingNote = nNote;
    if (nNote >= 0) {
        const CScoreLayout layout(m_doc);
        if (const CScoreLayout::CGlyph* glyph = layout.NoteGlyph(size_t(nNote))) {
            ScrollIntoView(*glyph);
        }
    }
    viewport()->update();
}

void CKantiloView::OnInitialUpdate() {
    horizontalScrollBar()->setValue(0);
    verticalScrollBar()->setValue(0);
    OnUpdate();
}

void CKantiloView::OnUpdate() {
    Refresh(false);
}

void CKantiloView::Refresh(bool bShowLastNote) {
    const CScoreLayout layout(m_doc);
    m_nScrollWidth = CScoreLayout::kExtentWidth;
    m_nScrollHeight = layout.ExtentHeight();
    UpdateScrollBars();
    if (bShowLastNote && layout.LastNote() != nullptr) {
        ScrollIntoView(*layout.LastNote());
    }
    RedrawNow();
}

// Scrolls no further than needed to show the whole glyph.
void CKantiloView::ScrollIntoView(const CScoreLayout::CGlyph& glyph) {
    const QSize area = viewport()->size();
    for (const auto& [bar, low, size, extent] :
         {std::tuple{horizontalScrollBar(), glyph.x, area.width(), glyph.width},
          std::tuple{verticalScrollBar(), glyph.y, area.height(), CScoreLayout::kGlyphHeight}}) {
        if (low < bar->value()) {
            bar->setValue(low);
        } else if (low + extent > bar->value() + size) {
            bar->setValue(std::min(low, low + extent - size));
        }
    }
}

void CKantiloView::UpdateScrollBars() {
    const QSize area = viewport()->size();
    horizontalScrollBar()->setRange(0, qMax(0, m_nScrollWidth - area.width()));
    verticalScrollBar()->setRange(0, qMax(0, m_nScrollHeight - area.height()));
}

void CKantiloView::RedrawNow() {
    // Shown before the next input is handled, so every click is seen at once.
    viewport()->repaint();
}

QSize CKantiloView::sizeHint() const {
    // The sheet area itself is 650 x 480; frame and vertical scroll bar come on top, so the
    // full width of a row is visible without horizontal scrolling.
    const int frame = 2 * frameWidth();
    return QSize(kInitialWidth + frame + verticalScrollBar()->sizeHint().width(),
                 kInitialHeight + frame);
}

void CKantiloView::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    UpdateScrollBars();
}

void CKantiloView::paintEvent(QPaintEvent* event) {
    QPainter painter(viewport());
    const QRect exposed = event->rect();
    painter.fillRect(exposed, Qt::white);
    const QPoint origin = ScrollPosition();
    const qreal dpr = devicePixelRatioF();
    const CScoreLayout layout(m_doc);
    for (const CScoreLayout::CGlyph& glyph : layout.Glyphs()) {
        const QRect target(glyph.x - origin.x(), glyph.y - origin.y(), glyph.width,
                           CScoreLayout::kGlyphHeight);
        if (!event->region().intersects(target)) {
            continue;
        }
        painter.drawPixmap(target, CGlyphLibrary::Pixmap(glyph.number, dpr));
    }
    // Orange reads well over black glyphs on white and prints as neither.
    if (const CScoreLayout::CGlyph* playing =
            m_nPlayingNote >= 0 ? layout.NoteGlyph(size_t(m_nPlayingNote)) : nullptr) {
        painter.fillRect(QRect(playing->x - origin.x(), playing->y - origin.y(), playing->width,
                               CScoreLayout::kGlyphHeight),
                         QColor(255, 140, 0, 90));
    }
}

void CKantiloView::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QAbstractScrollArea::mousePressEvent(event);
        return;
    }
    const QPoint client = event->position().toPoint();
    const QPoint origin = ScrollPosition();
    const CPoint sheet{client.x() + origin.x(), client.y() + origin.y()};
    const Qt::KeyboardModifiers held =
        event->modifiers() &
        (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
    const bool bTie = event->buttons() == Qt::LeftButton && held == Qt::ShiftModifier;
    m_doc.AddNote(sheet, m_tool, bTie);
    Refresh(true);
    event->accept();
    emit NoteClicked();
}

void CKantiloView::mouseDoubleClickEvent(QMouseEvent* event) {
    // The second press of a double-click is not another note.
    event->accept();
}

void CKantiloView::mouseReleaseEvent(QMouseEvent* event) {
    // The press did the work; the release belongs to it.
    event->setAccepted(event->button() == Qt::LeftButton);
}

void CKantiloView::SetProgressStatus(std::string text) {
    if (m_pProgressDelegate != nullptr) {
        m_pProgressDelegate->SetProgressStatus(std::move(text));
    }
}

void CKantiloView::StepSamplerProgress() {
    if (m_pProgressDelegate != nullptr) {
        m_pProgressDelegate->StepSamplerProgress();
    }
}

void CKantiloView::StepFilterProgress() {
    if (m_pProgressDelegate != nullptr) {
        m_pProgressDelegate->StepFilterProgress();
    }
}

void CKantiloView::ShowWarning(const std::string& text) {
    if (m_pProgressDelegate != nullptr) {
        m_pProgressDelegate->ShowWarning(text);
        return;
    }
    QMessageBox::warning(this, QStringLiteral("Warnung!"), QString::fromStdString(text));
}
