#include "reports/frmHistorico.h"

#include "core/Clock.h"
#include "core/Dialogs.h"
#include "core/Formats.h"
#include "core/Session.h"
#include "reports/TableExport.h"
#include "widgets/Keyboard.h"
#include "widgets/TextBoxes.h"
#include "widgets/UserMemory.h"

#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {

QLineEdit* dateBox(const char* name)
{
    auto* box = new QLineEdit;
    box->setObjectName(QString::fromLatin1(name));
    box->setInputMask(QStringLiteral("99/99/9999"));
    TextBoxes::selectAllOnFocus(box);
    return box;
}

QStringList cellsOf(const ChangeHistory::Record& r)
{
    return {Formats::moment(r.when), r.person, r.computer, r.kind,
            r.table + u' ' + r.key,  r.before, r.after};
}

} // namespace

frmHistorico::frmHistorico(Session& session, QWidget* parent) : QDialog(parent), m_session(session)
{
    setObjectName(QStringLiteral("frmHistorico"));
    setWindowTitle(tr("Histórico de alterações"));
    buildWindow();
    fillFilters();
    UserMemory::restoreWindow(this, QStringLiteral("frmHistorico"));
    showRecords();
}

frmHistorico::~frmHistorico()
{
    UserMemory::rememberWindow(this, QStringLiteral("frmHistorico"));
}

void frmHistorico::buildWindow()
{
    m_de = dateBox("txtDe");
    m_ate = dateBox("txtAte");
    m_pessoa = new QComboBox;
    m_pessoa->setObjectName(QStringLiteral("cboPessoa"));
    m_tipo = new QComboBox;
    m_tipo->setObjectName(QStringLiteral("cboTipo"));
    auto* mostrar = new QPushButton(tr("&Mostrar"));
    mostrar->setObjectName(QStringLiteral("btnMostrar"));
    m_grade = new QTableWidget(0, int(headers().size()));
    m_grade->setObjectName(QStringLiteral("grade"));
    m_grade->setHorizontalHeaderLabels(headers());
    m_grade->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_grade->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_grade->verticalHeader()->hide();
    m_grade->horizontalHeader()->setStretchLastSection(true);
    m_grade->setWordWrap(false);
    m_aviso = new QLabel;
    m_aviso->setObjectName(QStringLiteral("lblAviso"));
    auto* pdf = new QPushButton(tr("Exportar &PDF"));
    pdf->setObjectName(QStringLiteral("btnPDF"));
    auto* xlsx = new QPushButton(tr("Exportar &XLSX"));
    xlsx->setObjectName(QStringLiteral("btnXLSX"));
    auto* fechar = new QPushButton(tr("&Fechar"));
    fechar->setObjectName(QStringLiteral("btnFechar"));

    auto* filters = new QGridLayout;
    const auto label = [](const QString& text, QWidget* buddy) {
        auto* l = new QLabel(text);
        l->setBuddy(buddy);
        return l;
    };
    filters->addWidget(label(tr("&De:"), m_de), 0, 0);
    filters->addWidget(m_de, 0, 1);
    filters->addWidget(label(tr("&Até:"), m_ate), 0, 2);
    filters->addWidget(m_ate, 0, 3);
    filters->addWidget(label(tr("&Quem:"), m_pessoa), 0, 4);
    filters->addWidget(m_pessoa, 0, 5);
    filters->addWidget(label(tr("&Tipo:"), m_tipo), 0, 6);
    filters->addWidget(m_tipo, 0, 7);
    filters->addWidget(mostrar, 0, 8);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_aviso, 1);
    buttons->addWidget(pdf);
    buttons->addWidget(xlsx);
    buttons->addWidget(fechar);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(filters);
    layout->addWidget(m_grade, 1);
    layout->addLayout(buttons);
    resize(900, 500);

    connect(mostrar, &QPushButton::clicked, this, &frmHistorico::showRecords);
    connect(pdf, &QPushButton::clicked, this, [this] { exportTo(true); });
    connect(xlsx, &QPushButton::clicked, this, [this] { exportTo(false); });
    connect(fechar, &QPushButton::clicked, this, &QDialog::accept);
    Keyboard::enterPresses({mostrar, pdf, xlsx, fechar});
    for (QLineEdit* box : {m_de, m_ate})
        Keyboard::enterRuns(box, [mostrar] { mostrar->click(); });
}

QStringList frmHistorico::headers() const
{
    return {tr("Quando"), tr("Quem"),  tr("Computador"), tr("Tipo"),
            tr("O quê"),  tr("Antes"), tr("Depois")};
}

void frmHistorico::fillFilters()
{
    const QDate today = m_session.clock.today();
    m_de->setText(Formats::date(today.addMonths(-1)));
    m_ate->setText(Formats::date(today));
    m_pessoa->addItem(tr("Todos"));
    if (const auto people = ChangeHistory(m_session.db).people())
        m_pessoa->addItems(*people);
    m_tipo->addItem(tr("Todos"));
    for (ChangeLog::Kind kind : ChangeLog::kinds())
        m_tipo->addItem(ChangeLog::textOf(kind), int(kind));
}

std::optional<ChangeHistory::Filter> frmHistorico::filter()
{
    ChangeHistory::Filter f;
    f.first = Formats::parseDate(m_de->text()).value_or(QDate());
    f.last = Formats::parseDate(m_ate->text()).value_or(QDate());
    if (!f.first.isValid() || !f.last.isValid() || f.last < f.first) {
        m_session.dialogs.inform(this, Dialogs::Icon::Exclamation, windowTitle(),
                                 tr("Informe um período válido: o primeiro e o último dia, "
                                    "no formato dd/mm/aaaa."));
        return std::nullopt;
    }
    if (m_pessoa->currentIndex() > 0)
        f.person = m_pessoa->currentText();
    if (m_tipo->currentIndex() > 0)
        f.kind = ChangeLog::Kind(m_tipo->currentData().toInt());
    return f;
}

void frmHistorico::showRecords()
{
    const auto f = filter();
    if (!f)
        return;
    auto records = ChangeHistory(m_session.db).read(*f, std::nullopt, kMostShown + 1);
    if (!records) {
        m_session.dialogs.reportFailure(this, windowTitle(), records.status(),
                                        tr("o histórico não foi lido"),
                                        tr("O histórico de alterações não pôde ser lido:"));
        return;
    }
    const bool more = records->size() > kMostShown;
    if (more)
        records->removeLast();
    m_records = *records;
    m_shownFilter =
        tr("De %1 a %2; quem: %3; tipo: %4")
            .arg(m_de->text(), m_ate->text(), m_pessoa->currentText(), m_tipo->currentText());
    m_grade->setRowCount(0);
    m_grade->setRowCount(int(m_records.size()));
    for (int row = 0; row < m_records.size(); ++row) {
        const QStringList cells = cellsOf(m_records.at(row));
        for (int col = 0; col < cells.size(); ++col) {
            auto* item = new QTableWidgetItem(cells.at(col));
            item->setToolTip(cells.at(col));
            m_grade->setItem(row, col, item);
        }
    }
    m_grade->resizeColumnsToContents();
    m_aviso->setText(
        more ? tr("Mostrando as %1 alterações mais recentes do período.").arg(kMostShown)
             : (m_records.size() == 1 ? tr("1 alteração.")
                                      : tr("%1 alterações.").arg(m_records.size())));
}

void frmHistorico::exportTo(bool pdf)
{
    const QString suffix = pdf ? QStringLiteral("pdf") : QStringLiteral("xlsx");
    const QString suggested =
        QDir(UserMemory::exportFolder())
            .filePath(QStringLiteral("historico-de-alteracoes.%1").arg(suffix));
    const QString fileName = m_session.dialogs.saveFileName(
        this, pdf ? tr("Exportar para PDF") : tr("Exportar para XLSX"), suffix,
        pdf ? tr("Documentos PDF (*.pdf)") : tr("Planilhas do Excel (*.xlsx)"), suggested);
    if (fileName.isEmpty())
        return;
    TableExport::Table table{windowTitle(), m_shownFilter, headers(), {}};
    for (const ChangeHistory::Record& r : m_records)
        table.rows.append(cellsOf(r));
    if (!TableExport::exportTo(this, m_session.dialogs, table, fileName, pdf))
        return;
    m_aviso->setText(tr("Gravado em %1").arg(QDir::toNativeSeparators(fileName)));
}
