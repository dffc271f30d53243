#include "search/EntrySearchWindow.h"

#include "ui_EntrySearchWindow.h"

#include "book/AccountBook.h"
#include "core/DbConnection.h"
#include "core/Dialogs.h"
#include "core/Formats.h"
#include "core/Session.h"
#include "search/FoundEntriesModel.h"
#include "search/SearchWorker.h"
#include "widgets/TextBoxes.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QLocale>

#include <algorithm>

namespace {

constexpr int kTwipsPerPixel = 15;

QString counted(qint64 n)
{
    return QLocale(QLocale::Portuguese, QLocale::Brazil).toString(n);
}

bool hasDigits(const QString& text)
{
    return std::any_of(text.begin(), text.end(), [](QChar c) { return c.isDigit(); });
}

} // namespace

EntrySearchWindow::EntrySearchWindow(Session& session, QWidget* parent)
    : QDialog(parent), m_session(session), m_ui(std::make_unique<Ui::EntrySearchWindow>())
{
    m_ui->setupUi(this);
    setObjectName(QStringLiteral("EntrySearchWindow"));
    m_model = new FoundEntriesModel(this);
    m_ui->grade->setModel(m_model);
    setUpGrid();
    m_refine.setSingleShot(true);
    m_refine.setInterval(kRefineDelayMs);
    if (m_session.db.isOpen()) {
        m_worker = new SearchWorker(
            m_session.db.location(),
            [this](quint64 request, const Result<QList<FoundEntry>>& rows) {
                showRows(request, rows);
            },
            [this](quint64 request, const Result<qint64>& total) { showCount(request, total); },
            this);
    }
    connectControls();
}

// The worker goes first: it waits for a search under way, whose answer must
// not find the window half gone.
EntrySearchWindow::~EntrySearchWindow()
{
    delete m_worker;
}

void EntrySearchWindow::setUpGrid()
{
    QHeaderView* header = m_ui->grade->horizontalHeader();
    for (int column = 0; column < FoundEntriesModel::ColumnCount; ++column)
        header->resizeSection(column, FoundEntriesModel::widthInTwips(column) / kTwipsPerPixel);
    header->setSectionResizeMode(FoundEntriesModel::Descricao, QHeaderView::Stretch);
    m_ui->grade->verticalHeader()->setDefaultSectionSize(22);
}

void EntrySearchWindow::connectControls()
{
    for (QLineEdit* box : {m_ui->txtTexto, m_ui->txtDe, m_ui->txtAte, m_ui->txtValor}) {
        TextBoxes::selectAllOnFocus(box);
        box->installEventFilter(this);
        connect(box, &QLineEdit::textEdited, &m_refine, qOverload<>(&QTimer::start));
    }
    connect(m_ui->cboConta, &QComboBox::activated, &m_refine, qOverload<>(&QTimer::start));
    connect(&m_refine, &QTimer::timeout, this, &EntrySearchWindow::refine);
    connect(m_ui->btnLocalizar, &QPushButton::clicked, this, &EntrySearchWindow::searchNow);
    // Enter and a double click both activate a row.
    connect(m_ui->grade, &QAbstractItemView::activated, this, &EntrySearchWindow::openEntry);
}

void EntrySearchWindow::bringForward(const QDate& onlyDay, Chosen chosen)
{
    m_onlyDay = onlyDay;
    m_chosen = std::move(chosen);
    loadAccounts();
    applyDayLimit();
    show();
    raise();
    activateWindow();
    m_ui->txtTexto->setFocus();
    m_ui->txtTexto->selectAll();
    refine();
}

// The accounts as they are now, keeping the one chosen when it still exists.
void EntrySearchWindow::loadAccounts()
{
    const QVariant chosen = m_ui->cboConta->currentData();
    m_ui->cboConta->clear();
    m_ui->cboConta->addItem(tr("Todas"));
    AccountBook accounts(m_session.db);
    const auto names = accounts.namesInOrder();
    const auto byId = accounts.accountsById();
    if (names && byId) {
        for (const QString& name : *names) {
            const auto found = std::find_if(byId->begin(), byId->end(),
                                            [&](const auto& a) { return a.name == name; });
            if (found != byId->end())
                m_ui->cboConta->addItem(name, found->id);
        }
    }
    m_ui->cboConta->setCurrentIndex(std::max(0, m_ui->cboConta->findData(chosen)));
}

// A restricted user finds only what the grid may show: the active day.
void EntrySearchWindow::applyDayLimit()
{
    const bool limited = m_onlyDay.isValid();
    for (QLineEdit* box : {m_ui->txtDe, m_ui->txtAte}) {
        if (limited) {
            box->setText(Formats::date(m_onlyDay));
            box->setToolTip(tr("Usuários restritos localizam apenas os lançamentos do dia ativo"));
        }
        box->setEnabled(!limited);
    }
}

std::optional<QDate> EntrySearchWindow::readDay(QLineEdit* box, const QString& problem,
                                                Reading& reading) const
{
    if (!hasDigits(box->text()))
        return std::nullopt;
    const auto day = Formats::parseDate(box->text());
    if (!day && !reading.box) {
        reading.box = box;
        reading.problem = problem;
    }
    return day;
}

EntrySearchWindow::Reading EntrySearchWindow::readCriteria() const
{
    Reading reading;
    SearchCriteria criteria;
    criteria.words = m_ui->txtTexto->text();
    if (m_onlyDay.isValid()) {
        criteria.from = m_onlyDay;
        criteria.to = m_onlyDay;
    } else {
        criteria.from = readDay(m_ui->txtDe, tr("A data inicial não é uma data válida."), reading);
        criteria.to = readDay(m_ui->txtAte, tr("A data final não é uma data válida."), reading);
        if (!reading.box && criteria.from && criteria.to && *criteria.from > *criteria.to) {
            reading.box = m_ui->txtAte;
            reading.problem = tr("A data final é anterior à data inicial.");
        }
    }
    if (m_ui->cboConta->currentIndex() > 0)
        criteria.accountId = m_ui->cboConta->currentData().toLongLong();
    if (const QString amount = m_ui->txtValor->text().trimmed(); !amount.isEmpty()) {
        criteria.amount = Money::parse(amount);
        if (!reading.box && (!criteria.amount || !criteria.amount->isPositive())) {
            reading.box = m_ui->txtValor;
            reading.problem = criteria.amount
                                  ? tr("O valor deve ser maior que zero.")
                                  : tr("O valor não é um valor válido (por exemplo, 1.234,56).");
        }
    }
    if (!reading.box)
        reading.criteria = criteria;
    return reading;
}

// Enter or "Localizar": a box that cannot be read is said at once.
void EntrySearchWindow::searchNow()
{
    m_refine.stop();
    const Reading reading = readCriteria();
    if (!reading.criteria) {
        m_session.dialogs.inform(this, Dialogs::Icon::Exclamation, tr("Localizar lançamentos"),
                                 reading.problem);
        reading.box->setFocus();
        reading.box->selectAll();
        return;
    }
    start(*reading.criteria);
}

// After a pause in the typing: a box still being typed is only noted.
void EntrySearchWindow::refine()
{
    m_refine.stop();
    const Reading reading = readCriteria();
    if (!reading.criteria) {
        showHint(reading.problem);
        return;
    }
    start(*reading.criteria);
}

void EntrySearchWindow::start(const SearchCriteria& criteria)
{
    if (criteria.isEmpty()) {
        ++m_request; // an answer still on its way is no longer wanted
        m_model->setEntries({});
        showHint(tr("Digite palavras, um valor ou um período, ou escolha uma conta."));
        return;
    }
    if (!m_worker) {
        showHint(tr("Nenhum livro de caixa está aberto."));
        return;
    }
    m_request = m_worker->search(criteria);
}

void EntrySearchWindow::showRows(quint64 request, const Result<QList<FoundEntry>>& rows)
{
    if (request != m_request)
        return;
    if (!rows) {
        m_model->setEntries({});
        showHint(tr("Não foi possível localizar os lançamentos: %1").arg(rows.reason()));
        return;
    }
    // The entry the user was on stays current when it is still found, so
    // coming back to the window goes on from it.
    const QModelIndex current = m_ui->grade->currentIndex();
    const qint64 currentId = current.isValid() ? m_model->entry(current.row()).id : 0;
    m_model->setEntries(*rows);
    if (!rows->isEmpty()) {
        const int row = std::max(0, m_model->rowOf(currentId));
        m_ui->grade->setCurrentIndex(m_model->index(row, FoundEntriesModel::Data));
        m_ui->grade->scrollTo(m_ui->grade->currentIndex());
    }
    const qsizetype n = rows->size();
    if (n == 0)
        showHint(tr("Nenhum lançamento encontrado."));
    else if (n == 1)
        showHint(tr("1 lançamento encontrado."));
    else if (n < EntrySearch::kFirstResults)
        showHint(tr("%1 lançamentos encontrados.").arg(counted(n)));
    else
        showHint(tr("Os %1 lançamentos mais recentes; contando os demais...").arg(counted(n)));
}

void EntrySearchWindow::showCount(quint64 request, const Result<qint64>& total)
{
    if (request != m_request)
        return;
    const qint64 shown = m_model->rowCount();
    if (!total) // the results stand; only their number is not known
        showHint(tr("Os %1 lançamentos mais recentes.").arg(counted(shown)));
    else if (*total <= shown)
        showHint(tr("%1 lançamentos encontrados.").arg(counted(*total)));
    else
        showHint(tr("%1 lançamentos encontrados; mostrando os %2 mais recentes.")
                     .arg(counted(*total), counted(shown)));
}

void EntrySearchWindow::showHint(const QString& text)
{
    m_ui->lblEncontrados->setText(text);
}

void EntrySearchWindow::openEntry(const QModelIndex& index)
{
    if (!index.isValid() || !m_chosen)
        return;
    const FoundEntry& entry = m_model->entry(index.row());
    m_chosen(entry.data, entry.id);
}

// Enter searches from any box; on the grid it opens the row instead (the
// grid has already said so through its activated signal).
void EntrySearchWindow::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        if (focusWidget() != m_ui->grade)
            searchNow();
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

// The down arrow in a box goes on to the results.
bool EntrySearchWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Down && m_model->rowCount() > 0 &&
        qobject_cast<QLineEdit*>(watched)) {
        m_ui->grade->setFocus();
        if (!m_ui->grade->currentIndex().isValid())
            m_ui->grade->setCurrentIndex(m_model->index(0, FoundEntriesModel::Data));
        return true;
    }
    return QDialog::eventFilter(watched, event);
}
