#include "messagebox.h"

#include <deque>

namespace {

struct AnsweringState {
    bool enabled = false;
    std::deque<QMessageBox::StandardButton> queue;
    std::vector<MessageBoxAnswers::Shown> history;
};

AnsweringState& answering()
{
    static AnsweringState state;
    return state;
}

QMessageBox::StandardButton defaultAnswer(QMessageBox::StandardButtons buttons)
{
    if (buttons & QMessageBox::No)
        return QMessageBox::No;
    for (unsigned bit = QMessageBox::FirstButton; bit <= QMessageBox::LastButton; bit <<= 1)
        if (buttons & bit)
            return QMessageBox::StandardButton(bit);
    return QMessageBox::NoButton;
}

}  // namespace

QMessageBox::StandardButton ShowMessage(QWidget* owner, const QString& text, const QString& caption,
                                        QMessageBox::Icon icon, QMessageBox::StandardButtons buttons)
{
    AnsweringState& state = answering();
    if (state.enabled) {
        state.history.push_back({text, caption, icon, buttons, owner});
        if (state.queue.empty())
            return defaultAnswer(buttons);
        QMessageBox::StandardButton answer = state.queue.front();
        state.queue.pop_front();
        return answer;
    }
    QMessageBox box(icon, caption, text, buttons, owner);
    return QMessageBox::StandardButton(box.exec());
}

namespace MessageBoxAnswers {

void Enable(bool on) { answering().enabled = on; }
bool Enabled() { return answering().enabled; }
void Queue(QMessageBox::StandardButton answer) { answering().queue.push_back(answer); }
const std::vector<Shown>& History() { return answering().history; }

void Reset()
{
    answering().queue.clear();
    answering().history.clear();
}

}  // namespace MessageBoxAnswers
