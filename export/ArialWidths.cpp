#include "export/ArialWidths.h"

#include <QFont>
#include <QGuiApplication>
#include <QRawFont>
#include <QString>
#include <QVector>
#include <memory>
#include <vector>

namespace {

constexpr double Em = 1000;

// Arial's advance widths for U+0020 to U+007E, regular and bold.
constexpr short Ascii[2][95] = {
    {278, 278, 355, 556, 556, 889, 667, 191, 333, 333, 389, 584, 278, 333,  278, 278, 556, 556, 556,
     556, 556, 556, 556, 556, 556, 556, 278, 278, 584, 584, 584, 556, 1015, 667, 667, 722, 722, 667,
     611, 778, 722, 278, 500, 667, 556, 833, 722, 778, 667, 778, 722, 667,  611, 722, 667, 944, 667,
     667, 611, 278, 278, 278, 469, 556, 333, 556, 556, 500, 556, 556, 278,  556, 556, 222, 222, 500,
     222, 833, 556, 556, 556, 556, 333, 500, 278, 556, 500, 722, 500, 500,  500, 334, 260, 334, 584},
    {278, 333, 474, 556, 556, 889, 722, 238, 333, 333, 389, 584, 278, 333, 278, 278, 556, 556, 556,
     556, 556, 556, 556, 556, 556, 556, 333, 333, 584, 584, 584, 611, 975, 722, 722, 722, 722, 667,
     611, 778, 722, 278, 556, 722, 611, 833, 722, 778, 667, 778, 722, 667, 611, 722, 667, 944, 667,
     667, 611, 333, 278, 333, 584, 556, 333, 556, 611, 556, 611, 556, 333, 611, 611, 278, 278, 556,
     278, 889, 611, 611, 611, 611, 389, 556, 333, 611, 556, 778, 556, 556, 500, 389, 280, 389, 584}};

// Arial (regular) for U+0400 to U+045F. Bold Cyrillic is taken 10 % wider.
constexpr short Cyrillic[96] = {
    667, 667, 865, 542, 719, 667, 278,  278, 500, 1057, 1010, 854, 583, 719, 635, 719, 667, 656, 667, 542,
    677, 667, 923, 604, 719, 719, 583,  656, 833, 722,  778,  719, 667, 722, 611, 635, 760, 667, 740, 667,
    917, 938, 792, 885, 656, 719, 1010, 722, 556, 573,  531,  365, 583, 556, 669, 458, 559, 559, 438, 583,
    688, 552, 556, 542, 556, 500, 458,  500, 823, 500,  573,  521, 802, 823, 625, 719, 521, 510, 750, 542,
    556, 556, 556, 365, 510, 500, 222,  278, 222, 906,  813,  556, 438, 559, 500, 552};

double tableAdvance(char32_t u, bool bold) {
    if (u >= 0x20 && u <= 0x7E)
        return Ascii[bold][u - 0x20];
    if (u >= 0x0400 && u <= 0x045F)
        return Cyrillic[u - 0x0400] * (bold ? 1.1 : 1.0);
    // Accented Latin letters are as wide as their base letter.
    const QString base = QString::fromUcs4(&u, 1).normalized(QString::NormalizationForm_D);
    if (!base.isEmpty() && base[0].unicode() >= 0x20 && base[0].unicode() <= 0x7E)
        return Ascii[bold][base[0].unicode() - 0x20];
    return Em;
}

// The installed font at 1000 pixels to the em, so that its design advances
// come out in 1/1000 em; invalid when neither family is there.
QRawFont installedArial(bool bold) {
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        return {};
    for (const char* family : {"Arial", "Liberation Sans"}) {
        QFont font(QString::fromLatin1(family));
        font.setPixelSize(int(Em));
        font.setBold(bold);
        font.setHintingPreference(QFont::PreferNoHinting);
        QRawFont raw = QRawFont::fromFont(font);
        if (raw.isValid() && raw.familyName() == QLatin1String(family))
            return raw;
    }
    return {};
}

class Widths {
  public:
    explicit Widths(bool bold) : m_bold(bold), m_font(installedArial(bold)) {}

    double advance(char32_t u) {
        if (u > 0xFFFF)
            return measure(u);
        float& known = m_bmp[u];
        if (known < 0)
            known = float(measure(u));
        return known;
    }

  private:
    double measure(char32_t u) const {
        if (!m_font.isValid())
            return tableAdvance(u, m_bold);
        const QVector<quint32> glyphs = m_font.glyphIndexesForString(QString::fromUcs4(&u, 1));
        if (glyphs.size() != 1 || glyphs[0] == 0) // not in the font: another font draws it
            return Em;
        return m_font.advancesForGlyphIndexes(glyphs, QRawFont::UseDesignMetrics).value(0).x();
    }

    bool m_bold;
    QRawFont m_font;
    std::vector<float> m_bmp = std::vector<float>(0x10000, -1.0f);
};

} // namespace

namespace ArialWidths {

double advance(char32_t codePoint, bool bold) {
    // Asked for on the one GUI thread; the fonts do not change while the
    // program runs. The fonts are let go with the application, whose font
    // engines they use.
    static std::unique_ptr<Widths> widths[2];
    std::unique_ptr<Widths>& w = widths[bold];
    if (!w) {
        w = std::make_unique<Widths>(bold);
        qAddPostRoutine([] {
            widths[0].reset();
            widths[1].reset();
        });
    }
    return w->advance(codePoint);
}

} // namespace ArialWidths
