#pragma once

#include "book/ChangeHistory.h"

#include <QDialog>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableWidget;
struct Session;

// "Histórico de alterações": the change log, newest first, by period, person
// and kind, and its export to PDF and XLSX. It only reads: nothing here
// changes or deletes a record.
class frmHistorico final : public QDialog
{
    Q_OBJECT

public:
    explicit frmHistorico(Session& session, QWidget* parent = nullptr);
    ~frmHistorico() override;

    // The most records the grid lists at once; the newest are shown.
    static constexpr int kMostShown = 10000;

    // Reads the log again with the filters as they are.
    void showRecords();

private:
    void buildWindow();
    void fillFilters();
    std::optional<ChangeHistory::Filter> filter();
    QStringList headers() const;
    void exportTo(bool pdf);

    Session& m_session;
    QList<ChangeHistory::Record> m_records;
    QString m_shownFilter;
    QLineEdit* m_de = nullptr;
    QLineEdit* m_ate = nullptr;
    QComboBox* m_pessoa = nullptr;
    QComboBox* m_tipo = nullptr;
    QTableWidget* m_grade = nullptr;
    QLabel* m_aviso = nullptr;
};
