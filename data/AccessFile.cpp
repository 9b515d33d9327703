#include "data/AccessFile.h"

#include <QDate>
#include <QFile>
#include <QFileInfo>
#include <cmath>
#include <cstring>
#include <mdbtools.h>

#include "data/Currency.h"

QString RowSource::kindName(Kind kind) {
    switch (kind) {
    case Kind::Integer:
        return QStringLiteral("integer");
    case Kind::Money:
        return QStringLiteral("currency");
    case Kind::DateTime:
        return QStringLiteral("date/time");
    case Kind::Text:
        return QStringLiteral("text");
    case Kind::Memo:
        return QStringLiteral("memo");
    case Kind::Boolean:
        return QStringLiteral("yes/no");
    case Kind::Real:
        return QStringLiteral("floating point");
    case Kind::Other:
        break;
    }
    return QStringLiteral("other");
}

namespace AccessFile {

AccessFormat detect(const QString& path) {
    // Opening a pipe would wait for a writer; what is not a regular file is
    // left to the register's own refusal.
    if (!QFileInfo(path).isFile())
        return AccessFormat::None;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return AccessFormat::None;
    const QByteArray head = file.read(0x15);
    if (head.size() < 0x15)
        return AccessFormat::None;
    const QByteArray signature = head.mid(4, 15);
    const auto version = static_cast<unsigned char>(head.at(0x14));
    if (signature == "Standard Jet DB")
        return version == 0 ? AccessFormat::Jet3 : AccessFormat::Jet4;
    if (signature == "Standard ACE DB")
        return AccessFormat::Ace;
    return AccessFormat::None;
}

QString formatName(AccessFormat format) {
    switch (format) {
    case AccessFormat::Jet3:
        return QStringLiteral("Access 97, Jet 3");
    case AccessFormat::Jet4:
        return QStringLiteral("Access 2000-2003, Jet 4");
    case AccessFormat::Ace:
        return QStringLiteral("Access 2007 or later");
    case AccessFormat::None:
        break;
    }
    return QString();
}

} // namespace AccessFile

namespace {

// libmdb picks its text decoding from the environment when it opens a file.
// Set for the length of one open, then put back as it was.
class ScopedEnvironment {
  public:
    ScopedEnvironment(const char* name, const char* value) : m_name(name) {
        m_had = qEnvironmentVariableIsSet(name);
        m_old = qgetenv(name);
        qputenv(name, value);
    }
    ~ScopedEnvironment() {
        if (m_had)
            qputenv(m_name, m_old);
        else
            qunsetenv(m_name);
    }

  private:
    const char* m_name;
    bool m_had = false;
    QByteArray m_old;
};

RowSource::Kind kindOf(int type) {
    switch (type) {
    case MDB_BYTE:
    case MDB_INT:
    case MDB_LONGINT:
        return RowSource::Kind::Integer;
    case MDB_MONEY:
        return RowSource::Kind::Money;
    case MDB_DATETIME:
        return RowSource::Kind::DateTime;
    case MDB_TEXT:
        return RowSource::Kind::Text;
    case MDB_MEMO:
        return RowSource::Kind::Memo;
    case MDB_BOOL:
        return RowSource::Kind::Boolean;
    case MDB_FLOAT:
    case MDB_DOUBLE:
        return RowSource::Kind::Real;
    default:
        return RowSource::Kind::Other;
    }
}

template <typename T> T readLittleEndian(const unsigned char* bytes) {
    T value;
    std::memcpy(&value, bytes, sizeof(T)); // the files and this build are little-endian
    return value;
}

// The date part of an Access date-time: whole days since 1899-12-30, the
// fraction the time of day. Before that day the number is negative while the
// time still counts forward, so the date is the number cut towards zero.
QVariant datePart(double days) {
    if (!std::isfinite(days) || std::fabs(days) > 3.0e6)
        return QVariant();
    return QDate(1899, 12, 30).addDays(qint64(std::trunc(days)));
}

} // namespace

struct AccessTableReader::Handles {
    MdbHandle* mdb = nullptr;
    MdbTableDef* table = nullptr;
    QVector<MdbField> fields;
    qint64 fileSize = 0;
    qint64 rowsRead = 0;
    ~Handles() {
        if (table)
            mdb_free_tabledef(table);
        if (mdb)
            mdb_close(mdb);
    }
};

namespace {

// Bytes a value of a fixed-size type takes in a row; 0 for variable sizes.
int fixedSize(int type) {
    switch (type) {
    case MDB_BYTE:
        return 1;
    case MDB_INT:
        return 2;
    case MDB_LONGINT:
    case MDB_FLOAT:
        return 4;
    case MDB_MONEY:
    case MDB_DATETIME:
    case MDB_DOUBLE:
        return 8;
    default:
        return 0;
    }
}

// Whether the field's bytes lie within the page libmdb read, as large as its type needs.
bool fieldInPage(const MdbHandle* mdb, const MdbColumn* column, const MdbField& field) {
    const qint64 pageSize = qint64(mdb->fmt->pg_size);
    return field.start >= 0 && field.siz >= fixedSize(column->col_type) &&
           qint64(field.start) + field.siz <= qMin<qint64>(pageSize, MDB_PGSIZE);
}

// A text or memo decoded by libmdb into UTF-8; null when its stored size is
// impossible. libmdb decodes into a buffer of its bind size, sized here per
// value (at most three UTF-8 bytes per stored byte) so no text is cut; a
// memo's stored length is bounded by the file that holds it.
bool readText(MdbHandle* mdb, const MdbColumn* column, const MdbField& field, qint64 fileSize,
              QVariant* value) {
    qint64 stored = field.siz;
    if (column->col_type == MDB_MEMO && field.siz >= 4)
        stored = readLittleEndian<quint32>(mdb->pg_buf + field.start) & 0x3fffffff;
    if (stored < 0 || stored > fileSize)
        return false;
    const size_t room = size_t(3 * stored + 16);
    mdb_set_bind_size(mdb, room);
    char* text = mdb_col_to_string(mdb, mdb->pg_buf, field.start, column->col_type, field.siz);
    const size_t length = text ? std::strlen(text) : 0;
    *value = QString::fromUtf8(text, qsizetype(length));
    g_free(text);
    // libmdb gives an empty text for a note whose pages it cannot read; a
    // stored note of more than its two-byte compression mark holds text.
    if (column->col_type == MDB_MEMO && length == 0 && stored > 2)
        return false;
    return length + 1 < room;
}

// The number of objects the file's catalog (the table MSysObjects, whose
// definition is on page 2) declares, or -1.
qint64 declaredCatalogRows(MdbHandle* mdb) {
    MdbCatalogEntry entry;
    std::memset(&entry, 0, sizeof entry);
    entry.mdb = mdb;
    entry.object_type = MDB_TABLE;
    entry.table_pg = 2;
    std::strcpy(entry.object_name, "MSysObjects");
    MdbTableDef* table = mdb_read_table(&entry);
    if (!table)
        return -1;
    const qint64 rows = table->num_rows;
    mdb_free_tabledef(table);
    return rows;
}

} // namespace

AccessTableReader::AccessTableReader() = default;
AccessTableReader::~AccessTableReader() = default;

bool AccessTableReader::fail(bool damaged, const QString& message) {
    m_error = message;
    m_damaged = damaged;
    return false;
}

bool AccessTableReader::open(const QString& path, const QString& tableName) {
    m_handles = std::make_unique<Handles>();
    m_error.clear();
    m_damaged = false;
    m_handles->fileSize = QFileInfo(path).size();
    {
        const ScopedEnvironment target("MDB_ICONV", "UTF-8");
        const ScopedEnvironment jet3("MDB_JET3_CHARSET", "CP1251");
        m_handles->mdb = mdb_open(QFile::encodeName(path).constData(), MDB_NOFLAGS);
    }
    MdbHandle* mdb = m_handles->mdb;
    // libmdb reads a file cut short as far as it goes, without a word; a
    // sound file is whole pages and its catalog holds every object it declares.
    if (!mdb || !mdb_read_catalog(mdb, MDB_ANY) || m_handles->fileSize % mdb->fmt->pg_size != 0 ||
        qint64(mdb->num_catalog) < declaredCatalogRows(mdb)) {
        m_handles.reset();
        return fail(true, QStringLiteral("its list of tables cannot be read"));
    }
    MdbCatalogEntry* found = nullptr;
    const QByteArray wanted = tableName.toUtf8();
    for (unsigned i = 0; i < mdb->num_catalog; ++i) {
        auto* entry = static_cast<MdbCatalogEntry*>(g_ptr_array_index(mdb->catalog, i));
        if (entry->object_type == MDB_TABLE &&
            g_ascii_strcasecmp(entry->object_name, wanted.constData()) == 0)
            found = entry;
    }
    if (!found) {
        m_handles.reset();
        return fail(false, QStringLiteral("there is no table %1").arg(tableName));
    }
    m_handles->table = mdb_read_table(found);
    if (!m_handles->table || !mdb_read_columns(m_handles->table)) {
        m_handles.reset();
        return fail(true, QStringLiteral("the columns of %1 cannot be read").arg(tableName));
    }
    // A definition that declares another number of variable-length columns
    // than it lists makes libmdb read every text of every line as null.
    unsigned variable = 0;
    for (unsigned i = 0; i < m_handles->table->num_cols; ++i)
        variable +=
            static_cast<MdbColumn*>(g_ptr_array_index(m_handles->table->columns, i))->is_fixed ? 0 : 1;
    if (variable != m_handles->table->num_var_cols) {
        const unsigned declared = m_handles->table->num_var_cols;
        m_handles.reset();
        return fail(true,
                    QStringLiteral("the definition of %1 declares %2 columns of variable length but lists %3")
                        .arg(tableName)
                        .arg(declared)
                        .arg(variable));
    }
    mdb_rewind_table(m_handles->table);
    m_handles->fields.resize(int(m_handles->table->num_cols));
    return true;
}

QStringList AccessTableReader::columnNames() const {
    QStringList names;
    if (!m_handles)
        return names;
    const MdbTableDef* table = m_handles->table;
    for (unsigned i = 0; i < table->num_cols; ++i)
        names << QString::fromUtf8(static_cast<MdbColumn*>(g_ptr_array_index(table->columns, i))->name);
    return names;
}

QVector<RowSource::Kind> AccessTableReader::columnKinds() const {
    QVector<Kind> kinds;
    if (!m_handles)
        return kinds;
    const MdbTableDef* table = m_handles->table;
    for (unsigned i = 0; i < table->num_cols; ++i)
        kinds << kindOf(static_cast<MdbColumn*>(g_ptr_array_index(table->columns, i))->col_type);
    return kinds;
}

qint64 AccessTableReader::declaredRowCount() const {
    return m_handles ? qint64(m_handles->table->num_rows) : 0;
}

bool AccessTableReader::next(QVector<QVariant>* row) {
    if (!m_handles)
        return false;
    MdbTableDef* table = m_handles->table;
    MdbHandle* mdb = m_handles->mdb;
    const QString tableName = QString::fromUtf8(table->name);
    if (!mdb_fetch_row(table)) {
        if (m_handles->rowsRead < qint64(table->num_rows))
            return fail(true, QStringLiteral("only %1 of the %2 lines of %3 can be read")
                                  .arg(m_handles->rowsRead)
                                  .arg(table->num_rows)
                                  .arg(tableName));
        return false;
    }
    ++m_handles->rowsRead;
    // mdb_fetch_row hands values out only as texts and tells a null text from
    // an empty one nowhere, so the row it stopped on (still in the page
    // buffer) is taken apart again here.
    int start = 0;
    size_t size = 0;
    if (mdb_find_row(mdb, int(table->cur_row) - 1, &start, &size) != 0)
        return fail(true, QStringLiteral("a row of %1 cannot be read").arg(tableName));
    MdbField* fields = m_handles->fields.data();
    const int count = mdb_crack_row(table, start & 0x1fff, size, fields);
    if (count < int(table->num_cols))
        return fail(true, QStringLiteral("a row of %1 is damaged").arg(tableName));
    row->fill(QVariant(), int(table->num_cols));
    for (unsigned i = 0; i < table->num_cols; ++i) {
        const MdbField& field = fields[i];
        if (field.colnum < 0 || unsigned(field.colnum) >= table->num_cols)
            return fail(true, QStringLiteral("a row of %1 is damaged").arg(tableName));
        auto* column = static_cast<MdbColumn*>(g_ptr_array_index(table->columns, field.colnum));
        QVariant& value = (*row)[field.colnum];
        if (column->col_type == MDB_BOOL) {
            // A yes/no value lives in the null mask: a set bit reads "not null" and means yes.
            value = !field.is_null;
            continue;
        }
        if (field.is_null)
            continue;
        if (!fieldInPage(mdb, column, field))
            return fail(true, QStringLiteral("a value in column %1 of %2 is damaged")
                                  .arg(QString::fromUtf8(column->name), tableName));
        const auto* bytes = mdb->pg_buf + field.start;
        switch (column->col_type) {
        case MDB_BYTE:
            value = int(bytes[0]);
            break;
        case MDB_INT:
            value = int(readLittleEndian<qint16>(bytes));
            break;
        case MDB_LONGINT:
            value = int(readLittleEndian<qint32>(bytes));
            break;
        case MDB_MONEY:
            value = QVariant::fromValue(Currency::fromUnits(readLittleEndian<qint64>(bytes)));
            break;
        case MDB_DATETIME:
            value = datePart(readLittleEndian<double>(bytes));
            break;
        case MDB_FLOAT:
            value = double(readLittleEndian<float>(bytes));
            break;
        case MDB_DOUBLE:
            value = readLittleEndian<double>(bytes);
            break;
        case MDB_TEXT:
        case MDB_MEMO:
            if (!readText(mdb, column, field, m_handles->fileSize, &value))
                return fail(true, QStringLiteral("a text in column %1 of %2 is damaged")
                                      .arg(QString::fromUtf8(column->name), tableName));
            break;
        default:
            break; // OLE objects, binaries and replication ids are not read
        }
    }
    return true;
}
