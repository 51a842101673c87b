#pragma once

// Text compared without letter case and without diacritics, word by word. The catalogue keeps its
// text as Windows-1250 bytes, so the stored side is folded a byte at a time through a table of the
// code page; the typed side goes through its canonical decomposition first, so a letter typed as a
// base letter and a combining mark folds like the precomposed one. Both tables come from Qt's
// Unicode data, so every accented letter of the code page is covered, not a hand-made list.

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

#include <string>
#include <vector>

// The folded form of stored Windows-1250 bytes: same length, letters lower-case without marks.
QByteArray FoldCodePage(QByteArrayView bytes);
// The folded form of typed text in the same byte alphabet; false when the text holds a character
// that no Windows-1250 text can hold (so no stored text can match it).
bool FoldTyped(QStringView text, QByteArray& folded);

// Matches records when every word of the filter text stands, folded, in one of the fields fed to it.
// Feed the fields of one record, in any order, then ask AllFound; Start begins the next record.
class TTextMatcher {
public:
    TTextMatcher() = default;
    explicit TTextMatcher(QStringView text);  // words are separated by white space

    bool IsEmpty() const { return words_.empty() && !impossible_; }
    const QString& Source() const { return source_; }
    void Start();
    void FeedCodePage(QByteArrayView bytes);
    void FeedText(QStringView text);  // text that is not stored as code-page bytes
    bool AllFound() const { return !impossible_ && missing_ == 0; }

private:
    void Search(std::string_view folded);

    QString source_;
    std::vector<std::string> words_;
    std::vector<char> found_;
    std::string scratch_;
    size_t missing_ = 0;
    bool impossible_ = false;
};
