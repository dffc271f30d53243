#include "settings/RestoreWindow.h"

#include "ui_RestoreWindow.h"

#include "book/Backup.h"
#include "book/RestoreImpact.h"
#include "core/DataFolder.h"
#include "core/DbConnection.h"
#include "core/Dialogs.h"
#include "core/Formats.h"
#include "core/Session.h"
#include "widgets/Keyboard.h"

#include <QCursor>
#include <QDir>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLocale>

namespace {

QLocale brazil()
{
    return QLocale(QLocale::Portuguese, QLocale::Brazil);
}

QString momentText(const QDateTime& moment)
{
    return Formats::date(moment.date()) + u' ' + moment.time().toString(QStringLiteral("HH:mm:ss"));
}

} // namespace

RestoreWindow::RestoreWindow(Session& session, QWidget* parent)
    : QDialog(parent), m_session(session), m_ui(std::make_unique<Ui::RestoreWindow>())
{
    m_ui->setupUi(this);
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    m_ui->grade->setColumnCount(ColumnCount);
    m_ui->grade->setHorizontalHeaderLabels(
        {tr("Feito em"), tr("Tamanho"), tr("Lançamentos"), tr("Último lançamento")});
    m_ui->grade->verticalHeader()->hide();
    m_ui->grade->horizontalHeader()->setStretchLastSection(true);
    connect(m_ui->btnRestaurar, &QPushButton::clicked, this, &RestoreWindow::restore);
    connect(m_ui->btnCancelar, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_ui->grade, &QTableWidget::cellDoubleClicked, this, &RestoreWindow::restore);
    Keyboard::enterPresses({m_ui->btnRestaurar, m_ui->btnCancelar});
    Keyboard::enterRuns(m_ui->grade, [this] { restore(); });
    if (m_session.db.isServer())
        m_ui->lblExplicacao->setText(tr("Escolha o backup que será gravado num banco de dados "
                                        "vazio do servidor. O livro em uso pelos caixas não é "
                                        "alterado."));
    fillList();
}

RestoreWindow::~RestoreWindow() = default;

QString RestoreWindow::sizeText(qint64 bytes)
{
    if (bytes < 1024 * 1024)
        return tr("%1 kB").arg(
            brazil().toString(double(bytes) / 1024.0, 'f', bytes < 10240 ? 1 : 0));
    return tr("%1 MB").arg(brazil().toString(double(bytes) / (1024.0 * 1024.0), 'f', 1));
}

void RestoreWindow::fillList()
{
    const QString book = DataFolder::bookPath(m_session.dataDir);
    m_items = BackupList::of(book);
    m_ui->grade->setRowCount(int(m_items.size()));
    for (int row = 0; row < m_items.size(); ++row) {
        const BackupList::Item& item = m_items.at(row);
        const bool read = item.entries.has_value();
        const QString last = !read                         ? tr("ilegível")
                             : item.lastEntryDay.isValid() ? Formats::date(item.lastEntryDay)
                                                           : tr("nenhum");
        const QStringList cells{momentText(item.madeAt), sizeText(item.size),
                                read ? brazil().toString(*item.entries) : tr("?"), last};
        for (int column = 0; column < ColumnCount; ++column) {
            auto* cell = new QTableWidgetItem(cells.at(column));
            if (column == Size || column == Entries)
                cell->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            if (!read)
                cell->setToolTip(item.problem);
            m_ui->grade->setItem(row, column, cell);
        }
    }
    m_ui->grade->resizeColumnsToContents();
    const QString folder = QDir::toNativeSeparators(Backup::folderFor(book));
    m_ui->lblPasta->setText(m_items.isEmpty() ? tr("Não há backups em %1.").arg(folder)
                                              : tr("Backups em %1").arg(folder));
    m_ui->btnRestaurar->setEnabled(!m_items.isEmpty());
    if (!m_items.isEmpty())
        m_ui->grade->selectRow(0);
    m_ui->grade->setFocus();
}

void RestoreWindow::restore()
{
    const int row = m_ui->grade->currentRow();
    if (row < 0 || row >= m_items.size())
        return;
    const BackupList::Item& item = m_items.at(row);
    if (!confirm(item))
        return;
    m_chosen = item.path;
    accept();
}

// The check reads every page of the backup, which a large one takes a
// moment for; then the question names what the restore would undo.
bool RestoreWindow::confirm(const BackupList::Item& item)
{
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    const Status sound = BackupList::check(item.path);
    // A server book stays as it is: the backup goes into another database.
    const bool server = m_session.db.isServer();
    const auto undone = !sound   ? Result<QStringList>(sound)
                        : server ? Result<QStringList>(QStringList())
                                 : RestoreImpact::describe(m_session.db, item.path);
    QGuiApplication::restoreOverrideCursor();
    if (!sound) {
        m_session.dialogs.inform(this, Dialogs::Icon::Critical, tr("Restaurar backup"),
                                 tr("O backup de %1 não pode ser restaurado:\n%2")
                                     .arg(momentText(item.madeAt), sound.reason()));
        return false;
    }
    if (!undone) {
        m_session.dialogs.inform(
            this, Dialogs::Icon::Critical, tr("Restaurar backup"),
            tr("O livro de caixa atual não pôde ser comparado com o backup:\n%1")
                .arg(undone.reason()));
        return false;
    }
    return m_session.dialogs.askYesNo(this, tr("Restaurar backup"),
                                      server ? serverQuestion(item) : question(item, *undone));
}

QString RestoreWindow::serverQuestion(const BackupList::Item& item) const
{
    const QString ends =
        item.lastEntryDay.isValid()
            ? tr("O livro do backup termina em %1.").arg(Formats::date(item.lastEntryDay))
            : tr("O livro do backup não tem lançamentos.");
    return tr("Gravar o backup de %1 num banco de dados vazio do servidor?\n\n%2\n\nO livro "
              "em uso pelos caixas não é alterado; o endereço do banco de dados vazio é pedido "
              "em seguida.")
        .arg(momentText(item.madeAt), ends);
}

QString RestoreWindow::question(const BackupList::Item& item, const QStringList& undone) const
{
    const QString ends = item.lastEntryDay.isValid()
                             ? tr("O livro de caixa passa a ser o do backup, que termina em %1.")
                                   .arg(Formats::date(item.lastEntryDay))
                             : tr("O livro de caixa passa a ser o do backup, que não tem "
                                  "lançamentos.");
    const QString lost = undone.isEmpty()
                             ? tr("O livro atual não tem nada que o backup não tenha.")
                             : tr("A restauração desfaz o que o livro atual tem a mais:\n\n%1")
                                   .arg(undone.join(QStringLiteral("\n\n")));
    return tr("Restaurar o backup de %1?\n\n%2\n%3\n\nAntes, o livro atual é guardado num "
              "backup novo.")
        .arg(momentText(item.madeAt), ends, lost);
}
