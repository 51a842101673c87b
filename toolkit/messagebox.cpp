#include "messagebox.h"

#include <QAbstractButton>

#include <deque>
#include <utility>

namespace {

struct AnsweringState {
    bool enabled = false;
    std::deque<std::function<QMessageBox::StandardButton()>> queue;
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

// Enough for every message the program writes; a box beyond it would outgrow the screen.
constexpr int kMaxLines = 12;
constexpr int kMaxLineLength = 300;
constexpr int kMaxValueLength = 60;
const QString kEllipsis = QStringLiteral("…");

QString Cut(QStringView text, qsizetype length)
{
    return text.size() > length ? text.left(length).toString() + kEllipsis : text.toString();
}

// A message ends with its question, which the buttons answer: cutting keeps the start and the end.
QString CutInside(QStringView line)
{
    if (line.size() <= kMaxLineLength)
        return line.toString();
    return line.left(kMaxLineLength / 2).toString() + kEllipsis + line.right(kMaxLineLength / 2).toString();
}

QString FitOnScreen(const QString& text)
{
    QStringList lines = text.split(u'\n');
    if (lines.size() > kMaxLines)
        lines = lines.mid(0, kMaxLines - 2) << kEllipsis << lines.last();
    for (QString& line : lines)
        line = CutInside(line);
    return lines.join(u'\n');
}

// Qt's own button texts carry no mnemonic, and are English unless its Czech translations happen
// to be installed.
void NameButtonsInCzech(QMessageBox& box)
{
    static const std::pair<QMessageBox::StandardButton, const char*> names[] = {
        {QMessageBox::Yes, "&Ano"},           {QMessageBox::No, "&Ne"},
        {QMessageBox::Cancel, "&Storno"},     {QMessageBox::Ok, "&OK"},
        {QMessageBox::Retry, "&Opakovat"},    {QMessageBox::Close, "&Zavřít"}};
    for (const auto& [button, name] : names)
        if (QAbstractButton* shown = box.button(button))
            shown->setText(QString::fromUtf8(name));
}

}  // namespace

QString MessageValue(const QString& value)
{
    qsizetype end = 0;
    while (end < value.size() && value[end] != u'\r' && value[end] != u'\n')
        ++end;
    QString line = end < value.size() ? value.left(end) + kEllipsis : value;
    line = Cut(line.left(kMaxValueLength + 1), kMaxValueLength);
    for (QChar& c : line)
        if (c.unicode() < 32)
            c = u' ';
    return line;
}

QMessageBox::StandardButton ShowMessage(QWidget* owner, const QString& text, const QString& caption,
                                        QMessageBox::Icon icon, QMessageBox::StandardButtons buttons,
                                        QMessageBox::StandardButton defaultButton)
{
    const QString shown = FitOnScreen(text);
    AnsweringState& state = answering();
    if (state.enabled) {
        state.history.push_back({shown, caption, icon, buttons, owner, defaultButton});
        if (state.queue.empty())
            return defaultAnswer(buttons);
        const auto answer = std::move(state.queue.front());
        state.queue.pop_front();
        return answer();
    }
    QMessageBox box(icon, caption, shown, buttons, owner);
    box.setTextFormat(Qt::PlainText);
    NameButtonsInCzech(box);
    if (defaultButton != QMessageBox::NoButton)
        box.setDefaultButton(defaultButton);
    return QMessageBox::StandardButton(box.exec());
}

namespace MessageBoxAnswers {

void Enable(bool on) { answering().enabled = on; }
bool Enabled() { return answering().enabled; }
void Queue(QMessageBox::StandardButton answer)
{
    Queue([answer] { return answer; });
}
void Queue(std::function<QMessageBox::StandardButton()> answer) { answering().queue.push_back(std::move(answer)); }
const std::vector<Shown>& History() { return answering().history; }

void Reset()
{
    answering().queue.clear();
    answering().history.clear();
}

}  // namespace MessageBoxAnswers
