#pragma once
// The daily copy of a server register: at the first start of a day on any
// of the shop's computers (ServerBackupDay decides which), the register is
// written into backups/server-YYYY-MM-DD/ of that program's application
// directory as a complete application folder of its own: db1.mdb, a file
// register of the current layout with every line, its key and the key
// sequence's position, and the side files the clerks share (pick lists,
// Company.txt, pictures/), written by the caller's SideFiles. Starting the
// program in a copy of that folder shows the register as it was that day;
// register_server move from it brings it back into an empty server register.
//
// Everything is read in one read-only REPEATABLE READ transaction on a
// session of the backup's own, so lines, lists and photos belong to one
// moment and no clerk's store waits for the backup (it holds no lock a store
// takes). The copy is written under the name server-YYYY-MM-DD.part, checked
// (the engine's full check of db1.mdb; its line count, received pieces and
// money against the same snapshot; the side files' own check) and only then
// renamed; a failed copy is removed and the day's claim rolled back, so a
// later start tries again. The newest 14 copies are kept.
//
// It runs on a worker thread at a lower priority; the window learns only of
// a failure, through finished().

#include <QDate>
#include <QObject>
#include <QString>
#include <atomic>
#include <functional>
#include <memory>
#include <thread>

class Engine;

class ServerBackup : public QObject {
    Q_OBJECT
  public:
    // Writes and checks what the register shares besides its lines, read
    // through the snapshot, into an application folder.
    class SideFiles {
      public:
        virtual ~SideFiles() = default;
        // False, with error set, fails the backup; cancel set asks to stop.
        virtual bool write(Engine& snapshot, const QString& folder, const std::atomic<bool>& cancel,
                           QString* error) = 0;
        // What folder holds against the snapshot, read anew from the disk.
        virtual bool check(Engine& snapshot, const QString& folder, QString* error) = 0;
    };

    struct Result {
        bool made = false; // a copy was due here and attempted
        bool ok = false;   // not made, or made and kept
        QString message;   // for the user: why it failed
        QString path;      // the copy kept
    };

    // Called with the .part folder once it is written, before its check
    // (tests damage it there).
    using BeforeCheck = std::function<void(const QString& partFolder)>;

    explicit ServerBackup(std::shared_ptr<SideFiles> sideFiles, QObject* parent = nullptr);
    // Stops a copy under way (it is removed, the day left unclaimed) and
    // waits for its thread.
    ~ServerBackup() override;

    static QString folderName(QDate day);
    static QString pathFor(const QString& appDir, QDate day);

    // Claims the day on the register server names, and when it is ours,
    // copies, checks and rotates, on the calling thread.
    static Result run(const QString& appDir, const QString& server, QDate day, SideFiles& sideFiles,
                      const std::atomic<bool>& cancel, const BeforeCheck& beforeCheck = {});

    // The same on a worker thread, delayMs after the call (so that it does not
    // compete with the window's first paint); finished() arrives on this
    // object's thread, also when no copy was due.
    void start(const QString& appDir, const QString& server, QDate day, int delayMs = 0);

  signals:
    void finished(bool made, bool ok, const QString& message);

  private:
    std::shared_ptr<SideFiles> m_sideFiles;
    std::atomic<bool> m_cancel{false};
    std::thread m_worker;
};
