#include "widgets/TextBoxes.h"

#include <QEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QRegularExpressionValidator>

namespace TextBoxes {

namespace {

class SelectAllFilter final : public QObject
{
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::FocusIn) {
            // After the click that gave the focus has placed the cursor.
            QMetaObject::invokeMethod(watched, "selectAll", Qt::QueuedConnection);
        }
        return false;
    }
};

class DigitKeyFilter final : public QObject
{
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() != QEvent::KeyPress)
            return false;
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter)
            return true;
        const QString text = key->text();
        if (text.isEmpty() || !text.at(0).isPrint())
            return false; // editing and movement keys
        return !text.at(0).isDigit() || text.at(0).unicode() > u'9';
    }
};

} // namespace

void selectAllOnFocus(QWidget* box)
{
    box->installEventFilter(new SelectAllFilter(box));
}

void acceptDigitsOnly(QLineEdit* box, int maxDigits)
{
    box->installEventFilter(new DigitKeyFilter(box));
    box->setValidator(new QRegularExpressionValidator(
        QRegularExpression(QStringLiteral("[0-9]{0,%1}").arg(maxDigits)), box));
}

} // namespace TextBoxes
