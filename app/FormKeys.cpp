#include "app/FormKeys.h"

#include <QKeySequence>
#include <QPushButton>
#include <QShortcut>

FormKeys::FormKeys(QWidget* window, QPushButton* apply, QPushButton* cancel) : QObject(window) {
    // Enter on the keypad is a key of its own.
    const QList<QKeySequence> applyKeys{QKeySequence(Qt::CTRL | Qt::Key_Return),
                                        QKeySequence(Qt::CTRL | Qt::Key_Enter),
                                        QKeySequence(Qt::CTRL | Qt::Key_S)};
    for (const QKeySequence& key : applyKeys) {
        auto* shortcut = new QShortcut(key, window);
        shortcut->setObjectName(QStringLiteral("ApplyShortcut"));
        connect(shortcut, &QShortcut::activated, apply, [apply] { press(apply); });
    }
    m_cancel = new QShortcut(QKeySequence(Qt::Key_Escape), window);
    m_cancel->setObjectName(QStringLiteral("CancelShortcut"));
    m_cancel->setEnabled(false);
    connect(m_cancel, &QShortcut::activated, cancel, [cancel] { press(cancel); });
    apply->setToolTip(
        hintWithKeys(apply->toolTip(), {QStringLiteral("Ctrl+Enter"), QStringLiteral("Ctrl+S")}));
    cancel->setToolTip(hintWithKeys(cancel->toolTip(), {QStringLiteral("Esc")}));
}

void FormKeys::follow(TableState state) {
    m_cancel->setEnabled(state == TableState::Edit || state == TableState::Insert);
}

void FormKeys::press(QPushButton* button) {
    button->setFocus(Qt::ShortcutFocusReason);
    button->click();
}

QString FormKeys::hintWithKeys(const QString& hint, const QStringList& keys) {
    return QStringLiteral("%1 (%2)").arg(hint, keys.join(QStringLiteral(", ")));
}
