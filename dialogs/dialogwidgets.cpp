#include "dialogwidgets.h"

#include "data/uDM.h"
#include "toolkit/lockedwrite.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

QLabel* Label(QWidget* parent, const QString& text, const char* name)
{
    auto* label = new QLabel(text, parent);
    if (name)
        label->setObjectName(QString::fromLatin1(name));
    return label;
}

QLabel* BoldLabel(QWidget* parent, const QString& text, const char* name, qreal scale)
{
    QLabel* label = Label(parent, text, name);
    QFont bold = label->font();
    bold.setBold(true);
    if (scale != 1.0)
        bold.setPointSizeF(bold.pointSizeF() * scale);
    label->setFont(bold);
    return label;
}

QLineEdit* Edit(QWidget* parent, const char* name)
{
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(QString::fromLatin1(name));
    return edit;
}

QPushButton* Button(QWidget* parent, const char* name, const QString& caption)
{
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setAutoDefault(false);
    button->setDefault(false);
    button->setMinimumWidth(88);
    return button;
}

bool SaveAndCommit(QWidget* dialog, const std::function<void()>& save)
{
    try {
        save();
        dm->CommitWork();  // here, not after the dialog closed: a refused commit keeps the input
        return true;
    } catch (const EDatabaseError& e) {
        if (!IsLockedError(e))
            throw;
        ShowLockedWrite(dialog, QStringLiteral("Uložení se nezdařilo!"),
                        QStringLiteral("Zadané údaje zůstávají v okně: zkuste OK za chvíli znovu, nebo okno zavřete "
                                       "bez uložení."),
                        e);
        return false;
    }
}
