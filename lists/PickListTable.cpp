#include "lists/PickListTable.h"

#include "data/OrderColumns.h"
#include "lists/PickListFile.h"

#include <QDir>
#include <QFileInfo>

namespace PickListTable {

const QVector<List>& all() {
    static const QVector<List> lists = {
        {"Articles", OrderColumns::Artikul, "DBComboBox1", "Button6", Filter::None, true},
        {"Suppliers", OrderColumns::Dostavcik, "DBComboBox2", "Button8", Filter::Suppliers, true},
        {"Batches", OrderColumns::Batch, "ComboBox2", "Button9", Filter::Batches, true},
        {"Company", NoColumn, "ecompany", "", Filter::None, true},
    };
    return lists;
}

const List* find(const QString& name) {
    for (const List& list : all()) {
        if (name.compare(QLatin1String(list.name), Qt::CaseInsensitive) == 0)
            return &list;
    }
    return nullptr;
}

const List* ofButton(const QString& buttonName) {
    for (const List& list : all()) {
        if (!buttonName.isEmpty() && buttonName == QLatin1String(list.editButton))
            return &list;
    }
    return nullptr;
}

QStringList unknownListFiles(const QString& folder) {
    QStringList unknown;
    const QFileInfoList files =
        QDir(folder).entryInfoList({QStringLiteral("*.txt")}, QDir::Files | QDir::Hidden, QDir::Name);
    for (const QFileInfo& file : files) {
        if (find(file.completeBaseName()) || file.isSymLink())
            continue;
        if (PickListFile::readText(file.filePath()).status == PickListFile::Status::Ok)
            unknown << file.fileName();
    }
    return unknown;
}

} // namespace PickListTable
