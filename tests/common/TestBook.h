#pragma once

#include "FakeDialogs.h"
#include "FixedClock.h"
#include "app/Shell.h"
#include "core/DbConnection.h"
#include "core/Session.h"

#include <QTemporaryDir>
#include <QTest>
#include <QVariant>

#include <optional>

// A fresh data folder with an open cash book, a fixed clock, scripted dialogs
// and a session over them: what every test case starts from.
class TestBook
{
public:
    // The book is a file of the data folder, or, when the tests run on the
    // server engine (TestServer), a new database on the test server.
    TestBook();
    ~TestBook();
    TestBook(const TestBook&) = delete;
    TestBook& operator=(const TestBook&) = delete;

    QString dir() const { return m_dir.path(); }
    QString bookPath() const;
    bool onServer() const { return m_server.has_value(); }

    qint64 addAccount(const QString& name);
    // Amounts in reais as text ("100,00"); nothing stores NULL.
    qint64 addEntry(const QString& isoDate, const QString& time, std::optional<qint64> account,
                    const QString& description, std::optional<QString> in,
                    std::optional<QString> out, std::optional<QString> ndoc = std::nullopt);
    // Runs a statement, failing the test when it fails.
    void exec(const QString& sql, const QVariantList& values = {});
    // The first column of the first row, or an invalid value.
    QVariant scalar(const QString& sql, const QVariantList& values = {});
    // The first column of every row, as text (NULL as "NULL"), in the order
    // the statement gives; one fact per column read.
    QStringList strings(const QString& sql, const QVariantList& values = {});
    // Every column of the first row, as text (NULL as "NULL"): a whole stored
    // row in one comparison, whose message names the column that differs.
    QStringList firstRow(const QString& sql, const QVariantList& values = {});

    QTemporaryDir m_dir;
    std::optional<ServerAddress> m_server;
    DbConnection db;
    FakeDialogs dialogs;
    FixedClock clock;
    Session session;
    // Opens the real windows for one another, as in the program.
    Shell shell{session};
};

// Fails the test unless the text holds the part, showing both.
#define VERIFY_CONTAINS(text, part)                                                                \
    QVERIFY2(QString(text).contains(part),                                                         \
             qPrintable(QStringLiteral("\"%1\" does not hold \"%2\"").arg(text, part)))

// Reads a whole file, for byte-for-byte comparisons.
QByteArray fileBytes(const QString& path);
// Writes a whole file; a test that cannot set up its files stops here.
void writeFile(const QString& path, const QByteArray& bytes);
// The files of a folder, hidden ones too, by name.
QStringList filesIn(const QString& dir);
// "a|b||c" as a list, empty items kept: how tests write an expected list.
QStringList items(const char* list, char separator = '|');
