#pragma once

#include <QDialog>
#include <QTime>

#include <memory>

namespace Ui {
class frmCadCaixa;
}
struct Session;

// The entry form: adds one cash entry, or changes the one in EditEntryId.
// It checks the fields in a fixed order, one message at a time, and closes
// only after the entry and its account's balance are stored.
class frmCadCaixa final : public QDialog
{
    Q_OBJECT

public:
    explicit frmCadCaixa(Session& session, QWidget* parent = nullptr);
    ~frmCadCaixa() override;

    // The values of a grid row, for an edit. The stored time is kept to the
    // second unless the user changes the time box.
    struct GridRow
    {
        QString data;
        QTime hora;
        QString conta;
        QString ndoc;
        QString descricao;
        QString entrada;
        QString saida;
    };
    void fillForEdit(const GridRow& row);

    void LoadAccountList();
    void save();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void load();
    void paintAmountBoxes();
    void openAccountRegister();
    // The checks before writing; false when one failed and told the user.
    bool passesChecks();
    bool refuse(const QString& title, const QString& text, QWidget* focus);
    void write();

    Session& m_session;
    std::unique_ptr<Ui::frmCadCaixa> m_ui;
    QTime m_storedTime;
};
