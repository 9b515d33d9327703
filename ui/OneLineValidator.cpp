#include "ui/OneLineValidator.h"

#include <QRegularExpression>
#include <algorithm>

QValidator::State OneLineValidator::validate(QString& input, int& position) const {
    static const QRegularExpression breaks(QStringLiteral("\\r\\n|[\\r\\n\\x{2028}\\x{2029}]"));
    // Every text a field shows passes here: most hold no break, and a scan
    // for one costs far less than the expression.
    const auto isBreak = [](QChar c) {
        return c == u'\r' || c == u'\n' || c == QChar(0x2028) || c == QChar(0x2029);
    };
    if (std::any_of(input.cbegin(), input.cend(), isBreak)) {
        position = int(input.left(position).replace(breaks, QStringLiteral(" ")).size());
        input.replace(breaks, QStringLiteral(" "));
    }
    return Acceptable;
}
