#include "ui/OneLineValidator.h"

#include <QRegularExpression>

QValidator::State OneLineValidator::validate(QString& input, int& position) const
{
    static const QRegularExpression breaks(QStringLiteral("\\r\\n|[\\r\\n\\x{2028}\\x{2029}]"));
    if (input.contains(breaks)) {
        position = int(input.left(position).replace(breaks, QStringLiteral(" ")).size());
        input.replace(breaks, QStringLiteral(" "));
    }
    return Acceptable;
}
