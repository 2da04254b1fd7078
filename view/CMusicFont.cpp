#include "CMusicFont.h"

#include <QFile>
#include <QFontDatabase>
#include <QPainter>
#include <QRawFont>
#include <QTransform>
#include <map>

// Resources of a static library are only linked when something asks for them.
static void InitGlyphResources() {
    Q_INIT_RESOURCE(glyphs);
}

namespace {

// Outlines are taken once at this size and scaled; unhinted outlines scale exactly.
constexpr qreal kReferenceSize = 1000.0;

constexpr CMusicFont::Symbol kAllSymbols[] = {
    CMusicFont::Symbol::WholeRest,  CMusicFont::Symbol::HalfRest,   CMusicFont::Symbol::QuarterRest,
    CMusicFont::Symbol::EighthRest, CMusicFont::Symbol::TrebleClef, CMusicFont::Symbol::FlagUp,
    CMusicFont::Symbol::FlagDown,   CMusicFont::Symbol::WholeHead,  CMusicFont::Symbol::HalfHead,
    CMusicFont::Symbol::FilledHead, CMusicFont::Symbol::Four,
};

struct SymbolShape {
    QPainterPath outline;
    qreal advance = 0.0;
};

struct LoadedFont {
    QString family;
    std::map<char32_t, SymbolShape> shapes;
};

LoadedFont Load() {
    InitGlyphResources();
    LoadedFont font;
    QFile file(QStringLiteral(":/kantilo/emmentaler-20.otf"));
    if (!file.open(QIODevice::ReadOnly)) {
        return font;
    }
    const QByteArray data = file.readAll();
    const int id = QFontDatabase::addApplicationFontFromData(data);
    const QStringList families = QFontDatabase::applicationFontFamilies(id);
    // The outlines come from these very bytes, so an older copy of the font that the
    // system may hold under the same family name cannot change the pictures.
    const QRawFont raw(data, kReferenceSize, QFont::PreferNoHinting);
    if (!raw.isValid()) {
        return font;
    }
    for (CMusicFont::Symbol symbol : kAllSymbols) {
        const char32_t codePoint = static_cast<char32_t>(symbol);
        const QList<quint32> glyphs = raw.glyphIndexesForString(QString::fromUcs4(&codePoint, 1));
        if (glyphs.size() != 1 || glyphs.front() == 0) {
            return LoadedFont{};
        }
        const QList<QPointF> advances = raw.advancesForGlyphIndexes(glyphs);
        font.shapes[codePoint] =
            SymbolShape{raw.pathForGlyph(glyphs.front()), advances.front().x()};
    }
    font.family = families.isEmpty() ? raw.familyName() : families.front();
    return font;
}

const LoadedFont& TheFont() {
    static const LoadedFont font = Load();
    return font;
}

const SymbolShape* Shape(CMusicFont::Symbol symbol) {
    const auto& shapes = TheFont().shapes;
    const auto it = shapes.find(static_cast<char32_t>(symbol));
    return it == shapes.end() ? nullptr : &it->second;
}

}  // namespace

CMusicFont::Symbol CMusicFont::HeadFor(int length) {
    switch (length) {
        case 8:
            return Symbol::WholeHead;
        case 4:
            return Symbol::HalfHead;
        default:
            return Symbol::FilledHead;
    }
}

CMusicFont::Symbol CMusicFont::RestFor(int length) {
    switch (length) {
        case 8:
            return Symbol::WholeRest;
        case 4:
            return Symbol::HalfRest;
        case 2:
            return Symbol::QuarterRest;
        default:
            return Symbol::EighthRest;
    }
}

QString CMusicFont::Family() {
    return TheFont().family;
}

bool CMusicFont::IsAvailable() {
    return TheFont().shapes.size() == std::size(kAllSymbols);
}

QPainterPath CMusicFont::Outline(Symbol symbol, qreal pixelSize) {
    const SymbolShape* shape = Shape(symbol);
    if (shape == nullptr) {
        return {};
    }
    const qreal scale = pixelSize / kReferenceSize;
    return QTransform::fromScale(scale, scale).map(shape->outline);
}

qreal CMusicFont::Advance(Symbol symbol, qreal pixelSize) {
    const SymbolShape* shape = Shape(symbol);
    return shape == nullptr ? 0.0 : shape->advance * pixelSize / kReferenceSize;
}

void CMusicFont::Draw(QPainter& painter, Symbol symbol, QPointF origin, qreal pixelSize) {
    const QTransform device = painter.deviceTransform();
    const qreal deviceScale = device.m11();
    const QPainterPath outline = Outline(symbol, pixelSize * deviceScale);
    painter.save();
    painter.resetTransform();
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.translate(device.map(origin));
    painter.fillPath(outline, painter.pen().color());
    painter.restore();
}
