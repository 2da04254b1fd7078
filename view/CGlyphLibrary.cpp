#include "CGlyphLibrary.h"

#include <QCoreApplication>
#include <map>
#include <utility>

#include "CGlyphCatalog.h"
#include "CGlyphPainter.h"
#include "CIconPainter.h"
#include "CToolbarIconPainter.h"

namespace {

// Sizes at which the window system may ask for the icons.
constexpr int kIconSizes[] = {16, 24, 32, 48, 64, 128, 256};
constexpr qreal kToolbarRatios[] = {1.0, 1.5, 2.0, 3.0};

template <typename Draw>
QIcon IconAtAllSizes(Draw draw) {
    QIcon icon;
    for (int size : kIconSizes) {
        icon.addPixmap(QPixmap::fromImage(draw(size)));
    }
    return icon;
}

using GlyphCache = std::map<std::pair<int, qreal>, QPixmap>;

GlyphCache*& CachePointer() {
    static GlyphCache* pCache = nullptr;
    return pCache;
}

void DropCache() {
    delete CachePointer();
    CachePointer() = nullptr;
}

// Pixmaps belong to the window system connection, so the cache goes with the application:
// the application's destructor runs the post routines first.
GlyphCache& Cache() {
    GlyphCache*& pCache = CachePointer();
    if (pCache == nullptr) {
        pCache = new GlyphCache;
        qAddPostRoutine(&DropCache);
    }
    return *pCache;
}

}  // namespace

size_t CGlyphLibrary::CachedGlyphs() {
    return CachePointer() != nullptr ? CachePointer()->size() : 0;
}

const QPixmap& CGlyphLibrary::Pixmap(int glyphNumber, qreal devicePixelRatio) {
    GlyphCache& cache = Cache();
    const int number = CGlyphCatalog::Resolve(glyphNumber);
    const qreal dpr = devicePixelRatio > 0.0 ? devicePixelRatio : 1.0;
    const auto key = std::make_pair(number, dpr);
    auto it = cache.find(key);
    if (it == cache.end()) {
        QPixmap pixmap = QPixmap::fromImage(CGlyphPainter::Render(number, dpr));
        pixmap.setDevicePixelRatio(dpr);
        it = cache.emplace(key, std::move(pixmap)).first;
    }
    return it->second;
}

QIcon CGlyphLibrary::ToolbarIcon(int commandId) {
    if (!CToolbarIconPainter::HasPicture(commandId)) {
        return {};
    }
    QIcon icon;
    for (qreal ratio : kToolbarRatios) {
        QPixmap pixmap = QPixmap::fromImage(CToolbarIconPainter::Render(commandId, ratio));
        pixmap.setDevicePixelRatio(ratio);
        icon.addPixmap(pixmap);
    }
    return icon;
}

QIcon CGlyphLibrary::ApplicationIcon() {
    return IconAtAllSizes(&CIconPainter::Application);
}

QIcon CGlyphLibrary::DocumentIcon() {
    return IconAtAllSizes(&CIconPainter::Document);
}
