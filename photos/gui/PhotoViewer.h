#pragma once
// Shows the current line's photo in the photo area and runs the area's two
// clicks: enlarge (the desktop opens the file) and attach (a chosen JPEG is
// copied into the store under the line's photo number).
//
// The window owns this object and hands it what it needs: the photo area, the
// batch chooser (its text names the batch folder), the order table, the
// dialogs, the application directory, the photo store (files, or a server's
// photos) and the window's next photo number, which attaching reads and
// overwrites. Every show reads and decodes the file again, since other
// programs may change the store (a server's photo comes from a local copy
// once the server has said it is still the stored one).
// Called on the GUI thread only.

#include "data/OrderTable.h"

#include "photos/JpegDecoder.h"

#include <QObject>
#include <QString>

#include <memory>

class Dialogs;
class PhotoPath;
class OrderTable;
class PhotoArea;
class PhotoStore;
class QComboBox;
class QPixmap;

class PhotoViewer : public QObject {
    Q_OBJECT
  public:
    PhotoViewer(PhotoArea* area, QComboBox* batchChooser, OrderTable& table, Dialogs& dialogs,
                const QString& appDir, PhotoStore& store, int& nextPhotoNumber, QObject* parent = nullptr);

    // The open-file dialog's filter: the label names both endings, the
    // patterns also list the upper-case names cameras write.
    static QString fileFilter();

    // The photo-disabled picture when not enabled; otherwise the current
    // line's photo 185 pixels high, or the no-photo picture when there is no
    // file. A file that cannot be decoded is reported in the standard error
    // box and the area keeps its picture and width; showing the same failure
    // again, with no other picture shown in between, reports nothing. On the
    // file register the show in the step that stores (or cancels) a line
    // does not look at the disk when the line's photo is the one shown last,
    // unless a photo was attached or deleted or the view read anew since: a
    // store shows its line without looking into its photo folder.
    void showPhoto(bool enabled);
    // Image1Click: the desktop opens the current line's photo path, whether
    // or not the file exists; when no program opens it, a box says where the
    // photo is (or would be).
    void enlarge();
    static QString notOpenedMessage(const QString& file);
    // The waiting box's text while a chosen photo is read.
    static QString readingLabel(const QString& file);
    // Image1ContextPopup: pick a JPEG, copy it into the store, set the line's
    // photo number (stored at once for a browsing line), show it, and return
    // to the line. showEnabled is the state of "Show Picture".
    void attach(bool showEnabled);

    // Absolute photo file and batch folder of the current line, as the batch
    // chooser and the photo field name them; empty when the batch names no
    // folder (PhotoPath). Show, enlarge and attach say so instead of acting.
    QString photoFile() const;
    QString photoFolder() const;
    // The local file of the line's photo for deleting it with its line, empty
    // when there is none; when the batch names no folder, empty text after
    // the message saying so.
    QString photoFileToDelete();
    // Deletes the photo whose file photoFileToDelete() gave.
    void deletePhoto(const QString& file);
    // The question for the current line's photo that its store carries, so
    // that the show after the store need not ask the server again.
    OrderTable::StoreQuestion storeQuestion();

  private:
    QString batchText() const;
    PhotoPath currentPath() const;
    // Shows why the current line has no photo path; false when it has one.
    bool refusesPath() const;
    // Reports the failure unless it was the last one reported.
    void reportOnce(const QString& failure, const QString& message);
    void setPicture(const QPixmap& picture, int width);
    void followState(TableState state);
    // The number the attached photo is stored under; fresh when no line held
    // it before. False when none could be reserved (the engine's error was shown).
    bool choosePhotoNumber(bool* fresh);
    bool setPhotoNumber(int number);
    // Decodes the chosen file and makes its preview on a thread of its own, so that a large photo
    // never freezes the window; after half a second the waiting box offers
    // to give up, which gives nothing back (the thread ends on its own).
    struct Decoded {
        JpegDecoder decoder;
        QByteArray preview; // made from the bytes that decoded
    };
    std::shared_ptr<Decoded> decodeAside(const QString& file);
    static constexpr int AskEveryMs = 50;
    static constexpr qint64 ShowWaitAfterMs = 500;
    // Why a file of this many bytes is not attached.
    static QString tooLarge(const QString& file, qint64 bytes);

    PhotoArea* m_area;
    QComboBox* m_batchChooser;
    OrderTable& m_table;
    Dialogs& m_dialogs;
    QString m_appDir;
    PhotoStore& m_store;
    int& m_nextPhotoNumber;
    // The file and the decoder's message last reported; empty once a picture
    // was shown.
    QString m_reportedFailure;
    // Batch and photo number of the photo on screen, as the file register
    // last found it on the disk; empty when it is to be looked at again
    // (nothing shown yet, a failure, an attach or delete, a reading of the view).
    QString m_shown;
    // Within the step in which a pending line became a browsed one.
    bool m_settling = false;
    TableState m_lastState = TableState::Inactive;
};
