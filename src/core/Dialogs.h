#pragma once

#include "core/FailureText.h"
#include "core/Status.h"

#include <QColor>
#include <QString>
#include <QUrl>

#include <memory>
#include <optional>

class QWidget;

// A window that counts while a long task runs; it closes when the object goes.
class Progress
{
public:
    virtual ~Progress() = default;
    virtual void setLabel(const QString& text) = 0;
    virtual void setMaximum(qint64 maximum) = 0;
    // Also lets the window repaint and notice its cancel button.
    virtual void setValue(qint64 value) = 0;
    virtual bool wasCanceled() const = 0;
};

// Shows nothing and is never cancelled.
class SilentProgress final : public Progress
{
public:
    void setLabel(const QString&) override {}
    void setMaximum(qint64) override {}
    void setValue(qint64) override {}
    bool wasCanceled() const override { return false; }
};

// Every message box, question, colour and file dialog, progress window and the
// browser goes through this interface, so tests can answer them and read what
// was asked.
class Dialogs
{
public:
    enum class Icon { None, Information, Question, Exclamation, Critical };
    enum class Buttons { Ok, YesNo };
    enum class Answer { Ok, Yes, No };

    virtual ~Dialogs() = default;

    virtual Answer message(QWidget* parent, Icon icon, const QString& title, const QString& text,
                           Buttons buttons) = 0;
    // The same with a technical text the user may unfold ("Mostrar
    // detalhes..."); by default it follows the text.
    virtual Answer detailedMessage(QWidget* parent, Icon icon, const QString& title,
                                   const QString& text, Buttons buttons, const QString& details)
    {
        return message(parent, icon, title,
                       details.isEmpty() ? text : text + QStringLiteral("\n\n") + details, buttons);
    }
    // Nothing when the user cancels.
    virtual std::optional<QColor> chooseColor(QWidget* parent, const QColor& initial) = 0;
    // An empty text when the user cancels. The dialog opens in the folder of
    // suggestedPath with its file name filled in.
    virtual QString saveFileName(QWidget* parent, const QString& title,
                                 const QString& defaultSuffix, const QString& filter,
                                 const QString& suggestedPath) = 0;
    virtual bool openUrl(const QUrl& url) = 0;
    // A password typed in a box that hides it (a server that asks for one);
    // nothing when the user cancels. Nothing by default.
    virtual std::optional<QString> askPassword(QWidget* parent, const QString& title,
                                               const QString& text)
    {
        Q_UNUSED(parent);
        Q_UNUSED(title);
        Q_UNUSED(text);
        return std::nullopt;
    }
    // A line of text the user types, starting from `initial`; nothing when
    // the user cancels. Nothing by default.
    virtual std::optional<QString> askText(QWidget* parent, const QString& title,
                                           const QString& text, const QString& initial)
    {
        Q_UNUSED(parent);
        Q_UNUSED(title);
        Q_UNUSED(text);
        Q_UNUSED(initial);
        return std::nullopt;
    }
    // A progress window with a cancel button; by default nothing is shown.
    virtual std::unique_ptr<Progress> progress(QWidget* parent, const QString& title,
                                               const QString& label)
    {
        Q_UNUSED(parent);
        Q_UNUSED(title);
        Q_UNUSED(label);
        return std::make_unique<SilentProgress>();
    }

    // The question asked before something is deleted. Its text is the
    // question itself; whatGoes names what would be deleted and stands below
    // it. "Não" is the default button, so Enter never deletes. Without a
    // box of its own, the details join the text of a plain question.
    virtual Answer askToDelete(QWidget* parent, const QString& title, const QString& text,
                               const QString& whatGoes)
    {
        return message(parent, Icon::Question, title, text + QStringLiteral("\n\n") + whatGoes,
                       Buttons::YesNo);
    }

    // Shorthands for the usual boxes.
    void inform(QWidget* parent, Icon icon, const QString& title, const QString& text)
    {
        message(parent, icon, title, text, Buttons::Ok);
    }
    void inform(QWidget* parent, Icon icon, const QString& title, const QString& text,
                const QString& details)
    {
        detailedMessage(parent, icon, title, text, Buttons::Ok, details);
    }
    // A write that failed: its cause in plain words, with the database's own
    // text as the details, when there is such a cause; otherwise `fallback`
    // and that text below it.
    void reportFailure(QWidget* parent, const QString& title, const Status& failure,
                       const QString& notDone, const QString& fallback)
    {
        const QString plain = FailureText::plain(failure, notDone);
        if (plain.isEmpty())
            inform(parent, Icon::Critical, title, fallback + u'\n' + failure.reason());
        else if (failure.cause() == Status::Cause::Refused)
            inform(parent, Icon::Exclamation, title, plain); // nothing technical to unfold
        else
            inform(parent, Icon::Critical, title, plain, failure.reason());
    }
    bool askYesNo(QWidget* parent, const QString& title, const QString& text)
    {
        return message(parent, Icon::Question, title, text, Buttons::YesNo) == Answer::Yes;
    }
    bool confirmDelete(QWidget* parent, const QString& title, const QString& text,
                       const QString& whatGoes)
    {
        return askToDelete(parent, title, text, whatGoes) == Answer::Yes;
    }
};
