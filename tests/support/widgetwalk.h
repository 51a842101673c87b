#pragma once

// Walks a window's widgets for what a user meets: controls a screen reader must name, the
// mnemonics of one menu or dialog, and every text shown (titles, captions, tooltips).

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAbstractSpinBox>
#include <QAccessible>
#include <QComboBox>
#include <QHeaderView>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QRegularExpression>
#include <QTabBar>
#include <QToolBar>

// The name a screen reader reads for the widget: its own, or the one Qt derives from its text.
inline QString AccessibleName(QWidget* widget)
{
    QAccessibleInterface* face = QAccessible::queryAccessibleInterface(widget);
    return face ? face->text(QAccessible::Name).trimmed() : QString();
}

// Visible, enabled controls a user reaches (by Tab or click), and the tool and menu bars.
inline QList<QWidget*> ReachableControls(QWidget* root)
{
    QList<QWidget*> controls;
    for (QWidget* w : root->findChildren<QWidget*>()) {
        if (!w->isVisibleTo(root) || !w->isEnabled() || w->isWindow())
            continue;
        // A combo box's or spin box's own line edit is read as part of its box.
        if (qobject_cast<QComboBox*>(w->parentWidget()) || qobject_cast<QAbstractSpinBox*>(w->parentWidget()))
            continue;
        if (w->focusProxy())
            continue;  // Tab reaches its proxy (a tab widget's tab bar), walked in its own right
        const bool reached = (w->focusPolicy() & Qt::TabFocus) || (w->focusPolicy() & Qt::ClickFocus);
        if (reached || qobject_cast<QToolBar*>(w) || qobject_cast<QMenuBar*>(w))
            controls << w;
    }
    return controls;
}

inline QStringList UnnamedControls(QWidget* root)
{
    QStringList unnamed;
    for (QWidget* w : ReachableControls(root))
        if (AccessibleName(w).isEmpty())
            unnamed << QStringLiteral("%1 (%2)").arg(w->objectName(), QString::fromLatin1(w->metaObject()->className()));
    return unnamed;
}

// The texts that carry a mnemonic in the dialog: buttons, labels with a buddy, tab titles.
inline QStringList MnemonicTexts(QWidget* root)
{
    QStringList texts;
    for (QAbstractButton* b : root->findChildren<QAbstractButton*>())
        if (b->isVisibleTo(root) && !b->text().isEmpty())
            texts << b->text();
    for (QLabel* l : root->findChildren<QLabel*>())
        if (l->buddy())
            texts << l->text();
    for (QTabBar* bar : root->findChildren<QTabBar*>())
        for (int i = 0; i < bar->count(); ++i)
            texts << bar->tabText(i);
    return texts;
}

// Texts without a mnemonic, and texts whose mnemonic another text shares.
inline QStringList MnemonicFaults(const QStringList& texts)
{
    QStringList faults;
    QMap<QKeySequence, QString> taken;
    for (const QString& text : texts) {
        const QKeySequence key = QKeySequence::mnemonic(text);
        if (key.isEmpty())
            faults << QStringLiteral("no mnemonic: ") + text;
        else if (taken.contains(key))
            faults << QStringLiteral("%1 shares its key with %2").arg(text, taken[key]);
        else
            taken.insert(key, text);
    }
    return faults;
}

inline QStringList MenuTexts(const QMenu* menu)
{
    QStringList texts;
    for (QAction* a : menu->actions())
        if (!a->isSeparator() && a->isVisible())
            texts << a->text();
    return texts;
}

// Every text the window shows: window titles, captions, tooltips, accessible names, column
// titles, menu entries.
inline QStringList ShownTexts(QWidget* root)
{
    QStringList texts{root->windowTitle()};
    for (QWidget* w : root->findChildren<QWidget*>()) {
        if (w->window() != root)
            continue;  // another window (Qt's own file dialog) has its own texts
        texts << w->windowTitle() << w->toolTip() << w->accessibleName() << w->accessibleDescription();
        if (auto* b = qobject_cast<QAbstractButton*>(w))
            texts << b->text();
        if (auto* l = qobject_cast<QLabel*>(w))
            texts << l->text();
        if (auto* e = qobject_cast<QLineEdit*>(w))
            texts << e->placeholderText();
        if (auto* bar = qobject_cast<QTabBar*>(w))
            for (int i = 0; i < bar->count(); ++i)
                texts << bar->tabText(i) << bar->tabToolTip(i);
        if (auto* h = qobject_cast<QHeaderView*>(w); h && h->model())
            for (int i = 0; i < h->count(); ++i)
                texts << h->model()->headerData(i, h->orientation()).toString();
    }
    for (QAction* a : root->findChildren<QAction*>()) {
        auto* owner = qobject_cast<QWidget*>(a->parent());
        if (!owner || owner->window() == root)
            texts << a->text() << a->toolTip();
    }
    return texts;
}

// Words of English a user might meet; "OK" is at home in Czech and stays out.
inline QStringList EnglishWords(const QStringList& texts)
{
    static const QRegularExpression english(
        QStringLiteral("\\b(Cancel|Yes|No|Open|Save|Close|Report|File|Help|Print|Error|Warning|Zoom|Page|"
                       "First|Last|Next|Prev|Filter|Tool|Delete|Edit|New)\\b"),
        QRegularExpression::CaseInsensitiveOption);
    QStringList found;
    for (const QString& text : texts) {
        const QString plain = QString(text).remove(u'&');
        if (english.match(plain).hasMatch())
            found << plain;
    }
    return found;
}
