#pragma once

#include <QDialog>

#include <memory>

namespace Ui {
class frmOpcoes;
}
class ColorSwatch;
class QLineEdit;
struct SettingsChoice;
struct Session;

// The settings window: the colours of amounts received and paid out, the
// login switch, the backup at exit and, shown only, the currency and the
// language. It coordinates; the row is written by SettingsStore.
class frmOpcoes final : public QDialog
{
    Q_OBJECT

public:
    explicit frmOpcoes(Session& session, QWidget* parent = nullptr);
    ~frmOpcoes() override;

signals:
    // A save went through and Settings holds the new values; the main window
    // refreshes its colours on it.
    void saved();

private:
    void setUpWindow();
    void loadSettings();
    void chooseColor(ColorSwatch* swatch);
    void save();
    SettingsChoice choice() const;

    Session& m_session;
    std::unique_ptr<Ui::frmOpcoes> m_ui;
};
