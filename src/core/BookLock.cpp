#include "core/BookLock.h"

#include "core/FileAccess.h"
#include "core/Formats.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QSysInfo>

namespace {

QString tr(const char* text)
{
    return QCoreApplication::translate("BookLock", text);
}

QString whoAndWhere(const BookLock::Holder& holder)
{
    if (!holder.known)
        return tr("por um programa que não pôde ser identificado");
    const QString user = holder.user.isEmpty() ? tr("desconhecido") : holder.user;
    const QString computer = holder.computer.isEmpty() ? tr("desconhecido") : holder.computer;
    const QString since = holder.since.isValid()
                              ? Formats::date(holder.since.date()) + QStringLiteral(" ") +
                                    Formats::time(holder.since.time())
                              : tr("hora desconhecida");
    return tr("pelo usuário %1 no computador %2 desde %3").arg(user, computer, since);
}

} // namespace

BookLock::BookLock(const QString& bookPath) : m_bookPath(bookPath), m_lock(lockPath(bookPath))
{
    // Age alone never makes a lock stale: a cash book stays open all day.
    m_lock.setStaleLockTime(0);
}

BookLock::~BookLock() = default;

QString BookLock::lockPath(const QString& bookPath)
{
    return bookPath + QStringLiteral(".lock");
}

BookLock::Outcome BookLock::take()
{
    if (m_lock.isLocked())
        return Outcome::Taken;
    // QLockFile takes over the lock of a program of this computer that is no
    // longer running, checking its process id and name.
    return afterAttempt(m_lock.tryLock(0));
}

BookLock::Outcome BookLock::takeOver()
{
    if (m_lock.isLocked())
        return Outcome::Taken;
    // Removes the lock file only while nobody holds it open on this computer.
    if (!m_lock.removeStaleLockFile()) {
        m_failure = tr("a marca de uso %1 não pôde ser removida")
                        .arg(QDir::toNativeSeparators(lockPath(m_bookPath)));
        return Outcome::Failed;
    }
    return afterAttempt(m_lock.tryLock(0));
}

BookLock::Outcome BookLock::afterAttempt(bool taken)
{
    if (taken) {
        // Holds no secret, but follows the folder's rules like every file here.
        const Status ok = FileAccess::protect(lockPath(m_bookPath));
        if (ok)
            return Outcome::Taken;
        m_lock.unlock();
        m_failure = ok.reason();
        return Outcome::Failed;
    }
    switch (m_lock.error()) {
    case QLockFile::LockFailedError:
        readHolder();
        // A lock nobody can read is treated as another computer's: only
        // the user can tell whether its program still runs.
        return m_holder.known && m_holder.onThisComputer ? Outcome::HeldHere
                                                         : Outcome::HeldElsewhere;
    case QLockFile::PermissionError:
        m_failure = tr("não há permissão para criar a marca de uso %1 na pasta do livro")
                        .arg(QDir::toNativeSeparators(lockPath(m_bookPath)));
        return Outcome::Failed;
    case QLockFile::NoError:
    case QLockFile::UnknownError:
        break;
    }
    m_failure = tr("a marca de uso %1 não pôde ser criada")
                    .arg(QDir::toNativeSeparators(lockPath(m_bookPath)));
    return Outcome::Failed;
}

// QLockFile keeps the process id, the program and the computer; the file's
// owner and time tell the user and the moment.
void BookLock::readHolder()
{
    m_holder = Holder();
    qint64 pid = 0;
    QString computer;
    QString program;
    if (!m_lock.getLockInfo(&pid, &computer, &program))
        return;
    const QFileInfo file(lockPath(m_bookPath));
    m_holder.known = true;
    m_holder.computer = computer;
    m_holder.onThisComputer = computer == QSysInfo::machineHostName();
    m_holder.user = file.owner();
    m_holder.since = file.lastModified();
}

QString BookLock::heldText(const QString& bookPath, const Holder& holder)
{
    return tr("O livro de caixa %1 já está aberto %2. Um livro de caixa só pode ser usado por um "
              "programa de cada vez: feche-o lá antes de abri-lo aqui.")
        .arg(QDir::toNativeSeparators(bookPath), whoAndWhere(holder));
}

QString BookLock::takeOverQuestion(const QString& bookPath, const Holder& holder)
{
    const QString where = holder.known && !holder.computer.isEmpty()
                              ? tr("no computador %1").arg(holder.computer)
                              : tr("em nenhum computador");
    return tr("O livro de caixa %1 está marcado como aberto %2.\n\n"
              "Se o programa não está mais aberto %3 (por exemplo, depois de uma queda de "
              "energia), o livro pode ser liberado e aberto aqui. Se ele ainda estiver aberto, "
              "o que for gravado em um dos dois lugares pode ser perdido.\n\n"
              "Liberar o livro e abri-lo aqui?")
        .arg(QDir::toNativeSeparators(bookPath), whoAndWhere(holder), where);
}
