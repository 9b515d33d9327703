#include "data/EntryName.h"

namespace EntryName {

bool namesOneEntry(const QString& name) {
    if (name == QLatin1String(".") || name == QLatin1String(".."))
        return false;
    // The previews' folder lies where a batch folder could.
    if (name.compare(previewsFolder(), Qt::CaseInsensitive) == 0)
        return false;
    // Both separators on every system: a register is shared with Windows PCs.
    for (const QChar c : name) {
        if (c == u'/' || c == u'\\' || c.category() == QChar::Other_Control)
            return false;
    }
    return true;
}

QString batchRule() {
    return QStringLiteral(
               "A batch must not be \".\", \"..\" or \"%1\", nor hold \"/\", \"\\\" or control characters.")
        .arg(previewsFolder());
}

QString visible(const QString& name) {
    // C0 controls have pictures of their own (U+2400 on); the rest cannot be
    // shown and are marked as such.
    QString shown;
    for (const QChar c : name) {
        if (c.unicode() < 0x20)
            shown += QChar(0x2400 + c.unicode());
        else if (c.category() == QChar::Other_Control)
            shown += QChar(QChar::ReplacementCharacter);
        else
            shown += c;
    }
    return shown;
}

} // namespace EntryName
