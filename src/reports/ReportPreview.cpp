#include "reports/ReportPreview.h"

#include "reports/PageView.h"
#include "reports/ReportOutput.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPrintDialog>
#include <QPrinter>
#include <QScrollArea>
#include <QScrollBar>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

namespace {
const double kZoomSteps[] = {0.25, 0.33, 0.5, 0.67, 0.75, 0.9, 1.0, 1.25, 1.5, 2.0, 3.0, 4.0};
constexpr int kCopyResolution = 150; // dots per inch of a copied page
constexpr double kTwipsPerPixel = 15;
} // namespace

ReportPreview::ReportPreview(QWidget* parent) : QWidget(parent)
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    m_toolBar = new QToolBar(this);
    m_toolBar->setObjectName(QStringLiteral("toolBar"));
    m_toolBar->setToolButtonStyle(Qt::ToolButtonTextOnly);
    m_toolBar->layout()->setSpacing(0);
    layout->addWidget(m_toolBar);
    setUpFindBar();
    layout->addWidget(m_findBar);
    m_scroll = new QScrollArea(this);
    m_scroll->setObjectName(QStringLiteral("pageArea"));
    m_scroll->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    m_scroll->setBackgroundRole(QPalette::Dark);
    m_pages = new PageView;
    m_pages->setObjectName(QStringLiteral("pageView"));
    m_scroll->setWidget(m_pages);
    m_scroll->viewport()->installEventFilter(this);
    layout->addWidget(m_scroll, 1);
    setUpTools();
    setUpPageInfo();
    layout->addWidget(m_pageInfo);
    connect(m_scroll->verticalScrollBar(), &QScrollBar::valueChanged, this,
            &ReportPreview::followScroll);
    updateState();
}

ReportPreview::~ReportPreview() = default;

QAction* ReportPreview::addTool(const QString& name, const QString& caption, const QString& tip)
{
    auto* action = new QAction(caption, this);
    action->setObjectName(name);
    action->setToolTip(tip);
    m_toolBar->addAction(action);
    // Small and tight, so that every tool's caption fits the window's width.
    QFont small = font();
    small.setPointSizeF(8);
    QWidget* button = m_toolBar->widgetForAction(action);
    button->setFont(small);
    button->setStyleSheet(QStringLiteral("QToolButton { padding: 1px 1px; }"));
    m_tools.insert(name, action);
    return action;
}

// Tool captions carry Alt letters; where two share a letter the first in
// the toolbar owns it and the other shows its caption without one.
void ReportPreview::keepMnemonic(QAction* action, bool owns)
{
    QString shown = action->text();
    if (!owns)
        shown.remove(u'&');
    action->setIconText(shown);
}

void ReportPreview::setUpTools()
{
    QAction* contents = addTool(QStringLiteral("toolContents"), tr("Índice"), tr("Índice"));
    QAction* print = addTool(QStringLiteral("toolPrint"), tr("&Imprimir..."), tr("Imprimir..."));
    QAction* copy = addTool(QStringLiteral("toolCopy"), tr("&Copiar"), tr("Copiar"));
    QAction* find = addTool(QStringLiteral("toolFind"), tr("&Localizar"), tr("Localizar"));
    QAction* single =
        addTool(QStringLiteral("toolSinglePage"), tr("&Página simples"), tr("Página simples"));
    QAction* multiple = addTool(QStringLiteral("toolMultiplePages"), tr("&Múltiplas páginas"),
                                tr("Múltiplas páginas"));
    QAction* zoomOut = addTool(QStringLiteral("toolZoomOut"), tr("&Zoom -"), tr("Zoom -"));
    QAction* zoomIn = addTool(QStringLiteral("toolZoomIn"), tr("&Zoom +"), tr("Zoom +"));
    QAction* previous =
        addTool(QStringLiteral("toolPreviousPage"), tr("Página anterior"), tr("Página anterior"));
    QAction* next =
        addTool(QStringLiteral("toolNextPage"), tr("Próxima página"), tr("Próxima página"));
    QAction* back = addTool(QStringLiteral("toolBack"), tr("&Voltar"), tr("Voltar"));
    QAction* forward = addTool(QStringLiteral("toolForward"), tr("&Avançar"), tr("Avançar"));

    for (QAction* a : {print, copy, find, single, multiple, zoomOut, previous, next, back, forward})
        keepMnemonic(a, true);
    keepMnemonic(zoomIn, false); // "&Zoom -" comes first
    single->setCheckable(true);
    multiple->setCheckable(true);
    // The report has no table of contents and no links to follow.
    for (QAction* off : {contents, back, forward})
        off->setEnabled(false);

    connect(print, &QAction::triggered, this, &ReportPreview::print);
    connect(copy, &QAction::triggered, this, &ReportPreview::copyPage);
    connect(find, &QAction::triggered, this, &ReportPreview::toggleFindBar);
    connect(single, &QAction::triggered, this, &ReportPreview::showSinglePage);
    connect(multiple, &QAction::triggered, this, &ReportPreview::showMultiplePages);
    connect(zoomOut, &QAction::triggered, this, &ReportPreview::zoomOut);
    connect(zoomIn, &QAction::triggered, this, &ReportPreview::zoomIn);
    connect(previous, &QAction::triggered, this, &ReportPreview::previousPage);
    connect(next, &QAction::triggered, this, &ReportPreview::nextPage);
}

// The page number and the zoom sit in a line of their own under the pages,
// so they never cover a figure of the report, and leave the toolbar to the
// tools.
void ReportPreview::setUpPageInfo()
{
    m_pageInfo = new QWidget(this);
    m_pageInfo->setObjectName(QStringLiteral("pageInfo"));
    auto* layout = new QHBoxLayout(m_pageInfo);
    layout->setContentsMargins(6, 1, 6, 1);
    layout->addStretch(1);
    m_pageLabel = new QLabel(m_pageInfo);
    m_pageLabel->setObjectName(QStringLiteral("lblPagina"));
    layout->addWidget(m_pageLabel);
    m_zoomLabel = new QLabel(m_pageInfo);
    m_zoomLabel->setObjectName(QStringLiteral("lblZoom"));
    layout->addWidget(m_zoomLabel);
}

void ReportPreview::setUpFindBar()
{
    m_findBar = new QWidget(this);
    m_findBar->setObjectName(QStringLiteral("findBar"));
    auto* layout = new QHBoxLayout(m_findBar);
    layout->setContentsMargins(6, 2, 6, 2);
    layout->addWidget(new QLabel(tr("Localizar:"), m_findBar));
    m_findText = new QLineEdit(m_findBar);
    m_findText->setObjectName(QStringLiteral("txtLocalizar"));
    m_findText->installEventFilter(this);
    layout->addWidget(m_findText, 1);
    auto* previous = new QToolButton(m_findBar);
    previous->setObjectName(QStringLiteral("btnLocalizarAnterior"));
    previous->setText(tr("Anterior"));
    layout->addWidget(previous);
    auto* next = new QToolButton(m_findBar);
    next->setObjectName(QStringLiteral("btnLocalizarProxima"));
    next->setText(tr("Próxima"));
    layout->addWidget(next);
    m_findStatus = new QLabel(m_findBar);
    m_findStatus->setObjectName(QStringLiteral("lblLocalizar"));
    layout->addWidget(m_findStatus);
    m_findBar->hide();

    connect(previous, &QToolButton::clicked, this, [this] {
        if (m_findText->text() != m_searched)
            find(m_findText->text());
        else
            findPrevious();
    });
    connect(next, &QToolButton::clicked, this, [this] { find(m_findText->text()); });
}

void ReportPreview::setDocument(std::shared_ptr<const ReportDocument> document)
{
    m_document = std::move(document);
    m_pages->setDocument(m_document);
    m_matches.clear();
    m_currentMatch = -1;
    m_searched.clear();
    m_findStatus->clear();
    if (m_fitWidth)
        fitToWidth();
    m_scroll->verticalScrollBar()->setValue(0);
    updateState();
}

void ReportPreview::refreshPages()
{
    const bool complete = m_document && m_document->isComplete();
    if (pageCount() == m_shownPages && complete == m_shownComplete)
        return;
    m_pages->pagesChanged();
    updateState();
}

int ReportPreview::currentPage() const
{
    return m_pages->currentPage();
}

void ReportPreview::setCurrentPage(int page)
{
    m_pages->setCurrentPage(page);
    if (m_pages->multiple())
        scrollToPage(m_pages->currentPage());
    else
        m_scroll->verticalScrollBar()->setValue(0);
    updateState();
}

double ReportPreview::zoom() const
{
    return m_pages->zoom();
}

void ReportPreview::previousPage()
{
    setCurrentPage(currentPage() - 1);
}

void ReportPreview::nextPage()
{
    setCurrentPage(currentPage() + 1);
}

void ReportPreview::showSinglePage()
{
    const int page = currentPage();
    m_pages->setMultiple(false);
    fitToWidth();
    setCurrentPage(page);
}

void ReportPreview::showMultiplePages()
{
    const int page = currentPage();
    m_pages->setMultiple(true);
    fitToWidth();
    setCurrentPage(page);
}

void ReportPreview::zoomIn()
{
    const double now = zoom();
    const auto bigger = std::find_if(std::begin(kZoomSteps), std::end(kZoomSteps),
                                     [now](double z) { return z > now * 1.01; });
    if (bigger != std::end(kZoomSteps))
        setZoom(*bigger, false);
}

void ReportPreview::zoomOut()
{
    const double now = zoom();
    const auto smaller = std::find_if(std::rbegin(kZoomSteps), std::rend(kZoomSteps),
                                      [now](double z) { return z < now * 0.99; });
    if (smaller != std::rend(kZoomSteps))
        setZoom(*smaller, false);
}

void ReportPreview::setZoom(double zoom, bool fitWidth)
{
    const int page = currentPage();
    m_fitWidth = fitWidth;
    m_pages->setZoom(zoom);
    if (m_pages->multiple())
        scrollToPage(page);
    updateState();
}

// One page across the room, or two in the many-pages view.
void ReportPreview::fitToWidth()
{
    const double across = m_pages->multiple() ? 2 : 1;
    const int room =
        m_scroll->viewport()->width() - m_scroll->verticalScrollBar()->sizeHint().width();
    const double pageWidth =
        (m_document ? m_document->definition().paper.width() : 16838) / kTwipsPerPixel;
    const double zoom = std::max(0.1, (room - 12 * (across + 1)) / (pageWidth * across));
    m_pages->setAvailableWidth(m_scroll->viewport()->width());
    setZoom(zoom, true);
}

void ReportPreview::scrollToPage(int page)
{
    const QRect rect = m_pages->pageRect(page);
    if (!rect.isEmpty())
        m_scroll->verticalScrollBar()->setValue(rect.top() - 6);
}

void ReportPreview::followScroll()
{
    if (!m_pages->multiple())
        return;
    const QPoint probe(m_scroll->viewport()->width() / 2,
                       m_scroll->verticalScrollBar()->value() + 20);
    const int page = m_pages->pageAt(probe);
    if (page >= 0 && page != m_pages->currentPage()) {
        m_pages->setCurrentPage(page);
        updateState();
    }
}

void ReportPreview::updateState()
{
    const int count = pageCount();
    const int page = currentPage();
    m_shownPages = count;
    m_shownComplete = m_document && m_document->isComplete();
    // Printing waits for the last page.
    m_tools.value(QStringLiteral("toolPrint"))->setEnabled(count > 0 && m_shownComplete);
    m_tools.value(QStringLiteral("toolCopy"))->setEnabled(count > 0);
    m_tools.value(QStringLiteral("toolFind"))->setEnabled(count > 0);
    m_tools.value(QStringLiteral("toolPreviousPage"))->setEnabled(page > 0);
    m_tools.value(QStringLiteral("toolNextPage"))->setEnabled(page + 1 < count);
    m_tools.value(QStringLiteral("toolSinglePage"))->setChecked(!m_pages->multiple());
    m_tools.value(QStringLiteral("toolMultiplePages"))->setChecked(m_pages->multiple());
    m_pageLabel->setText(count > 0 ? tr("Página %1 de %2").arg(page + 1).arg(count) : QString());
    m_zoomLabel->setText(count > 0 ? QStringLiteral("%1%").arg(qRound(zoom() * 100)) : QString());
}

void ReportPreview::toggleFindBar()
{
    m_findBar->setVisible(!m_findBar->isVisible());
    if (m_findBar->isVisible()) {
        m_findText->setFocus();
        m_findText->selectAll();
    }
}

void ReportPreview::find(const QString& text)
{
    if (!m_document)
        return;
    if (text == m_searched && !m_matches.isEmpty()) {
        findNext();
        return;
    }
    m_searched = text;
    m_matches = m_document->find(text);
    // The search starts on the page in view.
    const int page = currentPage();
    const auto from = std::find_if(m_matches.cbegin(), m_matches.cend(),
                                   [page](const FindMatch& m) { return m.page >= page; });
    m_currentMatch = m_matches.isEmpty()        ? -1
                     : from == m_matches.cend() ? 0
                                                : int(from - m_matches.cbegin());
    showMatch();
}

void ReportPreview::findNext()
{
    if (m_matches.isEmpty())
        return;
    m_currentMatch = (m_currentMatch + 1) % int(m_matches.size());
    showMatch();
}

void ReportPreview::findPrevious()
{
    if (m_matches.isEmpty())
        return;
    m_currentMatch = (m_currentMatch + int(m_matches.size()) - 1) % int(m_matches.size());
    showMatch();
}

void ReportPreview::showMatch()
{
    m_pages->setMarks(m_matches, m_currentMatch);
    if (m_currentMatch < 0) {
        m_findStatus->setText(m_searched.isEmpty() ? QString() : tr("Texto não encontrado."));
        return;
    }
    const FindMatch& match = m_matches.at(m_currentMatch);
    m_findStatus->setText(tr("%1 de %2").arg(m_currentMatch + 1).arg(m_matches.size()));
    m_pages->setCurrentPage(match.page);
    const QRect area = m_pages->areaOnPage(match.page, match.rect);
    m_scroll->ensureVisible(area.center().x(), area.center().y(), area.width() / 2 + 40,
                            area.height() / 2 + 60);
    updateState();
}

void ReportPreview::print()
{
    if (!m_document || pageCount() == 0 || !m_document->isComplete())
        return;
    QPrinter printer(QPrinter::HighResolution);
    ReportOutput::preparePrinter(*m_document, printer);
    QPrintDialog dialog(&printer, this);
    dialog.setWindowTitle(tr("Imprimir"));
    dialog.setMinMax(1, pageCount());
    if (dialog.exec() != QDialog::Accepted)
        return;
    if (const Status printed = ReportOutput::print(*m_document, printer); !printed)
        emit problem(printed.reason());
}

void ReportPreview::copyPage()
{
    if (!m_document || pageCount() == 0)
        return;
    QApplication::clipboard()->setImage(
        ReportOutput::pageImage(*m_document, currentPage(), kCopyResolution));
}

// Enter searches and Escape closes the find bar; neither reaches the window,
// where they would press its default button or close it.
bool ReportPreview::eventFilter(QObject* watched, QEvent* event)
{
    // The room for the pages is known once the view has its size.
    if (watched == m_scroll->viewport() && event->type() == QEvent::Resize) {
        m_pages->setAvailableWidth(m_scroll->viewport()->width());
        if (m_fitWidth)
            fitToWidth();
        return false;
    }
    if (watched != m_findText || event->type() != QEvent::KeyPress)
        return QWidget::eventFilter(watched, event);
    const auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
        if (key->modifiers() & Qt::ShiftModifier)
            findPrevious();
        else
            find(m_findText->text());
        return true;
    }
    if (key->key() == Qt::Key_Escape) {
        m_findBar->hide();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}
