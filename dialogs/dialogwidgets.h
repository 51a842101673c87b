#pragma once

// Small factories for the controls both edit dialogs build, so they look and behave alike.

#include <QString>

#include <functional>

class QLabel;
class QLineEdit;
class QPushButton;
class QWidget;

QLabel* Label(QWidget* parent, const QString& text, const char* name = nullptr);
// Bold, optionally scaled up (the item dialog's group name is larger).
QLabel* BoldLabel(QWidget* parent, const QString& text, const char* name, qreal scale = 1.0);
QLineEdit* Edit(QWidget* parent, const char* name);
// A dialog button that is never the default one: Enter in a box must not press it.
QPushButton* Button(QWidget* parent, const char* name, const QString& caption);

// OK of an edit dialog: runs the save and commits the dialog's work. When another program holds
// the catalogue locked beyond the busy timeout, says so and returns false: the dialog stays open
// with what was typed and its work stays open for another OK or Storno. Other errors pass.
bool SaveAndCommit(QWidget* dialog, const std::function<void()>& save);
