#include "photos/PhotoViewer.h"

#include "ui/Dialogs.h"
#include "data/OrderTable.h"
#include "photos/JpegDecoder.h"
#include "photos/PhotoArea.h"
#include "photos/PhotoPath.h"
#include "photos/PhotoPictures.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPixmap>
#include <QSaveFile>

static const QString PhotoColumn = QStringLiteral("photo");

PhotoViewer::PhotoViewer(PhotoArea* area, QComboBox* batchChooser, OrderTable& table, Dialogs& dialogs,
                         const QString& appDir, int& nextPhotoNumber, QObject* parent)
    : QObject(parent), m_area(area), m_batchChooser(batchChooser), m_table(table), m_dialogs(dialogs),
      m_appDir(appDir), m_nextPhotoNumber(nextPhotoNumber)
{
}

QString PhotoViewer::fileFilter()
{
    // Qt takes the last parenthesised list as the patterns.
    return QStringLiteral("Image (*.jpg *.jpeg) (*.jpg *.jpeg *.JPG *.JPEG)");
}

QString PhotoViewer::batchText() const
{
    // Nothing selected (an empty batch list) reads as empty text.
    return m_batchChooser->currentIndex() < 0 ? QString() : m_batchChooser->currentText();
}

QString PhotoViewer::photoFile() const
{
    return PhotoPath(m_appDir, batchText(), m_table.asString(PhotoColumn)).file();
}

QString PhotoViewer::photoFolder() const
{
    return PhotoPath(m_appDir, batchText(), QString()).folder();
}

void PhotoViewer::setPicture(const QPixmap& picture, int width)
{
    m_area->setFixedWidth(width);
    m_area->setPixmap(picture);
}

void PhotoViewer::showPhoto(bool enabled)
{
    if (!enabled) {
        const QPixmap disabled = PhotoPictures::photoDisabled();
        setPicture(disabled, disabled.width());
        return;
    }
    // Other file work of the window expects the application directory to be
    // the working directory after a show.
    QDir::setCurrent(m_appDir);
    const QString path = photoFile();
    if (!QFileInfo(path).isFile()) {
        const QPixmap noPhoto = PhotoPictures::noPhoto();
        setPicture(noPhoto, noPhoto.width());
        return;
    }
    JpegDecoder decoder;
    if (!decoder.decodeFile(path, PhotoArea::Height)) {
        m_dialogs.standardError(decoder.errorString());
        return;
    }
    setPicture(QPixmap::fromImage(decoder.picture()), decoder.displayWidth());
}

void PhotoViewer::enlarge()
{
    m_dialogs.openWithDesktop(photoFile());
}

void PhotoViewer::attach(bool showEnabled)
{
    const QString chosen = m_dialogs.openFile(QStringLiteral("Open"), fileFilter());
    if (chosen.isEmpty())
        return;
    // A new line has no position yet; its bookmark is empty.
    const QString position = m_table.bookmark();
    if (m_table.state() != TableState::Insert)
        m_nextPhotoNumber = m_table.asInteger(PhotoColumn);

    const PhotoPath target(m_appDir, batchText(), QString::number(m_nextPhotoNumber));
    const bool copied = QDir().mkpath(target.folder()) && copyReplacing(chosen, target.file());
    if (copied && !setPhotoNumber(m_nextPhotoNumber))
        return; // the store was refused or failed; that has told the user

    showPhoto(showEnabled);
    if (!position.isEmpty())
        m_table.gotoBookmark(position);
}

bool PhotoViewer::setPhotoNumber(int number)
{
    const TableState state = m_table.state();
    if (state == TableState::Edit || state == TableState::Insert) {
        m_table.setValue(PhotoColumn, number);
        return true; // stays pending
    }
    return m_table.edit() && m_table.setValue(PhotoColumn, number) && m_table.post();
}

bool PhotoViewer::copyReplacing(const QString& source, const QString& target)
{
    QFile in(source);
    if (!in.open(QIODevice::ReadOnly))
        return false;
    QSaveFile out(target);
    if (!out.open(QIODevice::WriteOnly))
        return false;
    char buffer[64 * 1024];
    for (;;) {
        const qint64 n = in.read(buffer, sizeof buffer);
        if (n < 0) {
            out.cancelWriting();
            return false;
        }
        if (n == 0)
            break;
        if (out.write(buffer, n) != n) {
            out.cancelWriting();
            return false;
        }
    }
    return out.commit();
}
