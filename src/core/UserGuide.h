#pragma once

#include <QString>
#include <QStringList>

// The guide for the shop owner, an HTML page with its pictures, which F1
// and "Ajuda" open in the browser. A build keeps it beside the program
// ("guia/index.html"); the package installs it under share/livro-caixa.
namespace UserGuide {

// Where the guide is looked for, in order, for a program in programDir.
QStringList candidates(const QString& programDir);

// The first page of the guide, or an empty text when it is in no candidate place.
QString find(const QString& programDir);

} // namespace UserGuide
