#include "reports/PageView.h"

#include "reports/ReportPainter.h"

#include <QPaintEvent>
#include <QPainter>

#include <algorithm>

namespace {
constexpr int kGap = 12;              // pixels around and between pages
constexpr double kTwipsPerPixel = 15; // at the screen's usual 96 dots per inch
} // namespace

PageView::PageView(QWidget* parent) : QWidget(parent)
{
    setAutoFillBackground(true);
    QPalette p = palette();
    p.setColor(QPalette::Window, QColor(128, 128, 128));
    setPalette(p);
    relayout();
}

void PageView::setDocument(std::shared_ptr<const ReportDocument> document)
{
    m_document = std::move(document);
    m_current = 0;
    m_matches.clear();
    m_currentMatch = -1;
    relayout();
}

void PageView::setZoom(double zoom)
{
    m_zoom = zoom;
    relayout();
}

void PageView::setAvailableWidth(int width)
{
    if (width == m_availableWidth)
        return;
    m_availableWidth = width;
    relayout();
}

void PageView::setMultiple(bool multiple)
{
    m_multiple = multiple;
    relayout();
}

void PageView::setCurrentPage(int page)
{
    const int count = m_document ? m_document->pageCount() : 0;
    m_current = std::clamp(page, 0, std::max(0, count - 1));
    update();
}

void PageView::setMarks(QList<FindMatch> matches, int current)
{
    m_matches = std::move(matches);
    m_currentMatch = current;
    update();
}

QSize PageView::pageSize() const
{
    const QSizeF paper = m_document ? QSizeF(m_document->definition().paper) : QSizeF(16838, 11906);
    return (paper / kTwipsPerPixel * m_zoom).toSize();
}

int PageView::columns() const
{
    if (!m_multiple)
        return 1;
    return std::max(1, (m_availableWidth - kGap) / (pageSize().width() + kGap));
}

void PageView::relayout()
{
    const int count = m_document ? m_document->pageCount() : 0;
    const QSize page = pageSize();
    const int cols = columns();
    const int shown = m_multiple ? count : std::min(count, 1);
    const int rows = (shown + cols - 1) / cols;
    const int width = kGap + std::max(1, std::min(cols, shown)) * (page.width() + kGap);
    setFixedSize(std::max(width, m_availableWidth),
                 kGap + std::max(1, rows) * (page.height() + kGap));
    update();
}

QRect PageView::pageRect(int page) const
{
    const int count = m_document ? m_document->pageCount() : 0;
    if (page < 0 || page >= count || (!m_multiple && page != m_current))
        return QRect();
    const QSize size = pageSize();
    const int slot = m_multiple ? page : 0;
    const int cols = columns();
    const int used = kGap + std::min(cols, m_multiple ? count : 1) * (size.width() + kGap);
    const int left = std::max(0, (width() - used) / 2); // centred in the room
    return QRect(QPoint(left + kGap + (slot % cols) * (size.width() + kGap),
                        kGap + (slot / cols) * (size.height() + kGap)),
                 size);
}

QRect PageView::areaOnPage(int page, const QRectF& twips) const
{
    const QRect rect = pageRect(page);
    if (rect.isEmpty() || !m_document)
        return QRect();
    const double scale = double(rect.width()) / m_document->definition().paper.width();
    return QRectF(rect.topLeft() + twips.topLeft() * scale, twips.size() * scale).toAlignedRect();
}

int PageView::pageAt(const QPoint& point) const
{
    const int count = m_document ? m_document->pageCount() : 0;
    if (count == 0)
        return -1;
    if (!m_multiple)
        return m_current;
    const QSize size = pageSize();
    const int row = std::max(0, (point.y() - kGap / 2) / (size.height() + kGap));
    const int col =
        std::clamp((point.x() - pageRect(0).left()) / (size.width() + kGap), 0, columns() - 1);
    return std::min(count - 1, row * columns() + col);
}

void PageView::paintEvent(QPaintEvent* event)
{
    if (!m_document)
        return;
    QPainter painter(this);
    const int count = m_document->pageCount();
    const int first = m_multiple ? 0 : m_current;
    const int last = m_multiple ? count - 1 : m_current;
    for (int page = first; page <= last; ++page) {
        const QRect rect = pageRect(page);
        if (!rect.intersects(event->rect()))
            continue;
        painter.fillRect(rect.translated(3, 3), QColor(60, 60, 60));
        painter.fillRect(rect, Qt::white);
        ReportPainter::Marks marks;
        for (qsizetype i = 0; i < m_matches.size(); ++i) {
            if (m_matches.at(i).page != page)
                continue;
            if (i == m_currentMatch)
                marks.current = int(marks.rects.size());
            marks.rects.append(m_matches.at(i).rect);
        }
        ReportPainter::paintPage(painter, *m_document, page, rect, marks);
    }
}
