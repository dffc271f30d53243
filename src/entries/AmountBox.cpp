#include "entries/AmountBox.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QLineEdit>

#include <algorithm>

namespace AmountBox {

namespace {

QString tr(const char* text)
{
    return QCoreApplication::translate("AmountBox", text);
}

bool allDigits(QStringView part)
{
    return std::all_of(part.begin(), part.end(), [](QChar c) { return c >= u'0' && c <= u'9'; });
}

// "1", "12", "123": the first group of a grouped number.
bool isLeadingGroup(QStringView part)
{
    return !part.isEmpty() && part.size() <= 3 && allDigits(part) && part.front() != u'0';
}

Reading refused(const QString& text, const QString& problem)
{
    return {std::nullopt, text, problem};
}

// The digits of an amount without its sign: the whole part and the decimals.
struct Split
{
    QString whole;
    QString decimals;
    QString problem;
};

// Groups after the first hold exactly three digits.
bool wellGrouped(const QList<QStringView>& groups)
{
    if (groups.size() < 2 || !isLeadingGroup(groups.constFirst()))
        return false;
    return std::all_of(groups.begin() + 1, groups.end(),
                       [](QStringView g) { return g.size() == 3 && allDigits(g); });
}

Split split(QStringView body)
{
    const QString misplaced = tr("o separador de milhar está fora do lugar");
    QList<QStringView> groups;
    QStringView decimals;
    const qsizetype comma = body.lastIndexOf(u',');
    if (body.contains(u'.')) {
        // A formatted amount: dots group thousands, one comma before the decimals.
        if (body.count(u',') > 1)
            return {{}, {}, misplaced};
        groups = (comma < 0 ? body : body.left(comma)).split(u'.');
        decimals = comma < 0 ? QStringView() : body.mid(comma + 1);
    } else {
        groups = body.split(u',');
        if (groups.size() > 1 && !wellGrouped(groups))
            decimals = groups.takeLast(); // otherwise every comma groups thousands
    }
    if (groups.size() > 1 && !wellGrouped(groups))
        return {{}, {}, misplaced};
    QString whole;
    for (QStringView group : groups)
        whole += group;
    if (!allDigits(whole) || !allDigits(decimals) || (whole.isEmpty() && decimals.isEmpty()))
        return {{}, {}, tr("não é um valor")};
    if (decimals.size() > 2)
        return {{}, {}, tr("tem mais de duas casas decimais")};
    return {whole, decimals.toString(), {}};
}

} // namespace

Reading read(const QString& text)
{
    const QString typed = text.trimmed();
    if (typed.isEmpty())
        return {Money(), QStringLiteral("0,00"), {}};
    QStringView body(typed);
    const bool negative = body.front() == u'-';
    if (negative)
        body = body.mid(1);
    const Split parts = split(body);
    if (!parts.problem.isEmpty())
        return refused(text, parts.problem);
    const QString canonical = (negative ? QStringLiteral("-") : QString()) +
                              (parts.whole.isEmpty() ? QStringLiteral("0") : parts.whole) + u',' +
                              parts.decimals;
    const auto amount = Money::parse(canonical);
    if (!amount)
        return refused(text, tr("é um valor grande demais: o maior valor aceito é %1")
                                 .arg(Money::largest().format()));
    return {amount, amount->format(), {}};
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
