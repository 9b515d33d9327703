#include "app/DBMemo.h"

#include "app/FieldBinding.h"

#include <QTextDocument>

namespace {

// The break a note's text is written with: that of its first break, or CR LF
// for a note without one, as notes were always written on Windows.
QString breakOf(const QString& text) {
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == u'\n')
            return QStringLiteral("\n");
        if (text[i] == u'\r')
            return i + 1 < text.size() && text[i + 1] == u'\n' ? QStringLiteral("\r\n")
                                                               : QStringLiteral("\r");
    }
    return QStringLiteral("\r\n");
}

} // namespace

DBMemo::DBMemo(OrderTable& table, OrderColumns::Index column, QWidget* parent)
    : BoundControl(table, column, parent) {
    setTabChangesFocus(true);
    // The text area turns every break into a paragraph and gives them back as
    // LF; a note is stored as typed, so its breaks are written back the way
    // the shown text had them, and so are the ones the user types. The raw
    // text keeps no-break spaces, which toPlainText() would turn into spaces.
    m_binding->setTextAccess(
        [this] {
            QString text = document()->toRawText();
            text.replace(QChar::ParagraphSeparator, m_lineBreak);
            text.replace(QChar::LineSeparator, m_lineBreak);
            return text;
        },
        [this](const QString& value) {
            m_showing = true;
            m_lineBreak = breakOf(value);
            setPlainText(value);
            m_showing = false;
        });
    connect(this, &QPlainTextEdit::textChanged, this, [this] {
        if (!m_showing)
            m_binding->userEdited();
    });
}
