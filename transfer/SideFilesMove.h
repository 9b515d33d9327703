#pragma once
// Brings the side files of a file register's folder into a server register,
// as part of moving the register there: the pick lists and the company name
// into its shared texts, and every photo under "pictures" into its shared
// photos (PhotoStore's batch key: the folder name case-folded; the number:
// the file name without ".jpg", any case), each with its preview (the one
// beside it when it is the photo's own, else one made now). Runs inside the move's write
// transaction; then everything is read back and compared with what was read
// from the files, and any difference fails the move.
//
// The lists that move are those PickListTable marks so; any other *.txt file
// of the folder that reads as a list is named in the summary as left behind.
// Like the lines, the side files move only into a register that holds none
// yet; the lists in the way are named, with the way to clear them. A list
// file that cannot be read whole fails the move. What no photo path can reach
// is left in place and named in the summary: files not ending in ".jpg",
// folders below a batch folder, and a second file for the same batch and
// number in folders that differ only in case (the first in name order moves,
// as the file store finds it).

#include <QSet>
#include <QString>
#include <QStringList>

class Engine;

class SideFilesMove {
  public:
    bool run(const QString& folder, Engine& server);
    // The side files of pick lists and company name that move with the
    // lines (PickListTable), without ".txt".
    static QStringList listNames();
    // Deletes the server register's lists and company name, which keep the
    // lists of a folder from moving; cleared gets the names of those there were.
    static bool clearLists(Engine& server, QStringList* cleared, QString* error);
    QString errorString() const { return m_error; }
    // "4 lists, 12 photos (3.1 MB)" and what was left behind.
    QString summary() const;
    int lists() const { return m_lists; }
    qint64 photos() const { return m_photos; }
    QStringList leftBehind() const { return m_left; }
    // The *.txt files of the folder that read as a list but are no list of
    // PickListTable: not moved, and named in the summary.
    QStringList unknownLists() const { return m_unknownLists; }

  private:
    // Whether lists the folder holds are on the server already (or cannot be
    // looked for); m_error then says which, and how to clear them.
    bool listsInTheWay(const QString& folder, Engine& server);
    bool moveLists(const QString& folder, Engine& server);
    bool movePhotos(const QString& folder, Engine& server);
    bool movePhotoFolder(const QString& path, const QString& batch, Engine& server);
    // The photo's preview: the file register's own, or made now.
    QByteArray previewOf(const QString& photoFile, const QByteArray& photo);

    QString m_error;
    int m_lists = 0;
    qint64 m_photos = 0;
    qint64 m_bytes = 0;
    QStringList m_left; // paths relative to the folder
    QStringList m_unknownLists;
    QSet<QString> m_keys; // batch key "/" number of the photos moved
    QString m_root;
};
