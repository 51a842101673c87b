#include "helperwidgets.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMenuBar>
#include <QPainter>
#include <QTableView>
#include <QToolButton>

QFont ArialFont(int pointSize, bool bold)
{
    QFont font(QStringLiteral("Arial"), pointSize);
    font.setBold(bold);
    return font;
}

RowIndicator::RowIndicator(QTableView* view) : QHeaderView(Qt::Vertical, view)
{
    setSectionsClickable(false);
    setSectionResizeMode(QHeaderView::Fixed);
}

void RowIndicator::paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const
{
    QStyleOptionHeader option;
    initStyleOption(&option);
    option.rect = rect;
    option.section = logicalIndex;
    style()->drawControl(QStyle::CE_HeaderSection, &option, painter, this);
    if (!selectionModel() || selectionModel()->currentIndex().row() != logicalIndex)
        return;
    const QPoint centre = rect.center();
    const QPolygon mark({centre + QPoint(-2, -4), centre + QPoint(2, 0), centre + QPoint(-2, 4)});
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    painter->setBrush(Qt::black);
    painter->setPen(Qt::NoPen);
    painter->drawPolygon(mark);
    painter->restore();
}

void LeftAligned::initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const
{
    QStyledItemDelegate::initStyleOption(option, index);
    option->displayAlignment = Qt::AlignLeft | Qt::AlignVCenter;
}

MenuBarKeys::MenuBarKeys(QMenuBar* menuBar) : QObject(menuBar), menuBar_(menuBar)
{
    qApp->installEventFilter(this);
}

bool MenuBarKeys::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::KeyPress && event->type() != QEvent::KeyRelease)
        return QObject::eventFilter(watched, event);
    // Only keys meant for the menu bar's own window; a dialog or pop-up keeps its keys.
    auto* widget = qobject_cast<QWidget*>(watched);
    if (!widget || widget->window() != menuBar_->window() || QApplication::activePopupWidget())
        return false;
    const auto* key = static_cast<QKeyEvent*>(event);
    if (event->type() == QEvent::KeyPress) {
        altAlone_ = key->key() == Qt::Key_Alt && !key->isAutoRepeat();
        if (key->key() == Qt::Key_F10 && key->modifiers() == Qt::NoModifier) {
            Open();
            return true;
        }
        return false;
    }
    if (key->key() == Qt::Key_Alt && altAlone_ && !key->isAutoRepeat()) {
        altAlone_ = false;
        Open();
        return true;
    }
    return false;
}

void MenuBarKeys::Open()
{
    for (QAction* action : menuBar_->actions())
        if (action->isVisible() && action->isEnabled() && action->menu()) {
            menuBar_->setActiveAction(action);
            return;
        }
}

MenuButtonKeys::MenuButtonKeys(QToolButton* button) : QObject(button)
{
    button->installEventFilter(this);
}

bool MenuButtonKeys::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::KeyPress)
        return QObject::eventFilter(watched, event);
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key != Qt::Key_Space && key != Qt::Key_Return && key != Qt::Key_Enter && key != Qt::Key_Down)
        return false;
    static_cast<QToolButton*>(watched)->showMenu();
    return true;
}

QString ExcerptPanel::Shortened(const QString& text, int width) const
{
    const QFontMetrics metrics = fontMetrics();
    const QString ellipsis(QChar(0x2026));
    const qsizetype nameEnd = text.indexOf(QStringLiteral(": "));
    const qsizetype open = text.indexOf(QLatin1Char('['), nameEnd < 0 ? 0 : nameEnd);
    const qsizetype close = open < 0 ? -1 : text.indexOf(QLatin1Char(']'), open);
    if (nameEnd < 0 || close < 0)
        return metrics.elidedText(text, Qt::ElideRight, width);
    const QString head = text.left(nameEnd + 2);
    const QString marked = text.mid(open, close - open + 1);
    // The most text before the marked word that still leaves the word whole in view.
    const auto shown = [&](qsizetype before) {
        const QString body = text.mid(open - before);
        return metrics.elidedText(head + (before < open - head.size() ? ellipsis : QString()) + body, Qt::ElideRight, width);
    };
    if (!shown(0).contains(marked))
        return metrics.elidedText(text, Qt::ElideRight, width);
    qsizetype fits = 0;
    qsizetype tooMuch = open - head.size() + 1;  // more than there is
    while (tooMuch - fits > 1) {
        const qsizetype middle = (fits + tooMuch) / 2;
        (shown(middle).contains(marked) ? fits : tooMuch) = middle;
    }
    return shown(fits);
}
