#pragma once

#include "book/EntryStore.h"
#include "entries/AmountBox.h"

#include <QDialog>
#include <QTime>

#include <memory>
#include <optional>

class QLineEdit;

namespace Ui {
class frmCadCaixa;
}
struct Session;

// The entry form: adds one cash entry (entryId 0), or changes the entry with
// that id. It checks the fields in a fixed order, one message at a time, and
// closes only after the entry and its account's balance are stored.
class frmCadCaixa final : public QDialog
{
    Q_OBJECT

public:
    frmCadCaixa(Session& session, qint64 entryId, QWidget* parent = nullptr);
    ~frmCadCaixa() override;

    // The id of the entry the form saved; nothing until a save went through.
    std::optional<qint64> savedId() const { return m_savedId; }

    void LoadAccountList();
    void save();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void load();
    // The stored entry into the boxes; its time is kept to the second unless
    // the user changes the time box.
    void loadEntry();
    void paintAmountBoxes();
    void paintAmountBox(QLineEdit* box);
    AmountBox::Reading readAmountBox(QLineEdit* box);
    void openAccountRegister();
    // The checks before writing; false when one failed and told the user.
    bool passesChecks();
    bool refuse(const QString& title, const QString& text, QWidget* focus);
    EntryStore::Entry typedEntry() const;
    void write();
    void finishSave(const Result<qint64>& saved);
    // The entry changed in the book since the form loaded it: the user sees
    // how it is now, keeps what was typed, and a second save overwrites it.
    void tellChangedMeanwhile(const EntryStore::Stored& current);

    Session& m_session;
    std::unique_ptr<Ui::frmCadCaixa> m_ui;
    const qint64 m_entryId;
    QTime m_storedTime;
    // The entry as the form loaded it; an edit saves only while the book
    // still holds it so.
    std::optional<EntryStore::Stored> m_loaded;
    std::optional<qint64> m_savedId;
};
