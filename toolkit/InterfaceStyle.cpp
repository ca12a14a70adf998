#include "InterfaceStyle.h"

#include "core/CommUti.h"

#include <QStringList>

namespace toolkit {

namespace {

struct StyleWord {
    const char* word;
    QFont::Weight weight;
};

constexpr StyleWord kStyleWords[] = {
    {"Thin", QFont::Thin},         {"ExtraLight", QFont::ExtraLight}, {"DemiLight", QFont::Light},
    {"Light", QFont::Light},       {"Regular", QFont::Normal},        {"Normal", QFont::Normal},
    {"Medium", QFont::Medium},     {"SemiBold", QFont::DemiBold},     {"DemiBold", QFont::DemiBold},
    {"Bold", QFont::Bold},         {"ExtraBold", QFont::ExtraBold},   {"Heavy", QFont::Black},
    {"Black", QFont::Black},
};

} // namespace

QFont fontFromName(const QString& name, qreal pixelSize, QFont::Weight fallbackWeight)
{
    QFont font;
    QString family = name.trimmed();
    QFont::Weight weight = fallbackWeight;
    // "Family Style" or "Family-Style".
    const qsizetype cut = std::max(family.lastIndexOf(QLatin1Char(' ')), family.lastIndexOf(QLatin1Char('-')));
    if (cut > 0) {
        const QString last = family.mid(cut + 1);
        for (const StyleWord& s : kStyleWords) {
            if (last.compare(QLatin1String(s.word), Qt::CaseInsensitive) == 0) {
                weight = s.weight;
                family = family.left(cut).trimmed();
                break;
            }
        }
    }
    if (!family.isEmpty())
        font.setFamilies(QStringList{family});
    font.setWeight(weight);
    font.setPixelSize(std::max(1, qRound(pixelSize)));
    return font;
}

namespace {

struct FontNames {
    bool loaded = false;
    QString light;
    QString regular;
    QString bold;
};

FontNames& fontNames()
{
    static FontNames names;
    if (!names.loaded) {
        // Cells and buttons ask for fonts on every paint; the names are read
        // from the settings file once (start-up records them before any
        // screen draws) rather than on every paint.
        names.light = CommUti::getLightFontName();
        names.regular = CommUti::getRegularFontName();
        names.bold = CommUti::getBoldFontName();
        names.loaded = true;
    }
    return names;
}

} // namespace

void reloadInterfaceFonts() { fontNames().loaded = false; }

QFont lightFont(qreal pixelSize) { return fontFromName(fontNames().light, pixelSize, QFont::Light); }
QFont regularFont(qreal pixelSize) { return fontFromName(fontNames().regular, pixelSize, QFont::Normal); }
QFont boldFont(qreal pixelSize) { return fontFromName(fontNames().bold, pixelSize, QFont::Bold); }

} // namespace toolkit
