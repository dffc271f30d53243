#pragma once

#include "core/Dialogs.h"

#include <QList>
#include <QStringList>

#include <functional>

// Records every dialog the program asks for and answers it as the test says.
// A Yes/No question with no answer scripted for it fails the test (and is
// answered "No"), and so does a scripted answer no question took by the time
// the fake goes: every question a test meets is one it expects.
class FakeDialogs final : public Dialogs
{
public:
    FakeDialogs() = default;
    FakeDialogs(const FakeDialogs&) = delete;
    FakeDialogs& operator=(const FakeDialogs&) = delete;
    ~FakeDialogs() override;

    struct Shown
    {
        Icon icon;
        QString title;
        QString text;
        Buttons buttons;
        // What a delete question said would go, and the button Enter presses.
        QString whatGoes = {};
        Answer defaultAnswer = buttons == Buttons::Ok ? Answer::Ok : Answer::Yes;
        QString details; // what the user may unfold below the text
    };

    Answer message(QWidget* parent, Icon icon, const QString& title, const QString& text,
                   Buttons buttons) override;
    Answer askToDelete(QWidget* parent, const QString& title, const QString& text,
                       const QString& whatGoes) override;
    Answer detailedMessage(QWidget* parent, Icon icon, const QString& title, const QString& text,
                           Buttons buttons, const QString& details) override;
    std::optional<QColor> chooseColor(QWidget* parent, const QColor& initial) override;
    QString saveFileName(QWidget* parent, const QString& title, const QString& defaultSuffix,
                         const QString& filter, const QString& suggestedPath) override;
    bool openUrl(const QUrl& url) override;
    // A password question with nothing in `passwords` fails the test.
    std::optional<QString> askPassword(QWidget* parent, const QString& title,
                                       const QString& text) override;
    std::optional<QString> askText(QWidget* parent, const QString& title, const QString& text,
                                   const QString& initial) override;
    std::unique_ptr<Progress> progress(QWidget* parent, const QString& title,
                                       const QString& label) override;

    // Answers to Yes/No questions, in order.
    QList<Answer> answers;
    // Runs while a message is "open", for tests that look at the windows then.
    std::function<void(const Shown&)> onMessage;
    QList<Shown> shown;

    QList<std::optional<QColor>> colours;
    QList<QColor> colourInitials;
    QStringList fileNames;
    // What each save dialog asked: its title, default suffix and filter.
    QList<QStringList> fileQuestions;
    // The file each save dialog suggested, folder and name.
    QStringList fileSuggestions;
    QList<QUrl> openedUrls;
    // What each password question is answered, in order (nothing: cancelled),
    // and what each asked.
    QList<std::optional<QString>> passwords;
    QStringList passwordQuestions;
    // Typed lines, in order, as passwords are; the questions asked.
    QList<std::optional<QString>> typedLines;
    QStringList lineQuestions;

    // Every progress window asked for, with what it was told.
    struct ProgressShown
    {
        QString title;
        QStringList labels;
        qint64 maximum = 0;
        QList<qint64> values;
    };
    QList<ProgressShown> progressShown;
    // The user presses "Cancelar" while a progress window's label starts with this.
    QString cancelProgressDuring;

    const Shown& last() const { return shown.constLast(); }
    QStringList texts() const;
    // Every message shown so far, as "title: text".
    QStringList messages() const;
    void clear() { shown.clear(); }
};
