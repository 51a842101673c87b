#include "filedialog.h"

#include <QCompleter>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QIdentityProxyModel>
#include <QListView>
#include <QLineEdit>
#include <QLocale>
#include <QScreen>
#include <QSplitter>
#include <QTreeView>

#include <algorithm>

namespace {

enum Column { Name, Size, Type, Modified };

const QSize kDialogSize(880, 540);
constexpr int kColumnPadding = 24;

// Qt's file model formats sizes and dates in the environment's locale and names folders in
// English; these columns are written again in the program's locale.
class TLocalFileColumns : public QIdentityProxyModel {
public:
    using QIdentityProxyModel::QIdentityProxyModel;

    QVariant data(const QModelIndex& index, int role) const override
    {
        const auto* files = qobject_cast<const QFileSystemModel*>(sourceModel());
        if (role != Qt::DisplayRole || !files || index.column() == Name)
            return QIdentityProxyModel::data(index, role);
        const QModelIndex source = mapToSource(index);
        const bool folder = files->isDir(source);
        switch (index.column()) {
        case Size: return folder ? QString() : QLocale().formattedDataSize(files->size(source));
        case Type: return folder ? QStringLiteral("Složka") : QIdentityProxyModel::data(index, role);
        case Modified: return QLocale().toString(files->lastModified(source), QLocale::ShortFormat);
        default: return QIdentityProxyModel::data(index, role);
        }
    }
};

// Widens a column to its widest likely text; a column the user made wider stays so.
void Widen(QHeaderView& header, int column, const QString& widest)
{
    const int wanted = header.fontMetrics().horizontalAdvance(widest) + kColumnPadding;
    if (header.sectionSize(column) < wanted)
        header.resizeSection(column, wanted);
}

// The places on the left (home, computer) show their names whole.
void WidenSidebar(QFileDialog& dialog)
{
    auto* sidebar = dialog.findChild<QListView*>(QStringLiteral("sidebar"));
    auto* splitter = dialog.findChild<QSplitter*>(QStringLiteral("splitter"));
    if (!sidebar || !splitter || !sidebar->model() || splitter->count() != 2)
        return;
    int wanted = 0;
    for (int row = 0; row < sidebar->model()->rowCount(); ++row)
        wanted = std::max(wanted, sidebar->fontMetrics().horizontalAdvance(sidebar->model()->index(row, 0).data().toString()));
    wanted += sidebar->iconSize().width() + 2 * kColumnPadding;
    QList<int> sizes = splitter->sizes();
    if (sizes[0] >= wanted)
        return;
    sizes[1] = std::max(1, sizes[0] + sizes[1] - wanted);
    sizes[0] = wanted;
    splitter->setSizes(sizes);
}

}  // namespace

void PrepareFileDialog(QFileDialog& dialog)
{
    dialog.setProxyModel(new TLocalFileColumns(&dialog));
    if (auto* details = dialog.findChild<QTreeView*>(QStringLiteral("treeView"))) {
        const QLocale locale;
        Widen(*details->header(), Size, locale.formattedDataSize(999'900'000'000));
        Widen(*details->header(), Type, QString(22, u'x'));  // "záložní soubor", "dokument PDF"
        Widen(*details->header(), Modified,
              locale.toString(QDateTime(QDate(2000, 12, 28), QTime(23, 59)), QLocale::ShortFormat));
    }
    QSize size = kDialogSize;
    if (const QScreen* screen = dialog.screen())
        size = size.boundedTo(screen->availableSize());
    dialog.resize(size.expandedTo(dialog.minimumSizeHint()));
    WidenSidebar(dialog);
    // A path typed and taken with Enter would leave the name box's completion list over the
    // owner until the next click.
    QObject::connect(&dialog, &QDialog::finished, &dialog, [&dialog] {
        for (QLineEdit* edit : dialog.findChildren<QLineEdit*>())
            if (QCompleter* completer = edit->completer(); completer && completer->popup()->isVisible())
                completer->popup()->hide();
    });
}
