#include "FakeDialogs.h"

Dialogs::Answer FakeDialogs::message(QWidget*, Icon icon, const QString& title, const QString& text,
                                     Buttons buttons)
{
    shown.append({icon, title, text, buttons});
    if (onMessage)
        onMessage(shown.constLast());
    if (buttons == Buttons::Ok)
        return Answer::Ok;
    return answers.isEmpty() ? Answer::Yes : answers.takeFirst();
}

std::optional<QColor> FakeDialogs::chooseColor(QWidget*, const QColor& initial)
{
    colourInitials.append(initial);
    return colours.isEmpty() ? std::nullopt : colours.takeFirst();
}

QString FakeDialogs::saveFileName(QWidget*, const QString& title, const QString& defaultSuffix,
                                  const QString& filter)
{
    fileQuestions.append({title, defaultSuffix, filter});
    return fileNames.isEmpty() ? QString() : fileNames.takeFirst();
}

bool FakeDialogs::openUrl(const QUrl& url)
{
    openedUrls.append(url);
    return true;
}

QStringList FakeDialogs::texts() const
{
    QStringList list;
    for (const Shown& s : shown)
        list.append(s.text);
    return list;
}
