#include "bench/RegisterGenerator.h"

#include "data/Database.h"
#include "data/OrderColumns.h"

#include <QDate>
#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <QSet>
#include <cmath>
#include <sqlite3.h>
#include <string>
#include <vector>

namespace {

// splitmix64: tiny, fast, and the same sequence on every platform.
class Random {
  public:
    explicit Random(quint64 seed) : m_state(seed) {}
    quint64 next() {
        quint64 z = (m_state += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    double unit() { return double(next() >> 11) * (1.0 / 9007199254740992.0); } // [0, 1)
    qint64 range(qint64 low, qint64 high) { return low + qint64(next() % quint64(high - low + 1)); }
    bool chance(double p) { return unit() < p; }

  private:
    quint64 m_state;
};

// Picks an index with probability proportional to its weight.
class WeightedPick {
  public:
    explicit WeightedPick(const std::vector<double>& weights) {
        double total = 0;
        for (double w : weights)
            m_cumulative.push_back(total += w);
        for (double& c : m_cumulative)
            c /= total;
    }
    int pick(Random& random) const {
        const double u = random.unit();
        const auto it = std::upper_bound(m_cumulative.begin(), m_cumulative.end(), u);
        return it == m_cumulative.end() ? int(m_cumulative.size()) - 1 : int(it - m_cumulative.begin());
    }

  private:
    std::vector<double> m_cumulative;
};

// Zipf-Mandelbrot weights 1 / (rank + q)^s for ranks 1..n.
std::vector<double> zipf(int n, double q, double s) {
    std::vector<double> weights;
    for (int rank = 1; rank <= n; ++rank)
        weights.push_back(1.0 / std::pow(rank + q, s));
    return weights;
}

struct BatchInfo {
    const char* name;
    int year, month, day; // first day the batch was entered
};

// In date order: keys are handed out in this order, so key order is date order.
const BatchInfo kBatches[] = {
    {"21-01A", 2021, 1, 11}, {"21-03B", 2021, 3, 8},   {"ИСТ-4", 2021, 4, 12},  {"05/21", 2021, 5, 17},
    {"21-07A", 2021, 7, 5},  {"ИСТ-8", 2021, 8, 16},   {"21-09B", 2021, 9, 13}, {"10/21", 2021, 10, 18},
    {"21-12A", 2021, 12, 6}, {"02/22", 2022, 2, 7},    {"03/22", 2022, 3, 14},  {"ИСТ-12", 2022, 4, 11},
    {"22-05A", 2022, 5, 16}, {"06/22", 2022, 6, 13},   {"22-07B", 2022, 7, 11}, {"ИСТ-15", 2022, 8, 8},
    {"22-09B", 2022, 9, 12}, {"22-10A", 2022, 10, 17}, {"11/22", 2022, 11, 14}, {"ИСТ-19", 2023, 1, 9},
    {"23-02B", 2023, 2, 13}, {"03/23", 2023, 3, 13},   {"23-04A", 2023, 4, 17}, {"ИСТ-23", 2023, 5, 15},
    {"23-06B", 2023, 6, 12},
};
constexpr int kBatchCount = int(sizeof(kBatches) / sizeof(kBatches[0]));
constexpr int kBatchDays = 25; // days over which one batch's lines are entered

// Most frequent first: the order is the Zipf rank. D'Angelo Moda sits at rank 7 (~3.4%).
const char* const kSuppliers[] = {
    "Текстил ООД",       "Moda Bella",
    "Özdemir Tekstil",   "Мода Плюс",
    "Maison Lefèvre",    "Бисер Стил",
    "D'Angelo Moda",     "Çelik Konfeksiyon",
    "Пирин Текс",        "Atelier Gérard",
    "Родопа Трико",      "L'Étoile Paris",
    "Textil Yılmaz",     "Стил М",
    "O'Brien Knitwear",  "Ивана Мода",
    "Kaya Giyim",        "Д'Арт Мода",
    "Şahin Moda",        "Сияние ЕООД",
    "Boutique Hélène",   "Анна-Мария",
    "Trend Line Ltd",    "О'Кей Мода",
    "Fashion House",     "Вега Текс",
    "Denim Point",       "Жан'с Бутик",
    "Marco Polo Tex",    "Лотос 2000",
    "Anna's Collection", "Малвина",
    "Istanbul Jeans",    "Еделвайс",
    "Bella Donna",       "Мари'с Стил",
    "Côté Sud",          "Балкан Конфекция",
    "Venezia Style",     "Калина Трейд",
    "Kid's World",       "Ружа",
    "Demir Örme",        "Явор Текстил",
    "Grand Bazar",       "Здравец ЕТ",
    "Nova Textile",      "Петров и синове",
    "Petit Prince",      "Нешка Мода",
    "Aydın Tekstil",     "Хемус Трико",
    "Milano Moda",       "Черноморец",
    "Lara's Shop",       "Деница",
    "Euro Fashion",      "Рила Стил",
    "Göksu Giyim",       "Ясен Текс",
};

const char* const kGarments[] = {
    "Рокля",    "Блуза",   "Пола",     "Панталон", "Яке",       "Палто",    "Риза",     "Тениска",
    "Пуловер",  "Жилетка", "Клин",     "Шорти",    "Гащеризон", "Сако",     "Туника",   "Елек",
    "Бански",   "Пижама",  "Суитшърт", "Дънки",    "Dress",     "Blouse",   "Skirt",    "Trousers",
    "Jacket",   "Coat",    "Shirt",    "T-shirt",  "Sweater",   "Cardigan", "Leggings", "Shorts",
    "Jumpsuit", "Blazer",  "Tunic",    "Vest",     "Swimsuit",  "Pyjamas",  "Hoodie",   "Jeans",
};
constexpr int kArticleCount = 394;

const char* const kLabelStems[] = {
    "Lumière", "Nordica", "Bianca", "Verano",   "Ela",   "Роза",   "Вера",  "Елица", "Aurora", "Castello",
    "Fiore",   "Нели",    "Мила",   "Denim Co", "Urban", "Калина", "Полет", "Стела", "Marina", "Gloria",
};
const char* const kLabelSuffixes[] = {"", " Kids", " Sport", " Basic"};

const char* const kColours[] = {
    "черен",      "бял",      "червен",        "син",     "зелен",    "жълт",      "сив",    "кафяв",
    "бежов",      "розов",    "лилав",         "оранжев", "тъмносин", "светлосин", "бордо",  "екрю",
    "каки",       "мента",    "пепел от рози", "графит",  "black",    "white",     "red",    "navy",
    "green",      "yellow",   "grey",          "brown",   "beige",    "pink",      "purple", "orange",
    "denim blue", "sky blue", "burgundy",      "ivory",   "khaki",    "mint",      "cream",  "multicolour",
};

const char* const kSizes[] = {
    "XS",    "S",     "M",      "L",       "XL",      "XXL",     "S-XL",      "M-XXL",
    "S-M",   "L-XL",  "36",     "38",      "40",      "42",      "44",        "46",
    "36-42", "38-46", "2-8 г.", "4-10 г.", "110-140", "122-152", "Free size", "единен",
};

const char* const kMaterials[] = {
    "100% памук",
    "100% cotton",
    "95% памук 5% еластан",
    "95% cotton 5% elastane",
    "65% полиестер 35% памук",
    "100% полиестер",
    "100% polyester",
    "80% вискоза 20% полиамид",
    "100% вискоза",
    "100% viscose",
    "70% вълна 30% акрил",
    "100% wool",
    "100% акрил",
    "50% памук 50% полиестер",
    "лен",
    "linen 100%",
    "коприна",
    "silk",
    "деним",
    "denim",
    "трико",
    "knit",
    "кадифе",
    "velvet",
    "кожа",
    "eco leather",
    "полар",
    "fleece",
    "шифон",
    "chiffon",
};

const char* const kLetters[] = {"", "A", "B", "C", "AB", "K", "M", "П", "Р", "ЛМ", "X", "BK"};

const char* const kNoteWords[] = {
    "доставено", "липсва",   "размер", "замяна",   "клиентът",   "чака",     "дефект",   "цвят",
    "по-късно",  "платено",  "аванс",  "returned", "missing",    "size",     "exchange", "paid",
    "call",      "supplier", "next",   "batch",    "цената",     "намалена", "2 бр.",    "5 бр.",
    "без",       "етикет",   "ок",     "проверка", "рекламация", "don't",
};

template <typename T, size_t N> constexpr int countOf(const T (&)[N]) {
    return int(N);
}

QStringList toList(const char* const* items, int count) {
    QStringList list;
    for (int i = 0; i < count; ++i)
        list << QString::fromUtf8(items[i]);
    return list;
}

std::vector<QByteArray> toUtf8(const QStringList& list) {
    std::vector<QByteArray> out;
    for (const QString& s : list)
        out.push_back(s.toUtf8());
    return out;
}

// A note of at most maxChars characters made of whole words; every word fits in 12.
std::string makeNote(Random& random, int maxChars) {
    std::string note;
    int chars = 0;
    for (;;) {
        const QByteArray word = QByteArray(kNoteWords[random.range(0, countOf(kNoteWords) - 1)]);
        const int wordChars = int(QString::fromUtf8(word).size());
        const int needed = chars == 0 ? wordChars : chars + 1 + wordChars;
        if (needed > maxChars)
            break;
        if (chars > 0)
            note += ' ';
        note.append(word.constData(), size_t(word.size()));
        chars = needed;
    }
    return note;
}

// A price step of 0.05 between 0.50 and 90.00, cheap articles more frequent.
qint64 purchasePrice(Random& random) {
    const double r = random.unit();
    const qint64 twentieths = 10 + qint64(r * r * (1800 - 10)); // 0.50 .. 90.00 in steps of 0.05
    return twentieths * 500;                                    // ten-thousandths
}

// A derived price rounded to whole cents, or 0 when not entered (one line in ten).
qint64 derivedPrice(Random& random, qint64 price, double factor) {
    if (random.chance(0.1))
        return 0;
    return qint64(std::llround(double(price) * factor / 100.0)) * 100;
}

class Inserter {
  public:
    explicit Inserter(sqlite3* db) : m_db(db) {}
    ~Inserter() { finish(); }
    // The connection cannot close while the statement lives.
    void finish() {
        sqlite3_finalize(m_statement);
        m_statement = nullptr;
    }

    bool prepare() {
        QStringList names, marks;
        for (const ColumnDef& column : OrderColumns::all()) {
            names << QString::fromLatin1(column.name);
            marks << QStringLiteral("?");
        }
        const QByteArray sql =
            ("INSERT INTO Table1 (" + names.join(", ") + ") VALUES (" + marks.join(", ") + ")").toUtf8();
        return sqlite3_prepare_v2(m_db, sql.constData(), -1, &m_statement, nullptr) == SQLITE_OK;
    }
    void text(int column, const QByteArray& value) { text(column, value.constData(), int(value.size())); }
    void text(int column, const std::string& value) { text(column, value.data(), int(value.size())); }
    void text(int column, const char* value, int bytes) {
        sqlite3_bind_text(m_statement, column + 1, value, bytes, SQLITE_TRANSIENT);
    }
    void integer(int column, qint64 value) { sqlite3_bind_int64(m_statement, column + 1, value); }
    bool step() {
        const int rc = sqlite3_step(m_statement);
        sqlite3_reset(m_statement);
        return rc == SQLITE_DONE;
    }

  private:
    sqlite3* m_db;
    sqlite3_stmt* m_statement = nullptr;
};

} // namespace

RegisterGenerator::RegisterGenerator(qint64 rows) : m_rows(rows) {}

QStringList RegisterGenerator::suppliers() {
    return toList(kSuppliers, countOf(kSuppliers));
}

QStringList RegisterGenerator::batches() {
    QStringList list;
    for (const BatchInfo& batch : kBatches)
        list << QString::fromUtf8(batch.name);
    return list;
}

QStringList RegisterGenerator::articles() {
    // Garment word in one of three letter cases plus a model code in one of
    // four shapes; duplicates are skipped so that every article is distinct.
    QStringList list;
    QSet<QString> seen;
    Random random(394);
    for (int i = 0; list.size() < kArticleCount; ++i) {
        QString word = QString::fromUtf8(kGarments[i % countOf(kGarments)]);
        const int letterCase = (i / countOf(kGarments)) % 3;
        if (letterCase == 1)
            word = word.toUpper();
        else if (letterCase == 2)
            word = word.toLower();
        const int number = int(random.range(100, 9999));
        QString code;
        switch (i % 4) {
        case 0:
            code = QStringLiteral("M-%1").arg(number);
            break;
        case 1:
            code = QStringLiteral("к.%1").arg(number % 1000);
            break;
        case 2:
            code = QString::number(number);
            break;
        default:
            code = QStringLiteral("BX-%1").arg(number % 100);
            break;
        }
        const QString article = word + QLatin1Char(' ') + code;
        if (!seen.contains(article)) {
            seen.insert(article);
            list << article;
        }
    }
    return list;
}

bool RegisterGenerator::fail(const QString& message) {
    m_error = message;
    return false;
}

bool RegisterGenerator::write(const QString& folder) {
    if (m_rows < 0)
        return fail(QStringLiteral("the number of lines must not be negative"));
    if (!QDir().mkpath(folder))
        return fail(QStringLiteral("cannot create folder %1").arg(folder));
    const QDir dir(folder);
    const QString target = dir.filePath(QLatin1String(Database::FileName));
    const QString partial = target + QStringLiteral(".generating");
    for (const QString& suffix : {QString(), QStringLiteral("-journal")})
        QFile::remove(partial + suffix);
    if (!writeDatabase(partial)) {
        QFile::remove(partial);
        return false;
    }
    for (const QString& suffix : {QString(), QStringLiteral("-wal"), QStringLiteral("-shm")})
        QFile::remove(target + suffix);
    if (!QFile::rename(partial, target))
        return fail(QStringLiteral("cannot rename %1 to %2").arg(partial, target));
    return writeListFile(dir.filePath(QStringLiteral("Suppliers.txt")), suppliers()) &&
           writeListFile(dir.filePath(QStringLiteral("articles.txt")), articles()) &&
           writeListFile(dir.filePath(QStringLiteral("Batches.txt")), batches());
}

bool RegisterGenerator::writeListFile(const QString& path, const QStringList& lines) {
    // The list editor's format: UTF-8, lines joined by CR LF, nothing after the last.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return fail(QStringLiteral("cannot write %1: %2").arg(path, file.errorString()));
    file.write(lines.join(QStringLiteral("\r\n")).toUtf8());
    if (!file.commit())
        return fail(QStringLiteral("cannot write %1: %2").arg(path, file.errorString()));
    return true;
}

bool RegisterGenerator::writeDatabase(const QString& path) {
    QString error;
    if (!Database::createEmptyFile(path, &error))
        return fail(error);

    sqlite3* db = nullptr;
    if (sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READWRITE, nullptr) !=
        SQLITE_OK) {
        const QString message = QString::fromUtf8(sqlite3_errmsg(db));
        sqlite3_close(db);
        return fail(message);
    }
    // The file is renamed into place only when complete, so no journal is needed
    // while it is filled; a big page cache keeps the index inserts in memory.
    const char* setup = "PRAGMA journal_mode=OFF; PRAGMA synchronous=OFF; PRAGMA cache_size=-131072; BEGIN";
    bool ok = sqlite3_exec(db, setup, nullptr, nullptr, nullptr) == SQLITE_OK;

    const std::vector<QByteArray> suppliers = toUtf8(RegisterGenerator::suppliers());
    const std::vector<QByteArray> articles = toUtf8(RegisterGenerator::articles());
    const std::vector<QByteArray> batches = toUtf8(RegisterGenerator::batches());
    const WeightedPick supplierPick(zipf(int(suppliers.size()), 1.0, 1.3));
    const WeightedPick articlePick(zipf(int(articles.size()), 2.0, 0.8));
    const std::vector<QByteArray> colours = toUtf8(toList(kColours, countOf(kColours)));
    const std::vector<QByteArray> sizes = toUtf8(toList(kSizes, countOf(kSizes)));
    const std::vector<QByteArray> materials = toUtf8(toList(kMaterials, countOf(kMaterials)));
    const std::vector<QByteArray> letters = toUtf8(toList(kLetters, countOf(kLetters)));
    std::vector<QByteArray> labels;
    for (const char* suffix : kLabelSuffixes)
        for (const char* stem : kLabelStems)
            labels.push_back(QByteArray(stem) + suffix);
    const WeightedPick labelPick(zipf(int(labels.size()), 3.0, 1.0));

    // The article order of the Zipf ranks is shuffled, so that the frequent
    // articles are not all of the first garment words.
    Random random(20210111);
    std::vector<int> articleOrder(articles.size());
    for (size_t i = 0; i < articleOrder.size(); ++i)
        articleOrder[i] = int(i);
    for (size_t i = articleOrder.size(); i > 1; --i)
        std::swap(articleOrder[i - 1], articleOrder[size_t(random.range(0, qint64(i) - 1))]);

    Inserter insert(db);
    ok = ok && insert.prepare();
    using namespace OrderColumns;
    for (qint64 row = 0; ok && row < m_rows; ++row) {
        const qint64 key = row + 1;
        const int batch = int(row * kBatchCount / m_rows);
        const qint64 firstOfBatch = (qint64(batch) * m_rows + kBatchCount - 1) / kBatchCount;
        const qint64 batchRows = (qint64(batch + 1) * m_rows + kBatchCount - 1) / kBatchCount - firstOfBatch;
        const BatchInfo& b = kBatches[batch];
        const QDate date =
            QDate(b.year, b.month, b.day).addDays((row - firstOfBatch) * kBatchDays / batchRows);

        const qint64 ordered = random.chance(0.7) ? 6 * random.range(1, 24) : random.range(1, 60);
        // The newest batch has not arrived yet: nothing delivered, so received = ordered.
        const bool delivered = batch < kBatchCount - 1;
        const qint64 deliveredCount = !delivered           ? 0
                                      : random.chance(0.7) ? ordered
                                                           : random.range(1, ordered);
        const qint64 defective =
            delivered && random.chance(0.15) ? random.range(0, qMin<qint64>(5, deliveredCount)) : 0;
        const qint64 received = delivered ? deliveredCount - defective : ordered;
        const qint64 price = purchasePrice(random);

        insert.integer(Key, key);
        insert.text(Batch, batches[size_t(batch)]);
        insert.text(Artikul, articles[size_t(articleOrder[size_t(articlePick.pick(random))])]);
        insert.text(Dostavcik, suppliers[size_t(supplierPick.pick(random))]);
        insert.text(Firmetiket, labels[size_t(labelPick.pick(random))]);
        insert.text(Bukvi, letters[size_t(random.range(0, qint64(letters.size()) - 1))]);
        const qint64 page = random.range(1, 120);
        insert.text(Strpos, QByteArray::number(page) + '/' + QByteArray::number(random.range(1, 40)));
        insert.integer(Nomcuval, random.range(1, 400));
        insert.integer(Kodovnom, random.range(10000, 99999));
        insert.text(Cvet, colours[size_t(random.range(0, qint64(colours.size()) - 1))]);
        insert.text(Razmeri, sizes[size_t(random.range(0, qint64(sizes.size()) - 1))]);
        insert.text(Sastav, materials[size_t(random.range(0, qint64(materials.size()) - 1))]);
        insert.integer(Paracbr, ordered);
        insert.integer(Dostavbr, deliveredCount);
        insert.integer(Polucbr, received);
        insert.integer(Defectbr, defective);
        insert.integer(Pokupnacena, price);
        insert.integer(Sebestoynost, derivedPrice(random, price, 1.12));
        insert.integer(Edro, derivedPrice(random, price, 1.45));
        insert.integer(Drebno, derivedPrice(random, price, 2.2));
        insert.integer(Obsto, price * received);
        insert.text(Date, date.toString(Qt::ISODate).toLatin1());
        // Half the notes are empty; the rest are 12-200 characters, skewed short.
        const double r = random.unit();
        insert.text(Belejka,
                    random.chance(0.5) ? std::string() : makeNote(random, 12 + int(r * r * r * r * 188)));
        insert.integer(Photo, random.chance(0.8) ? key : 0);
        ok = insert.step();
    }
    insert.finish();
    ok = ok && sqlite3_exec(db, "COMMIT; PRAGMA journal_mode=WAL", nullptr, nullptr, nullptr) == SQLITE_OK;
    const QString message = ok ? QString() : QString::fromUtf8(sqlite3_errmsg(db));
    if (sqlite3_close(db) != SQLITE_OK && ok)
        return fail(QStringLiteral("cannot close %1").arg(path));
    return ok || fail(message);
}
