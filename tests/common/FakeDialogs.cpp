#include "FakeDialogs.h"

#include <QTest>

namespace {

class FakeProgress final : public Progress
{
public:
    FakeProgress(FakeDialogs& dialogs, qsizetype index) : m_dialogs(dialogs), m_index(index) {}

    void setLabel(const QString& text) override { shown().labels.append(text); }
    void setMaximum(qint64 maximum) override { shown().maximum = maximum; }
    void setValue(qint64 value) override
    {
        shown().values.append(value);
        const QString& during = m_dialogs.cancelProgressDuring;
        if (!during.isEmpty() && shown().labels.constLast().startsWith(during))
            m_canceled = true;
    }
    bool wasCanceled() const override { return m_canceled; }

private:
    FakeDialogs::ProgressShown& shown() { return m_dialogs.progressShown[m_index]; }

    FakeDialogs& m_dialogs;
    qsizetype m_index;
    bool m_canceled = false;
};

} // namespace

Dialogs::Answer FakeDialogs::message(QWidget* parent, Icon icon, const QString& title,
                                     const QString& text, Buttons buttons)
{
    return detailedMessage(parent, icon, title, text, buttons, QString());
}

Dialogs::Answer FakeDialogs::detailedMessage(QWidget*, Icon icon, const QString& title,
                                             const QString& text, Buttons buttons,
                                             const QString& details)
{
    shown.append({icon, title, text, buttons, QString(),
                  buttons == Buttons::Ok ? Answer::Ok : Answer::Yes, details});
    if (onMessage)
        onMessage(shown.constLast());
    if (buttons == Buttons::Ok)
        return Answer::Ok;
    if (answers.isEmpty()) {
        const QString failure =
            QStringLiteral("a question nobody scripted: \"%1\": \"%2\"").arg(title, text);
        QTest::qFail(qPrintable(failure), __FILE__, __LINE__);
        return Answer::No;
    }
    return answers.takeFirst();
}

namespace {

// The next scripted reply; a question nobody scripted fails the test.
std::optional<QString> scripted(QList<std::optional<QString>>& replies, const char* kind,
                                const QString& title, const QString& text)
{
    if (!replies.isEmpty())
        return replies.takeFirst();
    QTest::qFail(qPrintable(QStringLiteral("a %1 question nobody scripted: \"%2\": \"%3\"")
                                .arg(QLatin1String(kind), title, text)),
                 __FILE__, __LINE__);
    return std::nullopt;
}

} // namespace

std::optional<QString> FakeDialogs::askPassword(QWidget*, const QString& title, const QString& text)
{
    passwordQuestions.append(text);
    return scripted(passwords, "password", title, text);
}

std::optional<QString> FakeDialogs::askText(QWidget*, const QString& title, const QString& text,
                                            const QString& initial)
{
    lineQuestions.append(text + QStringLiteral(" [") + initial + u']');
    return scripted(typedLines, "text", title, text);
}

FakeDialogs::~FakeDialogs()
{
    // A test that failed already may have stopped before its questions.
    if (QTest::currentTestFailed())
        return;
    for (const auto& [left, what] :
         {std::pair{typedLines.size(), "line(s)"}, std::pair{passwords.size(), "password(s)"},
          std::pair{answers.size(), "answer(s)"}}) {
        if (left > 0)
            QTest::qFail(qPrintable(QStringLiteral("%1 scripted %2 no question took")
                                        .arg(left)
                                        .arg(QLatin1String(what))),
                         __FILE__, __LINE__);
    }
}

Dialogs::Answer FakeDialogs::askToDelete(QWidget* parent, const QString& title, const QString& text,
                                         const QString& whatGoes)
{
    const Answer answer = message(parent, Icon::Question, title, text, Buttons::YesNo);
    shown.last().whatGoes = whatGoes;
    shown.last().defaultAnswer = Answer::No;
    return answer;
}

std::optional<QColor> FakeDialogs::chooseColor(QWidget*, const QColor& initial)
{
    colourInitials.append(initial);
    return colours.isEmpty() ? std::nullopt : colours.takeFirst();
}

QString FakeDialogs::saveFileName(QWidget*, const QString& title, const QString& defaultSuffix,
                                  const QString& filter, const QString& suggestedPath)
{
    fileQuestions.append({title, defaultSuffix, filter});
    fileSuggestions.append(suggestedPath);
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

QStringList FakeDialogs::messages() const
{
    QStringList list;
    for (const Shown& s : shown)
        list.append(s.title + QStringLiteral(": ") + s.text);
    return list;
}

std::unique_ptr<Progress> FakeDialogs::progress(QWidget*, const QString& title,
                                                const QString& label)
{
    progressShown.append({title, {label}, 0, {}});
    return std::make_unique<FakeProgress>(*this, progressShown.size() - 1);
}
