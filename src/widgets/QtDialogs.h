#pragma once

#include "core/Dialogs.h"

// The real dialogs: QMessageBox, QColorDialog, QFileDialog, QProgressDialog
// and the desktop's browser.
class QtDialogs final : public Dialogs
{
public:
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
    std::optional<QString> askPassword(QWidget* parent, const QString& title,
                                       const QString& text) override;
    std::optional<QString> askText(QWidget* parent, const QString& title, const QString& text,
                                   const QString& initial) override;
    std::unique_ptr<Progress> progress(QWidget* parent, const QString& title,
                                       const QString& label) override;
};
