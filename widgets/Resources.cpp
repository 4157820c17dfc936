#include "widgets/Resources.h"

#include <QImage>

#include <algorithm>
#include <array>

// The resources live in this static library; nothing else references their registration, so
// the linker would drop it without an explicit initialisation.
static void EnsureResources() {
    static const bool registered = [] {
        Q_INIT_RESOURCE(resources);
        return true;
    }();
    (void)registered;
}

namespace {

struct BitmapEntry {
    int id;
    int width;
    int height;
};

constexpr int kTileWidth = 140;
constexpr int kTileHeight = 134;

constexpr std::array<BitmapEntry, 15> kBitmaps{{
    {IDB_MARK_OUT, kTileWidth, kTileHeight},
    {IDB_MARK_IN, kTileWidth, kTileHeight},
    {IDB_MARK_BUSY, kTileWidth, kTileHeight},
    {IDB_UPLOAD_OUT, kTileWidth, kTileHeight},
    {IDB_UPLOAD_IN, kTileWidth, kTileHeight},
    {IDB_UPLOAD_BUSY, kTileWidth, kTileHeight},
    {IDB_LOGO, 100, 100},
    {IDB_UPLOAD_ABSENT_IN, kTileWidth, kTileHeight},
    {IDB_UPLOAD_REFUSED, kTileWidth, kTileHeight},
    {IDB_MARK_ABSENT_OUT, kTileWidth, kTileHeight},
    {IDB_MARK_ABSENT_IN, kTileWidth, kTileHeight},
    {IDB_MARK_REFUSED, kTileWidth, kTileHeight},
    {IDB_UPLOAD_ABSENT_OUT, kTileWidth, kTileHeight},
    {IDB_PROGRESS_DONE, 510, 25},
    {IDB_PROGRESS_REST, 510, 25},
}};

const BitmapEntry* FindBitmap(int id) {
    auto it = std::find_if(kBitmaps.begin(), kBitmaps.end(),
                           [id](const BitmapEntry& e) { return e.id == id; });
    return it == kBitmaps.end() ? nullptr : &*it;
}

}  // namespace

const std::vector<int>& BitmapResourceIds() {
    static const std::vector<int> ids = [] {
        std::vector<int> v;
        for (const auto& e : kBitmaps) {
            v.push_back(e.id);
        }
        std::sort(v.begin(), v.end());
        return v;
    }();
    return ids;
}

QSize BitmapResourceSize(int id) {
    const BitmapEntry* e = FindBitmap(id);
    return e ? QSize(e->width, e->height) : QSize();
}

QString BitmapResourcePath(int id) {
    if (!FindBitmap(id)) {
        return {};
    }
    return QStringLiteral(":/res/bmp%1.bmp").arg(id);
}

QPixmap LoadBitmapResource(int id) {
    EnsureResources();
    const QString path = BitmapResourcePath(id);
    if (path.isEmpty()) {
        return {};
    }
    QImage image(path, "BMP");
    if (image.isNull() || image.size() != BitmapResourceSize(id)) {
        return {};
    }
    return QPixmap::fromImage(image);
}

QIcon WindowIcon() {
    EnsureResources();
    QIcon icon;
    for (int size : {16, 32, 48, 256}) {
        icon.addFile(QStringLiteral(":/res/icon%1-%2.png").arg(IDI_MAIN).arg(size),
                     QSize(size, size));
    }
    return icon;
}
