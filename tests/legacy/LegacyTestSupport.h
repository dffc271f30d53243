#pragma once

#include "FakeDialogs.h"
#include "FixedClock.h"
#include "core/DbConnection.h"
#include "core/Session.h"
#include "core/Startup.h"

#include <QJsonObject>
#include <QTemporaryDir>
#include <QVariant>

// The Access books of the older program kept with the tests, and their
// expected figures.
QString legacyBook(const QString& name);
QJsonObject expectedFigures(const QString& name);

// "71096.53" in ten-thousandths, worked out without the code under test.
qint64 units(const QString& decimal);

// A data folder, and one start of the program on it with the Access reader
// of the build.
struct DataFolder
{
    QTemporaryDir dir;

    QString book() const { return Startup::bookPath(dir.path()); }
    QString file(const QString& name) const { return dir.filePath(name); }
    void put(const QByteArray& bytes, const QString& name = QStringLiteral("bd.mdb")) const;
    QStringList files() const;
};

struct Start
{
    explicit Start(const DataFolder& folder);
    Startup::FirstWindow run();

    // The first row of a statement on the book, empty when there is none.
    QVariantList row(const QString& sql, const QVariantList& values = {}) const;
    QVariant scalar(const QString& sql, const QVariantList& values = {}) const;

    DbConnection db;
    FakeDialogs dialogs;
    FixedClock clock;
    Session session;
};
