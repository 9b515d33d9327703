// Sets up a PostgreSQL register for several clerks, from the application
// directory's server setting db1.conninfo (a libpq connection string):
//
//   register_server create FOLDER   makes the database (when the server lacks
//                                   it) and Table1 with its indexes, marked
//                                   with this program's register version
//   register_server move FOLDER     copies the lines of FOLDER/db1.mdb into
//                                   the server's empty Table1, and the pick
//                                   lists, company name and pictures/ into
//                                   its shared tables; checks line count,
//                                   sums and what the tables read back, and
//                                   only then commits;
//                                   both registers are brought to this
//                                   program's version as they are opened
//   register_server clear-lists FOLDER
//                                   deletes the pick lists and company name
//                                   the server register holds, which keep
//                                   move from bringing the folder's own
//
// Exit status 0 on success; the reason on stderr otherwise.

#include "data/Database.h"
#include "data/Engine.h"
#include "data/PostgresEngine.h"
#include "data/RegisterTransfer.h"
#include "transfer/SideFilesMove.h"

#include <QCoreApplication>
#include <QDir>
#include <QTextStream>

namespace {

QTextStream& err() {
    static QTextStream stream(stderr);
    return stream;
}

int fail(const QString& message) {
    err() << "register_server: " << message << Qt::endl;
    return 1;
}

QString figures(const RegisterFigures& f) {
    return QStringLiteral("%1 lines, %2 received, money %3")
        .arg(f.lines)
        .arg(f.received)
        .arg(f.money.toString());
}

int create(const QString& folder, const QString& server) {
    bool created = false;
    QString error;
    if (!PostgresEngine::createRegister(server, &created, &error))
        return fail(error);
    QTextStream(stdout) << (created ? "Table1 created" : "Table1 was already there") << Qt::endl;
    Database check;
    return check.open(folder) ? 0 : fail(check.errorString());
}

int move(const QString& folder) {
    Database file;
    Database server;
    if (!file.openEmbedded(folder))
        return fail(QStringLiteral("%1: %2").arg(QDir(folder).filePath(QLatin1String(Database::FileName)),
                                                 file.errorString()));
    if (!server.open(folder))
        return fail(server.errorString());
    RegisterTransfer transfer;
    SideFilesMove sideFiles;
    const bool moved = transfer.copy(
        *file.engine(), *server.engine(),
        [](qint64 done) {
            err() << done << " lines\r" << Qt::flush;
            return true;
        },
        [&](Engine& to, QString* error) {
            const bool ok = sideFiles.run(folder, to);
            *error = sideFiles.errorString();
            return ok;
        });
    err() << Qt::endl;
    if (!moved)
        return fail(transfer.errorString());
    QTextStream(stdout) << "Moved and checked: " << figures(transfer.targetFigures()) << "; "
                        << sideFiles.summary() << Qt::endl;
    return 0;
}

int clearLists(const QString& folder) {
    Database server;
    if (!server.open(folder))
        return fail(server.errorString());
    QStringList cleared;
    QString error;
    if (!SideFilesMove::clearLists(*server.engine(), &cleared, &error))
        return fail(error);
    QTextStream(stdout) << (cleared.isEmpty() ? QStringLiteral("The server register holds no lists")
                                              : QStringLiteral("Deleted from the server register: ") +
                                                    cleared.join(QStringLiteral(", ")))
                        << Qt::endl;
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    const QStringList commands{QStringLiteral("create"), QStringLiteral("move"),
                               QStringLiteral("clear-lists")};
    if (args.size() != 3 || !commands.contains(args[1]))
        return fail(QStringLiteral("usage: register_server create|move|clear-lists FOLDER"));
    const QString folder = args[2];
    QString error;
    const QString server = Database::serverSetting(folder, &error);
    if (!error.isEmpty())
        return fail(error);
    if (server.isEmpty())
        return fail(QStringLiteral("%1 has no server setting %2")
                        .arg(QDir::toNativeSeparators(folder), QLatin1String(Database::ServerSettingName)));
    if (args[1] == QLatin1String("clear-lists"))
        return clearLists(folder);
    return args[1] == QLatin1String("create") ? create(folder, server) : move(folder);
}
