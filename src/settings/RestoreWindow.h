#pragma once

#include "book/BackupList.h"

#include <QDialog>

#include <memory>

namespace Ui {
class RestoreWindow;
}
struct Session;

// "Restaurar backup": the backups of the book, newest first, with when each
// was made, its size, its number of entries and its last entry's day. The
// chosen one is checked as a book is at start-up (a damaged one is refused
// with the reason), and the user is asked, with what the current book holds
// beyond the backup named, before the window closes with it chosen. The
// restore itself is the caller's.
class RestoreWindow final : public QDialog
{
    Q_OBJECT

public:
    enum Column { MadeAt, Size, Entries, LastEntry, ColumnCount };

    explicit RestoreWindow(Session& session, QWidget* parent = nullptr);
    ~RestoreWindow() override;

    // The backup to restore, once the window was accepted.
    const QString& chosenBackup() const { return m_chosen; }

    // "btnRestaurar": checks the selected backup and asks.
    void restore();

    // "1,5 MB", "820 kB": a size as the list shows it.
    static QString sizeText(qint64 bytes);

private:
    void fillList();
    bool confirm(const BackupList::Item& item);
    QString question(const BackupList::Item& item, const QStringList& undone) const;
    QString serverQuestion(const BackupList::Item& item) const;

    Session& m_session;
    std::unique_ptr<Ui::RestoreWindow> m_ui;
    QList<BackupList::Item> m_items;
    QString m_chosen;
};
