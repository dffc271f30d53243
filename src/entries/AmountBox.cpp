#include "entries/AmountBox.h"

#include "core/Money.h"

#include <QKeyEvent>
#include <QLineEdit>

namespace AmountBox {

QString normalized(const QString& text)
{
    if (text.trimmed().isEmpty())
        return QStringLiteral("0,00");
    const auto amount = Money::parse(text);
    if (amount)
        return amount->format();
    return isTooLarge(text) ? text.trimmed() : QString();
}

bool isTooLarge(const QString& text)
{
    return Money::isAmountText(text) && !Money::parse(text);
}

namespace {

class KeyFilter final : public QObject
{
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() != QEvent::KeyPress)
            return false;
        const auto* key = static_cast<QKeyEvent*>(event);
        const QString text = key->text();
        if (text.isEmpty() || !text.at(0).isPrint())
            return false; // backspace, enter, escape, arrows, delete, tab
        const char16_t c = text.at(0).unicode();
        if (c == u'.') {
            static_cast<QLineEdit*>(watched)->insert(QStringLiteral(","));
            return true;
        }
        return c < u',' || c > u'9'; // "," "-" "." "/" and the digits
    }
};

} // namespace

void filterKeys(QLineEdit* box)
{
    box->installEventFilter(new KeyFilter(box));
}

} // namespace AmountBox
