#include "import/ZipArchive.h"

#include "import/SheetCells.h"

#include <QFile>
#include <zip.h>

ZipArchive::~ZipArchive() {
    if (m_zip)
        zip_discard(m_zip);
}

bool isCompoundFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) &&
           file.read(8) == QByteArray("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8);
}

bool ZipArchive::open(const QString& path, QString* reason) {
    int code = 0;
    m_zip = zip_open(QFile::encodeName(path).constData(), ZIP_RDONLY | ZIP_CHECKCONS, &code);
    if (!m_zip) {
        if (isCompoundFile(path)) {
            *reason =
                QStringLiteral("it is password-protected, or a workbook of another format under this name");
        } else if (code == ZIP_ER_NOZIP) {
            *reason = QStringLiteral("it is not a spreadsheet of this format (no zip archive)");
        } else {
            zip_error_t error;
            zip_error_init_with_code(&error, code);
            *reason = QStringLiteral("it is damaged (%1)").arg(QString::fromUtf8(zip_error_strerror(&error)));
            zip_error_fini(&error);
        }
        return false;
    }
    if (zip_get_num_entries(m_zip, 0) > SheetLimits::MaxZipEntries) {
        *reason = QStringLiteral("its archive holds more than %1 members").arg(SheetLimits::MaxZipEntries);
        return false;
    }
    return true;
}

bool ZipArchive::has(const QString& name) const {
    return m_zip && zip_name_locate(m_zip, name.toUtf8().constData(), 0) >= 0;
}

bool ZipArchive::read(const QString& name, QByteArray* out, QString* reason) {
    out->clear();
    const zip_int64_t index = zip_name_locate(m_zip, name.toUtf8().constData(), 0);
    zip_stat_t stat;
    if (index < 0 || zip_stat_index(m_zip, zip_uint64_t(index), 0, &stat) != 0) {
        *reason = QStringLiteral("its part %1 is missing").arg(name);
        return false;
    }
    if ((stat.valid & ZIP_STAT_ENCRYPTION_METHOD) && stat.encryption_method != ZIP_EM_NONE) {
        *reason = QStringLiteral("it is password-protected");
        return false;
    }
    const QString tooLarge =
        QStringLiteral("it unpacks to more than %1 MB").arg(SheetLimits::MaxBytes / (1024 * 1024));
    const qint64 left = SheetLimits::MaxBytes - m_unpacked;
    if ((stat.valid & ZIP_STAT_SIZE) && stat.size > zip_uint64_t(left)) {
        *reason = tooLarge;
        return false;
    }
    zip_file_t* file = zip_fopen_index(m_zip, zip_uint64_t(index), 0);
    if (!file) {
        *reason = QStringLiteral("its part %1 cannot be read (%2)")
                      .arg(name, QString::fromUtf8(zip_strerror(m_zip)));
        return false;
    }
    // The declared size is the archive's word only: count what comes out.
    constexpr qint64 Chunk = 1 << 16;
    for (;;) {
        const qsizetype at = out->size();
        if (at > left) {
            zip_fclose(file);
            out->clear();
            *reason = tooLarge;
            return false;
        }
        out->resize(at + Chunk);
        const zip_int64_t got = zip_fread(file, out->data() + at, Chunk);
        if (got < 0) {
            *reason = QStringLiteral("it is damaged (%1)").arg(QString::fromUtf8(zip_file_strerror(file)));
            zip_fclose(file);
            out->clear();
            return false;
        }
        out->resize(at + got);
        if (got == 0)
            break;
    }
    zip_fclose(file);
    m_unpacked += out->size();
    return true;
}
