#pragma once

#include <QColor>
#include <QString>
#include <QUrl>

#include <optional>

class QWidget;

// Every message box, question, colour and file dialog, and the browser, goes
// through this interface, so tests can answer them and read what was asked.
class Dialogs
{
public:
    enum class Icon { None, Information, Question, Exclamation, Critical };
    enum class Buttons { Ok, YesNo };
    enum class Answer { Ok, Yes, No };

    virtual ~Dialogs() = default;

    virtual Answer message(QWidget* parent, Icon icon, const QString& title, const QString& text,
                           Buttons buttons) = 0;
    // Nothing when the user cancels.
    virtual std::optional<QColor> chooseColor(QWidget* parent, const QColor& initial) = 0;
    // An empty text when the user cancels.
    virtual QString saveFileName(QWidget* parent, const QString& title, const QString& defaultSuffix,
                                 const QString& filter) = 0;
    virtual bool openUrl(const QUrl& url) = 0;

    // Shorthands for the usual boxes.
    void inform(QWidget* parent, Icon icon, const QString& title, const QString& text)
    {
        message(parent, icon, title, text, Buttons::Ok);
    }
    bool askYesNo(QWidget* parent, const QString& title, const QString& text)
    {
        return message(parent, Icon::Question, title, text, Buttons::YesNo) == Answer::Yes;
    }
};
