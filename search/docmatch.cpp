#include "docmatch.h"

#include "fulltext.h"

#include "data/docstore.h"
#include "sqlite/errors.h"

#include <QStringList>

TDocumentMatcher::TDocumentMatcher(QString indexFile, QString driver)
    : indexFile_(std::move(indexFile))
    , driver_(std::move(driver))
{
}

void TDocumentMatcher::Prepare(const QString& filterText)
{
    if (searched_ == filterText)
        return;
    searched_ = filterText;
    excerpts_.clear();
    if (filterText.isEmpty())
        return;
    try {
        TFulltextIndex index(indexFile_, driver_, false);
        for (const TDocumentHit& hit : index.Search(filterText))
            excerpts_.insert(hit.Path, DocumentFileName(hit.Path) + QStringLiteral(": ") + hit.Excerpt.simplified());
    } catch (const Exception&) {
        // No index yet, or one being made anew: nothing matches until it is ready.
    }
}

// A path as an item names it, also in the Windows spelling the document store looks up.
QString TDocumentMatcher::Excerpt(const QString& path) const
{
    if (path.isEmpty())
        return {};
    if (const auto it = excerpts_.constFind(path); it != excerpts_.constEnd())
        return *it;
    QString windows = path;
    windows.replace(u'/', u'\\');
    return excerpts_.value(windows);
}

bool TDocumentMatcher::Matches(const QString& mainPath, QByteArrayView contentBytes,
                               const std::function<QString()>& content) const
{
    if (excerpts_.isEmpty())
        return false;
    if (!Excerpt(mainPath.trimmed()).isEmpty())
        return true;
    if (!contentBytes.contains(QByteArrayView(FileLinkPrefix)))
        return false;
    QStringList links;
    AppendContentLinks(content(), links);
    return std::any_of(links.begin(), links.end(), [this](const QString& link) { return !Excerpt(link).isEmpty(); });
}

QString TDocumentMatcher::ExcerptOf(const QString& mainPath, const QString& content) const
{
    QString text = Excerpt(mainPath.trimmed());
    if (!text.isEmpty() || excerpts_.isEmpty())
        return text;
    QStringList links;
    AppendContentLinks(content, links);
    for (int i = 0; text.isEmpty() && i < links.size(); ++i)
        text = Excerpt(links[i]);
    return text;
}
