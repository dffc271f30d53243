#pragma once

#include "reports/ReportDocument.h"

#include <QWidget>

#include <memory>

// The pages of a report on screen: one page at a time, or all of them side
// by side in rows, at a zoom where 1 is the sheet's real size.
class PageView final : public QWidget
{
    Q_OBJECT

public:
    explicit PageView(QWidget* parent = nullptr);

    void setDocument(std::shared_ptr<const ReportDocument> document);
    // The document has more pages than when it was set.
    void pagesChanged() { relayout(); }
    void setZoom(double zoom);
    double zoom() const { return m_zoom; }
    // Room across for the pages, which decides how many share a row.
    void setAvailableWidth(int width);
    void setMultiple(bool multiple);
    bool multiple() const { return m_multiple; }
    void setCurrentPage(int page);
    int currentPage() const { return m_current; }
    void setMarks(QList<FindMatch> matches, int current);

    // Where a page, or a rectangle of a page in twips, is on this widget;
    // a page that is not shown gives an empty rectangle.
    QRect pageRect(int page) const;
    QRect areaOnPage(int page, const QRectF& twips) const;
    // The page under a point, or the nearest one above it; -1 with no pages.
    int pageAt(const QPoint& point) const;
    // The page's size on screen at the current zoom.
    QSize pageSize() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void relayout();
    int columns() const;

    std::shared_ptr<const ReportDocument> m_document;
    double m_zoom = 1.0;
    int m_availableWidth = 800;
    bool m_multiple = false;
    int m_current = 0;
    QList<FindMatch> m_matches;
    int m_currentMatch = -1;
};
