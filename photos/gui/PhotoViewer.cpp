#include "photos/gui/PhotoViewer.h"

#include "data/OrderTable.h"
#include "lists/gui/BatchChooser.h"
#include "photos/JpegDecoder.h"
#include "photos/PhotoPath.h"
#include "photos/PhotoPictures.h"
#include "photos/PhotoPreview.h"
#include "photos/PhotoStore.h"
#include "photos/gui/PhotoArea.h"
#include "ui/Dialogs.h"

#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QPixmap>
#include <QSaveFile>

#include <future>
#include <thread>

static constexpr OrderColumns::Index PhotoColumn = OrderColumns::Photo;

PhotoViewer::PhotoViewer(PhotoArea* area, QComboBox* batchChooser, OrderTable& table, Dialogs& dialogs,
                         const QString& appDir, PhotoStore& store, int& nextPhotoNumber, QObject* parent)
    : QObject(parent), m_area(area), m_batchChooser(batchChooser), m_table(table), m_dialogs(dialogs),
      m_appDir(appDir), m_store(store), m_nextPhotoNumber(nextPhotoNumber) {
    // A reading of the view (F5, Recalculate, a filter) looks at the disk again.
    connect(&m_table, &OrderTable::viewRead, this, [this] { m_shown.clear(); });
    connect(&m_table, &OrderTable::stateChanged, this, &PhotoViewer::followState);
}

void PhotoViewer::followState(TableState state) {
    const bool settled =
        state == TableState::Browse && (m_lastState == TableState::Insert || m_lastState == TableState::Edit);
    m_lastState = state;
    if (!settled || m_settling)
        return;
    // Until the step that stored (or cancelled) the line ends.
    m_settling = true;
    QMetaObject::invokeMethod(
        this, [this] { m_settling = false; }, Qt::QueuedConnection);
}

QString PhotoViewer::fileFilter() {
    // Qt takes the last parenthesised list as the patterns.
    return QStringLiteral("Image (*.jpg *.jpeg) (*.jpg *.jpeg *.JPG *.JPEG)");
}

QString PhotoViewer::batchText() const {
    return BatchChooser::shownBatch(m_batchChooser);
}

PhotoPath PhotoViewer::currentPath() const {
    // A new line is stored under the key reserved for it, and that is its
    // photo number too: its photo is looked for there from the start, so the
    // store finds the answer already known.
    QString number = m_table.asString(PhotoColumn);
    if (number.isEmpty() && m_table.state() == TableState::Insert)
        number = QString::number(m_table.pendingKey());
    return PhotoPath(m_appDir, batchText(), number);
}

QString PhotoViewer::photoFile() const {
    return currentPath().file();
}

QString PhotoViewer::photoFileToDelete() {
    if (refusesPath())
        return {};
    const PhotoStore::Found found = m_store.find(currentPath());
    if (!found.error.isEmpty())
        m_dialogs.standardError(found.error);
    return found.file;
}

OrderTable::StoreQuestion PhotoViewer::storeQuestion() {
    if (!m_store.onServer())
        return {};
    const PhotoPath current = currentPath();
    if (!current.isUsable())
        return {};
    OrderTable::StoreQuestion question = m_store.versionQuestion(current);
    if (question.expression.isEmpty())
        return question;
    // An answer not taken by the store's own show is dropped before the
    // program waits for the user again: it would grow old.
    question.answered = [this, took = std::move(question.answered)](const EngineRow& answer, int column) {
        took(answer, column);
        QMetaObject::invokeMethod(
            this, [this] { m_store.dropAnswer(); }, Qt::QueuedConnection);
    };
    return question;
}

void PhotoViewer::deletePhoto(const QString& file) {
    m_shown.clear();
    QString error;
    if (!m_store.remove(file, &error))
        m_dialogs.standardError(error);
}

bool PhotoViewer::refusesPath() const {
    const PhotoPath current = currentPath();
    if (current.isUsable())
        return false;
    m_dialogs.standardError(current.refusal());
    return true;
}

void PhotoViewer::reportOnce(const QString& failure, const QString& message) {
    // One action shows its line several times (a store, the return to the
    // line, ...): the user hears of a failure once, not once per show.
    if (failure == m_reportedFailure)
        return;
    m_reportedFailure = failure;
    m_dialogs.standardError(message);
}

QString PhotoViewer::photoFolder() const {
    return PhotoPath(m_appDir, batchText(), QString()).folder();
}

void PhotoViewer::setPicture(const QPixmap& picture, int width) {
    m_area->setFixedWidth(width);
    m_area->setPixmap(picture);
}

void PhotoViewer::showPhoto(bool enabled) {
    if (!enabled) {
        m_shown.clear();
        const QPixmap disabled = PhotoPictures::photoDisabled();
        setPicture(disabled, disabled.width());
        m_reportedFailure.clear();
        return;
    }
    // Other file work of the window expects the application directory to be
    // the working directory after a show.
    QDir::setCurrent(m_appDir);
    const PhotoPath current = currentPath();
    // The line just stored (or cancelled) shows the photo it showed while
    // it was pending: the folders are not looked at again. A server
    // register asks the server, whose answer the store already carries.
    const QString shownKey = current.batch() + QLatin1Char('\n') + current.photoText();
    if (m_settling && !m_store.onServer() && m_shown == shownKey)
        return;
    m_shown.clear();
    const PhotoStore::Found found = current.isUsable() ? m_store.find(current) : PhotoStore::Found();
    if (!found.error.isEmpty()) {
        // The no-photo picture would say that there is none.
        if (found.stored)
            setPicture(QPixmap(), PhotoPictures::noPhoto().width());
        reportOnce(found.error, found.error);
        return;
    }
    const QString path = found.shown;
    if (path.isEmpty()) {
        const QPixmap noPhoto = PhotoPictures::noPhoto();
        setPicture(noPhoto, noPhoto.width());
        if (current.isUsable()) {
            m_reportedFailure.clear();
            m_shown = shownKey;
        } else {
            reportOnce(current.refusal(), current.refusal());
        }
        return;
    }
    JpegDecoder decoder;
    if (!decoder.decodeFile(path, PhotoArea::Height)) {
        reportOnce(path + QLatin1Char('\n') + decoder.errorString(), decoder.errorString());
        return;
    }
    setPicture(QPixmap::fromImage(decoder.picture()), decoder.displayWidth());
    m_reportedFailure.clear();
    m_shown = shownKey;
    m_store.makePreviewAside(current, found);
}

void PhotoViewer::enlarge() {
    if (refusesPath())
        return;
    const PhotoStore::Found found = m_store.openable(currentPath());
    if (!found.error.isEmpty())
        m_dialogs.standardError(found.error);
    else if (!found.file.isEmpty() && !m_dialogs.openWithDesktop(found.file))
        m_dialogs.information(notOpenedMessage(found.file));
}

void PhotoViewer::attach(bool showEnabled) {
    m_shown.clear();
    if (refusesPath())
        return;
    const QString chosen = m_dialogs.openFile(QStringLiteral("Open"), fileFilter());
    if (chosen.isEmpty())
        return;
    // Only a file that decodes replaces the photo: a picture of another kind
    // named .jpg, or an empty file, would otherwise take the place of a good
    // photo while the old picture stays on screen. What was decoded is what
    // is written, even if the chosen file changes meanwhile.
    const qint64 size = QFileInfo(chosen).size();
    if (size > PhotoStore::LargestPhotoBytes) {
        m_dialogs.standardError(tooLarge(chosen, size));
        showPhoto(showEnabled);
        return;
    }
    const std::shared_ptr<Decoded> decoded = decodeAside(chosen);
    if (!decoded) {
        showPhoto(showEnabled); // given up: nothing was attached
        return;
    }
    const JpegDecoder& decoder = decoded->decoder;
    if (!decoder.ok()) {
        QString reason = decoder.errorString();
        if (!reason.endsWith(QLatin1Char('.')))
            reason += QLatin1Char('.');
        m_dialogs.standardError(QStringLiteral("%1 No photo was attached from \"%2\".")
                                    .arg(reason, QDir::toNativeSeparators(chosen)));
        showPhoto(showEnabled); // what is stored, as after any attach
        return;
    }
    const QByteArray photo = decoder.fileBytes();
    if (photo.size() > PhotoStore::LargestPhotoBytes) { // grown since it was looked at
        m_dialogs.standardError(tooLarge(chosen, photo.size()));
        showPhoto(showEnabled);
        return;
    }
    // A new line has no position yet; its bookmark is empty.
    const QString position = m_table.bookmark();
    // The number names a file outside the register: it is kept on disk
    // before the file is, so no later line can be given it again.
    bool fresh = false;
    if (!choosePhotoNumber(&fresh) || !m_table.keepKeys())
        return;

    const PhotoPath target(m_appDir, batchText(), QString::number(m_nextPhotoNumber));
    QString error;
    const bool copied = m_store.store(target, photo, decoded->preview, &error);
    if (copied)
        m_reportedFailure.clear(); // a new file: what it holds is news, even under the old name
    else
        m_dialogs.standardError(error); // the photo that was there stays, the line is unchanged
    if (copied && !setPhotoNumber(m_nextPhotoNumber)) {
        // The store was refused or failed, which has told the user; a photo
        // under a number no line holds would stay behind unused.
        if (fresh && !m_store.discard(target, &error))
            m_dialogs.standardError(error);
        return;
    }

    showPhoto(showEnabled);
    if (!position.isEmpty())
        m_table.gotoBookmark(position);
}

std::shared_ptr<PhotoViewer::Decoded> PhotoViewer::decodeAside(const QString& file) {
    // The thread owns the result with this function, so a decode given up
    // may end after the step without touching what it left. The preview is
    // made there too, from the very bytes that decoded.
    auto decoded = std::make_shared<Decoded>();
    std::promise<void> done;
    std::future<void> finished = done.get_future();
    std::thread([decoded, file, done = std::move(done)]() mutable {
        if (decoded->decoder.decodeFile(file, PhotoArea::Height)) {
            QString ignored; // what decoded for the show decodes again here
            decoded->preview = PhotoPreview::make(decoded->decoder.fileBytes(), &ignored);
        }
        done.set_value();
    }).detach();
    QElapsedTimer clock;
    clock.start();
    std::unique_ptr<ProgressReport> box;
    while (finished.wait_for(std::chrono::milliseconds(AskEveryMs)) != std::future_status::ready) {
        if (clock.elapsed() < ShowWaitAfterMs)
            continue;
        if (!box)
            box = m_dialogs.waiting(readingLabel(file));
        if (!box->update(clock.elapsed()))
            return nullptr;
    }
    return decoded;
}

QString PhotoViewer::readingLabel(const QString& file) {
    return QStringLiteral("Reading the photo \"%1\".\nGive up attaches nothing.")
        .arg(QDir::toNativeSeparators(file));
}

QString PhotoViewer::notOpenedMessage(const QString& file) {
    const QString shown = QDir::toNativeSeparators(file);
    if (!QFileInfo::exists(file))
        return QStringLiteral("This line has no photo: there is no file\r\n%1").arg(shown);
    return QStringLiteral("The photo is\r\n%1\r\nbut no program could open it. Please open it with a picture "
                          "viewer.")
        .arg(shown);
}

QString PhotoViewer::tooLarge(const QString& file, qint64 bytes) {
    const auto megabytes = [](qint64 n) { return QString::number(double(n) / (1024 * 1024), 'f', 1); };
    return QStringLiteral(
               "The photo is larger than %1 MB: \"%2\" holds %3 MB. No photo was attached from \"%2\".")
        .arg(megabytes(PhotoStore::LargestPhotoBytes).chopped(2), QDir::toNativeSeparators(file),
             megabytes(bytes));
}

bool PhotoViewer::choosePhotoNumber(bool* fresh) {
    // A new line is stored under the key reserved for it, and that is its
    // photo number too.
    if (m_table.state() == TableState::Insert) {
        m_nextPhotoNumber = m_table.pendingKey();
        return true;
    }
    m_nextPhotoNumber = m_table.asInteger(PhotoColumn);
    if (m_nextPhotoNumber != 0)
        return true;
    // Lines without a photo number would all share "0.jpg": this one gets a
    // number of its own from the key sequence, which no line can ever get.
    qint32 number = 0;
    if (!m_table.reserveKey(&number))
        return false;
    m_nextPhotoNumber = number;
    *fresh = true;
    return true;
}

bool PhotoViewer::setPhotoNumber(int number) {
    const TableState state = m_table.state();
    if (state == TableState::Edit || state == TableState::Insert) {
        m_table.setValue(PhotoColumn, number);
        return true; // stays pending
    }
    return m_table.edit() && m_table.setValue(PhotoColumn, number) && m_table.post();
}
