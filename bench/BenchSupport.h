#pragma once

#include "core/Dialogs.h"

#include <QDate>
#include <QString>

#include <chrono>

// Shared pieces of the benchmark programs.
namespace Bench {

// Resident memory of this process now and at its peak, in bytes.
qint64 residentBytes();
qint64 peakResidentBytes();

// A book of `entries` cash entries spread evenly from `first` to `last` over
// `accounts` accounts, built once and kept at `path` for later runs.
void ensureBook(const QString& path, qint64 entries, const QDate& first, const QDate& last,
                int accounts);

// Dialogs that answer nothing and print any message on standard error.
class SilentDialogs final : public Dialogs
{
public:
    Answer message(QWidget*, Icon, const QString& title, const QString& text, Buttons) override;
    std::optional<QColor> chooseColor(QWidget*, const QColor&) override { return std::nullopt; }
    // The save dialog answers with the file the measurement wants.
    QString saveFileName(QWidget*, const QString&, const QString&, const QString&,
                         const QString&) override
    {
        return fileName;
    }
    bool openUrl(const QUrl&) override { return false; }
    QString fileName;
};

class Stopwatch
{
public:
    Stopwatch() : m_start(std::chrono::steady_clock::now()) {}
    double seconds() const
    {
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - m_start).count();
    }

private:
    std::chrono::steady_clock::time_point m_start;
};

} // namespace Bench
