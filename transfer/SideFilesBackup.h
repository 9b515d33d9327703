#pragma once
// The side files of a server register's daily copy (ServerBackup): the
// shared pick lists and company name as the files a file register keeps
// (Articles.txt ... Company.txt), and every photo as
// pictures/<batch>/<number>.jpg, the batch as the server keys it (the file
// store finds folders whatever their case). A photo whose batch or number
// can name no file (PhotoPath's rule) is left out and counted, since no line
// can reach it either. The check reads the folder anew from the disk: every
// list as stored, and the files under pictures against the snapshot's photo
// count and bytes.
//
// What the server keeps of one photo becomes the files PhotoFiles lists, so
// a further file per photo (a preview) is one more entry there.

#include "data/ServerBackup.h"

class SideFilesBackup : public ServerBackup::SideFiles {
  public:
    bool write(Engine& snapshot, const QString& folder, const std::atomic<bool>& cancel,
               QString* error) override;
    bool check(Engine& snapshot, const QString& folder, QString* error) override;

    qint64 photos() const { return m_photos; }
    qint64 leftOut() const { return m_leftOut; }

  private:
    bool writeLists(Engine& snapshot, const QString& folder, QString* error);
    bool writePhotos(Engine& snapshot, const QString& folder, const std::atomic<bool>& cancel,
                     QString* error);

    qint64 m_photos = 0;
    qint64 m_leftOut = 0;
    qint64 m_leftOutBytes = 0;
};
