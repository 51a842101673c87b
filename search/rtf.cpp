#include "extract.h"

#include <QSet>
#include <QStringDecoder>

namespace {

// The text of an RTF document: groups of destinations that hold no body text are skipped, "\'hh"
// is a byte of the document's code page, "\uN" a character followed by \ucN fallback characters.
class TRtfReader {
public:
    explicit TRtfReader(const QByteArray& bytes)
        : in_(bytes)
    {
    }
    QString Read();

private:
    struct Group {
        bool skip = false;
        int fallback = 1;
    };
    void ControlWord();
    void Emit(QStringView text);
    void EmitByte(char byte);
    void FlushBytes();

    const QByteArray& in_;
    qsizetype pos_ = 0;
    QString out_;
    QByteArray pending_;  // bytes of "\'hh" waiting to be decoded together
    std::vector<Group> groups_{Group{}};
    int toSkip_ = 0;  // fallback characters still to drop after "\uN"
    QByteArray codec_ = "windows-1250";
    bool full_ = false;
};

QString TRtfReader::Read()
{
    while (pos_ < in_.size() && !full_) {
        const char c = in_[pos_++];
        if (c == '{') {
            FlushBytes();
            groups_.push_back(groups_.back());
        } else if (c == '}') {
            FlushBytes();
            if (groups_.size() > 1)
                groups_.pop_back();
        } else if (c == '\\') {
            ControlWord();
        } else if (c != '\r' && c != '\n') {
            EmitByte(c);
        }
    }
    FlushBytes();
    return out_;
}

void TRtfReader::ControlWord()
{
    if (pos_ >= in_.size())
        return;
    const char first = in_[pos_];
    if (!std::isalpha(quint8(first))) {
        ++pos_;
        if (first == '\'' && pos_ + 2 <= in_.size()) {
            bool ok = false;
            const int byte = in_.mid(pos_, 2).toInt(&ok, 16);
            pos_ += 2;
            if (ok)
                EmitByte(char(byte));
        } else if (first == '*') {
            groups_.back().skip = true;
        } else if (first == '\\' || first == '{' || first == '}') {
            EmitByte(first);
        } else if (first == '~') {
            Emit(u" ");
        }
        return;
    }
    const qsizetype start = pos_;
    while (pos_ < in_.size() && std::isalpha(quint8(in_[pos_])))
        ++pos_;
    const QByteArray word = in_.mid(start, pos_ - start);
    const qsizetype numberStart = pos_;
    if (pos_ < in_.size() && in_[pos_] == '-')
        ++pos_;
    while (pos_ < in_.size() && pos_ - numberStart < 11 && std::isdigit(quint8(in_[pos_])))
        ++pos_;
    const int number = in_.mid(numberStart, pos_ - numberStart).toInt();
    if (pos_ < in_.size() && in_[pos_] == ' ')
        ++pos_;
    static const QSet<QByteArray> hidden = {"fonttbl", "colortbl", "stylesheet", "info", "pict", "header",
                                            "footer", "object", "listtable", "listoverridetable", "themedata"};
    if (hidden.contains(word)) {
        groups_.back().skip = true;
    } else if (word == "par" || word == "line" || word == "tab" || word == "cell" || word == "row") {
        Emit(u" ");
    } else if (word == "ansicpg") {
        codec_ = "windows-" + QByteArray::number(number);
    } else if (word == "uc") {
        groups_.back().fallback = std::max(0, number);
    } else if (word == "u") {
        const char16_t unit = char16_t(number < 0 ? number + 65536 : number);
        Emit(QStringView(&unit, 1));
        toSkip_ = groups_.back().fallback;
    }
}

void TRtfReader::EmitByte(char byte)
{
    if (groups_.back().skip)
        return;
    if (toSkip_ > 0) {
        --toSkip_;
        return;
    }
    pending_.append(byte);
}

void TRtfReader::Emit(QStringView text)
{
    if (groups_.back().skip)
        return;
    FlushBytes();
    full_ = !AppendCapped(out_, text);
}

void TRtfReader::FlushBytes()
{
    if (pending_.isEmpty())
        return;
    QStringDecoder decoder(codec_.constData());
    const QString text = decoder.isValid() ? decoder.decode(pending_) : QString::fromLatin1(pending_);
    pending_.clear();
    full_ = !AppendCapped(out_, text);
}

}  // namespace

QString RtfText(const QByteArray& bytes)
{
    return TRtfReader(bytes).Read();
}
