#include "toolkit/icons.h"

#include <QString>

#include <array>
#include <mutex>

// Outside any namespace, as Q_INIT_RESOURCE requires. The resources live in a static library, so
// nothing would register them unless this is called.
static void RegisterIconResources()
{
    Q_INIT_RESOURCE(icons);
}

namespace {

// Qt's SVG icon engine draws the picture for every size and scale factor it is asked for.
QIcon LoadIcon(const char* name)
{
    static std::once_flag registered;
    std::call_once(registered, RegisterIconResources);
    return QIcon(QStringLiteral(":/regalon/icons/%1.svg").arg(QLatin1String(name)));
}

constexpr std::array<const char*, ImageListCount> kImageList = {
    "catalogue",        // 0
    "group-edit",       // 1
    "document-open",    // 2
    "item-new",         // 3
    "item-delete",      // 4
    "item-edit",        // 5
    "group-new-root",   // 6
    "group-new-branch", // 7
    "group-delete",     // 8
    "print",            // 9
    "filter",           // 10
    "folder",           // 11
    "help",             // 12
    "places-edit",      // 13
};

}  // namespace

QIcon ImageListIcon(int index)
{
    if (index < 0 || index >= ImageListCount)
        return {};
    return LoadIcon(kImageList[static_cast<std::size_t>(index)]);
}

QIcon CancelIcon()
{
    return LoadIcon("cancel");
}

QIcon PreviewIcon(PreviewPicture picture)
{
    switch (picture) {
    case PreviewPicture::ZoomWidth: return LoadIcon("zoom-width");
    case PreviewPicture::ZoomFit: return LoadIcon("zoom-fit");
    case PreviewPicture::ZoomIn: return LoadIcon("zoom-in");
    case PreviewPicture::ZoomOut: return LoadIcon("zoom-out");
    case PreviewPicture::Print: return LoadIcon("print");
    }
    return {};
}

QIcon DialogIcon(DialogPicture picture)
{
    switch (picture) {
    case DialogPicture::ChooseFile: return LoadIcon("file-choose");
    case DialogPicture::InsertFile: return LoadIcon("file-insert");
    }
    return {};
}

QIcon ApplicationIcon()
{
    return LoadIcon("regalon");
}
