#pragma once

// Which items a filter text finds through their documents: the index is asked once per filter
// text, then each item is judged by its main document path and the file links of its content.

#include <QByteArrayView>
#include <QHash>
#include <QString>

#include <functional>
#include <optional>

class TDocumentMatcher {
public:
    TDocumentMatcher(QString indexFile, QString driver);

    // Looks the filter text up unless it was the last one looked up; a missing or unreadable index
    // finds nothing.
    void Prepare(const QString& filterText);
    void Forget() { searched_.reset(); }  // the index changed
    bool IsEmpty() const { return excerpts_.isEmpty(); }
    // The item's main document path and its content's stored bytes and text (the text is decoded
    // only when the bytes hold a file link).
    bool Matches(const QString& mainPath, QByteArrayView contentBytes, const std::function<QString()>& content) const;
    // The matching document of an item, "name: excerpt"; empty when none.
    QString ExcerptOf(const QString& mainPath, const QString& content) const;

private:
    QString Excerpt(const QString& path) const;

    QString indexFile_, driver_;
    std::optional<QString> searched_;
    QHash<QString, QString> excerpts_;  // path → document name and excerpt
};
