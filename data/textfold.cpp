#include "textfold.h"

#include "sqlite/sql3_utils.h"

#include <array>

namespace {

// A character without case and marks: its canonical decomposition without the combining marks,
// lower-cased. Several characters may come out of one (a ligature stays as it is, though).
QString BareLower(QStringView text)
{
    const QString decomposed = text.toString().normalized(QString::NormalizationForm_D);
    QString bare;
    bare.reserve(decomposed.size());
    for (QChar c : decomposed)
        if (c.category() != QChar::Mark_NonSpacing)
            bare.append(c);
    return bare.toLower();
}

// Every byte of the code page to its folded byte; a character whose bare form is not one
// character of the code page folds only its case, or stays itself.
std::array<char, 256> MakeTable()
{
    std::array<char, 256> table{};
    for (int b = 0; b < 256; ++b) {
        const char byte = char(b);
        const QString character = FromCodePage(QByteArrayView(&byte, 1));
        QString bare = BareLower(character);
        if (bare.size() != 1 || !FitsCodePage(bare))
            bare = character.toLower();
        table[size_t(b)] = bare.size() == 1 && FitsCodePage(bare) ? ToCodePage(bare).at(0) : byte;
    }
    return table;
}

const std::array<char, 256>& Table()
{
    static const std::array<char, 256> table = MakeTable();
    return table;
}

// Typed or wide text into the folded alphabet; a character outside the code page becomes SUB.
bool FoldInto(QStringView text, QByteArray& folded)
{
    const std::array<char, 256>& table = Table();
    const QString bare = BareLower(text);
    folded.resize(bare.size());
    bool fits = true;
    for (qsizetype i = 0; i < bare.size(); ++i) {
        const QChar c = bare[i];
        if (FitsCodePage(QStringView(&c, 1))) {
            folded[i] = table[quint8(ToCodePage(QStringView(&c, 1)).at(0))];
        } else {
            folded[i] = '\x1a';
            fits = false;
        }
    }
    return fits;
}

}  // namespace

QByteArray FoldCodePage(QByteArrayView bytes)
{
    const std::array<char, 256>& table = Table();
    QByteArray folded(bytes.size(), Qt::Uninitialized);
    for (qsizetype i = 0; i < bytes.size(); ++i)
        folded[i] = table[quint8(bytes[i])];
    return folded;
}

bool FoldTyped(QStringView text, QByteArray& folded)
{
    return FoldInto(text, folded);
}

TTextMatcher::TTextMatcher(QStringView text)
    : source_(text.toString())
{
    const QString words = text.toString().simplified();
    for (QStringView word : QStringView(words).split(u' ', Qt::SkipEmptyParts)) {
        QByteArray folded;
        impossible_ = !FoldTyped(word, folded) || impossible_;
        if (!folded.isEmpty())  // a lone combining mark folds to nothing
            words_.emplace_back(folded.constData(), size_t(folded.size()));
    }
    found_.assign(words_.size(), 0);
    Start();
}

void TTextMatcher::Start()
{
    std::fill(found_.begin(), found_.end(), 0);
    missing_ = words_.size();
}

void TTextMatcher::FeedCodePage(QByteArrayView bytes)
{
    if (missing_ == 0 || bytes.isEmpty())
        return;
    const std::array<char, 256>& table = Table();
    scratch_.resize(size_t(bytes.size()));
    for (qsizetype i = 0; i < bytes.size(); ++i)
        scratch_[size_t(i)] = table[quint8(bytes[i])];
    Search(scratch_);
}

void TTextMatcher::FeedText(QStringView text)
{
    if (missing_ == 0 || text.isEmpty())
        return;
    QByteArray folded;
    FoldInto(text, folded);
    Search(std::string_view(folded.constData(), size_t(folded.size())));
}

void TTextMatcher::Search(std::string_view folded)
{
    for (size_t i = 0; i < words_.size(); ++i) {
        if (!found_[i] && folded.find(words_[i]) != std::string_view::npos) {
            found_[i] = 1;
            --missing_;
        }
    }
}
