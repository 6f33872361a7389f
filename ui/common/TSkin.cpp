#include "ui/common/TSkin.h"

#include <QHash>
#include <QImageReader>

#include "ui/common/ProgramPaths.h"
#include "ui/common/UiLog.h"
#include "ui/common/UiStyle.h"

namespace {
struct Entry {
    QPixmap pixmap;
    bool ok = false;
};
QHash<QString, Entry> g_cache;

const Entry& Load(const QString& name)
{
    auto it = g_cache.find(name);
    if (it != g_cache.end())
        return *it;
    Entry e;
    const QString path = SkinFolder() + "/" + name + ".png";
    QImageReader reader(path, "png");
    const QImage img = reader.read();
    if (img.isNull()) {
        UiLog("Skin picture \"" + FromQ(path) + "\" cannot be loaded (" + FromQ(reader.errorString()) +
              "); a plain fill takes its place");
    } else {
        e.pixmap = QPixmap::fromImage(img);
        e.ok = true;
    }
    return *g_cache.insert(name, e);
}
}  // namespace

QPixmap TSkin::Picture(const QString& name, QSize fallbackSize, const QColor& fallbackColour)
{
    const Entry& e = Load(name);
    if (e.ok)
        return e.pixmap;
    if (fallbackSize.isEmpty())
        fallbackSize = QSize(16, 16);
    QPixmap fill(fallbackSize);
    fill.fill(fallbackColour);
    return fill;
}

bool TSkin::Has(const QString& name)
{
    return Load(name).ok;
}

void TSkin::ClearCache()
{
    g_cache.clear();
}
