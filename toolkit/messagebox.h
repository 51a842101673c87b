#pragma once

// The program's one way of showing a message box. Owners are the main window or the dialog the
// message belongs to. Tests switch on answering mode: every box is then recorded and answered
// from a queue instead of being shown, so no modal loop blocks them.

#include <QMessageBox>
#include <QString>

#include <functional>
#include <vector>

// The text is plain (a value holding "<b>" shows as typed) and is cut to fit the screen, so the
// buttons stay in reach. Without a default button the box chooses its own.
QMessageBox::StandardButton ShowMessage(QWidget* owner, const QString& text, const QString& caption,
                                        QMessageBox::Icon icon,
                                        QMessageBox::StandardButtons buttons = QMessageBox::Ok,
                                        QMessageBox::StandardButton defaultButton = QMessageBox::NoButton);

// A value the user made, as a message quotes it: its first line, at most 60 characters, with "…"
// where it was cut; control characters show as blanks.
QString MessageValue(const QString& value);

namespace MessageBoxAnswers {

struct Shown {
    QString text;  // as the box shows it
    QString caption;
    QMessageBox::Icon icon;
    QMessageBox::StandardButtons buttons;
    QWidget* owner;
    QMessageBox::StandardButton defaultButton;
};

// While enabled, boxes are not shown. The next box takes the first queued answer; with the queue
// empty it answers No when it offers No, else its first button.
void Enable(bool on);
bool Enabled();
void Queue(QMessageBox::StandardButton answer);
// An answer given when its box shows, so the test can change what the program meets at that moment.
void Queue(std::function<QMessageBox::StandardButton()> answer);
const std::vector<Shown>& History();
void Reset();  // empties the queue and the history

}  // namespace MessageBoxAnswers
