#include "widgets/QtDialogs.h"

#include "widgets/Keyboard.h"

#include <QApplication>
#include <QColorDialog>
#include <QDesktopServices>
#include <QFileDialog>
#include <QFileInfo>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressDialog>

#include <algorithm>
#include <limits>

namespace {

// QProgressDialog counts in int; a longer task is shown in proportion.
class QtProgress final : public Progress
{
public:
    QtProgress(QWidget* parent, const QString& title, const QString& label)
        : m_dialog(label, QCoreApplication::translate("QtDialogs", "Cancelar"), 0, 0, parent)
    {
        m_dialog.setWindowTitle(title);
        m_dialog.setWindowModality(Qt::ApplicationModal);
        m_dialog.setMinimumDuration(0);
        m_dialog.setAutoClose(false);
        m_dialog.setAutoReset(false);
        m_dialog.setMinimumWidth(420);
        m_dialog.show();
        QApplication::processEvents();
    }

    void setLabel(const QString& text) override
    {
        m_dialog.setLabelText(text);
        QApplication::processEvents();
    }
    void setMaximum(qint64 maximum) override
    {
        m_scale = std::max<qint64>(1, maximum / std::numeric_limits<int>::max() + 1);
        m_dialog.setMaximum(int(maximum / m_scale));
    }
    void setValue(qint64 value) override
    {
        m_dialog.setValue(int(value / m_scale));
        QApplication::processEvents();
    }
    bool wasCanceled() const override { return m_dialog.wasCanceled(); }

private:
    QProgressDialog m_dialog;
    qint64 m_scale = 1;
};

} // namespace

Dialogs::Answer QtDialogs::message(QWidget* parent, Icon icon, const QString& title,
                                   const QString& text, Buttons buttons)
{
    return detailedMessage(parent, icon, title, text, buttons, QString());
}

Dialogs::Answer QtDialogs::detailedMessage(QWidget* parent, Icon icon, const QString& title,
                                           const QString& text, Buttons buttons,
                                           const QString& details)
{
    const Keyboard::BackToWindow keyboard(parent);
    QMessageBox box(parent);
    switch (icon) {
    case Icon::None:
        box.setIcon(QMessageBox::NoIcon);
        break;
    case Icon::Information:
        box.setIcon(QMessageBox::Information);
        break;
    case Icon::Question:
        box.setIcon(QMessageBox::Question);
        break;
    case Icon::Exclamation:
        box.setIcon(QMessageBox::Warning);
        break;
    case Icon::Critical:
        box.setIcon(QMessageBox::Critical);
        break;
    }
    box.setWindowTitle(title);
    box.setText(text);
    // QMessageBox shows its own "Mostrar detalhes..." button for these.
    if (!details.isEmpty())
        box.setDetailedText(details);
    if (buttons == Buttons::YesNo) {
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setDefaultButton(QMessageBox::Yes);
    } else {
        box.setStandardButtons(QMessageBox::Ok);
    }
    const int result = box.exec();
    if (buttons == Buttons::YesNo)
        return result == QMessageBox::Yes ? Answer::Yes : Answer::No;
    return Answer::Ok;
}

Dialogs::Answer QtDialogs::askToDelete(QWidget* parent, const QString& title, const QString& text,
                                       const QString& whatGoes)
{
    const Keyboard::BackToWindow keyboard(parent);
    QMessageBox box(QMessageBox::Question, title, text, QMessageBox::Yes | QMessageBox::No, parent);
    box.setInformativeText(whatGoes);
    box.setDefaultButton(QMessageBox::No);
    box.setEscapeButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes ? Answer::Yes : Answer::No;
}

std::optional<QColor> QtDialogs::chooseColor(QWidget* parent, const QColor& initial)
{
    const Keyboard::BackToWindow keyboard(parent);
    const QColor chosen = QColorDialog::getColor(initial, parent);
    if (!chosen.isValid())
        return std::nullopt;
    return chosen;
}

QString QtDialogs::saveFileName(QWidget* parent, const QString& title, const QString& defaultSuffix,
                                const QString& filter, const QString& suggestedPath)
{
    const Keyboard::BackToWindow keyboard(parent);
    const QFileInfo suggested(suggestedPath);
    QFileDialog dialog(parent, title, suggested.absolutePath(), filter);
    dialog.selectFile(suggested.fileName());
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(defaultSuffix);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    return dialog.selectedFiles().constFirst();
}

bool QtDialogs::openUrl(const QUrl& url)
{
    return QDesktopServices::openUrl(url);
}

std::unique_ptr<Progress> QtDialogs::progress(QWidget* parent, const QString& title,
                                              const QString& label)
{
    return std::make_unique<QtProgress>(parent, title, label);
}

std::optional<QString> QtDialogs::askPassword(QWidget* parent, const QString& title,
                                              const QString& text)
{
    const Keyboard::BackToWindow keyboard(parent);
    bool accepted = false;
    const QString typed =
        QInputDialog::getText(parent, title, text, QLineEdit::Password, QString(), &accepted);
    if (!accepted)
        return std::nullopt;
    return typed;
}

std::optional<QString> QtDialogs::askText(QWidget* parent, const QString& title,
                                          const QString& text, const QString& initial)
{
    const Keyboard::BackToWindow keyboard(parent);
    bool accepted = false;
    const QString typed =
        QInputDialog::getText(parent, title, text, QLineEdit::Normal, initial, &accepted);
    if (!accepted)
        return std::nullopt;
    return typed;
}
