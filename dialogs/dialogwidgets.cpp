#include "dialogwidgets.h"

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
