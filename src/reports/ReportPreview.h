#pragma once

#include "reports/ReportDocument.h"

#include <QWidget>

#include <memory>

class PageView;
class QAction;
class QLabel;
class QLineEdit;
class QScrollArea;
class QToolBar;

// The report preview: the pages with a toolbar to print, copy a page, find
// a text, show one or many pages, zoom and step through the pages.
class ReportPreview final : public QWidget
{
    Q_OBJECT

public:
    explicit ReportPreview(QWidget* parent = nullptr);
    ~ReportPreview() override;

    void setDocument(std::shared_ptr<const ReportDocument> document);
    // Shows the pages a document still being laid out has completed since.
    void refreshPages();
    const std::shared_ptr<const ReportDocument>& document() const { return m_document; }
    int pageCount() const { return m_document ? m_document->pageCount() : 0; }
    int currentPage() const;
    void setCurrentPage(int page);
    double zoom() const;

    // Searches the report's text; a new text starts from the current page,
    // the same text again steps to the next match.
    void find(const QString& text);
    void findNext();
    void findPrevious();
    const QList<FindMatch>& matches() const { return m_matches; }
    int currentMatch() const { return m_currentMatch; }

    void print();
    void copyPage();
    void zoomIn();
    void zoomOut();
    void showSinglePage();
    void showMultiplePages();
    void previousPage();
    void nextPage();

signals:
    // Something the preview could not do, in words for the user.
    void problem(const QString& reason);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QAction* addTool(const QString& name, const QString& caption, const QString& tip);
    void setUpTools();
    void setUpFindBar();
    void setUpPageInfo();
    void keepMnemonic(QAction* action, bool owns);
    void toggleFindBar();
    void setZoom(double zoom, bool fitWidth);
    void fitToWidth();
    void showMatch();
    void scrollToPage(int page);
    void followScroll();
    void updateState();

    std::shared_ptr<const ReportDocument> m_document;
    QToolBar* m_toolBar = nullptr;
    QScrollArea* m_scroll = nullptr;
    PageView* m_pages = nullptr;
    QWidget* m_findBar = nullptr;
    QLineEdit* m_findText = nullptr;
    QLabel* m_findStatus = nullptr;
    QWidget* m_pageInfo = nullptr;
    QLabel* m_pageLabel = nullptr;
    QLabel* m_zoomLabel = nullptr;
    QHash<QString, QAction*> m_tools;
    bool m_fitWidth = true;
    QString m_searched;
    QList<FindMatch> m_matches;
    int m_currentMatch = -1;
    int m_shownPages = 0;
    bool m_shownComplete = false;
};
