#pragma once
// A multi-line memo bound to a column. Tab moves on to the next control
// instead of typing a tab, so the form can be filled from the keyboard. The
// text is written back with the line breaks it was shown with (CR LF, LF or
// CR: those of its first break; CR LF for a note without any).

#include "app/BoundControl.h"

#include <QPlainTextEdit>

class DBMemo : public BoundControl<QPlainTextEdit> {
    Q_OBJECT
  public:
    DBMemo(OrderTable& table, OrderColumns::Index column, QWidget* parent = nullptr);

  private:
    bool m_showing = false;
    QString m_lineBreak = QStringLiteral("\r\n");
};
