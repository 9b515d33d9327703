#include "photos/CaseBlindNames.h"

#include <QDir>
#include <QFile>
#include <QHash>
#include <QMutex>
#include <chrono>
#include <filesystem>

namespace CaseBlindNames {
namespace {

using Clock = std::filesystem::file_time_type::clock;
using Time = std::filesystem::file_time_type;

// FAT keeps modification times in steps of two seconds.
constexpr auto CoarsestStep = std::chrono::seconds(2);
// Folders kept at most: a user moves between a few batches at a time.
constexpr int KeptFolders = 32;

struct Listing {
    Time modified;
    bool trusted = false;
    QHash<QString, QString> byFolded; // case-folded name -> the first entry with it
};

QMutex mutex;
QHash<QString, Listing> listings;

bool modificationTime(const QString& folder, Time* time) {
    std::error_code error;
    *time = std::filesystem::last_write_time(std::filesystem::path(QFile::encodeName(folder).toStdString()),
                                             error);
    return !error;
}

Listing list(const QString& folder, Time modified) {
    Listing listing;
    listing.modified = modified;
    listing.trusted = Clock::now() - modified > CoarsestStep;
    const QStringList entries = QDir(folder).entryList(
        QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System, QDir::Name);
    for (const QString& entry : entries) {
        const QString folded = entry.toCaseFolded();
        if (!listing.byFolded.contains(folded))
            listing.byFolded.insert(folded, entry);
    }
    return listing;
}

} // namespace

QString find(const QString& folder, const QString& name) {
    Time modified;
    if (!modificationTime(folder, &modified))
        return {};
    const QMutexLocker lock(&mutex);
    auto kept = listings.find(folder);
    if (kept == listings.end() || !kept->trusted || kept->modified != modified) {
        if (listings.size() >= KeptFolders)
            listings.clear();
        kept = listings.insert(folder, list(folder, modified));
    }
    return kept->byFolded.value(name.toCaseFolded());
}

} // namespace CaseBlindNames
