#include "extract.h"

#include <poppler-qt6.h>

TExtracted PdfText(const QByteArray& bytes)
{
    TExtracted result;
    const std::unique_ptr<Poppler::Document> document = Poppler::Document::loadFromData(bytes);
    if (!document || document->isLocked()) {
        result.Error = document ? QStringLiteral("Dokument PDF je chráněn heslem.")
                                : QStringLiteral("Dokument PDF nelze přečíst.");
        return result;
    }
    for (int i = 0; i < document->numPages(); ++i) {
        const std::unique_ptr<Poppler::Page> page = document->page(i);
        if (!page)
            continue;
        if (!AppendCapped(result.Text, page->text(QRectF())) || !AppendCapped(result.Text, u"\n"))
            break;
    }
    return result;
}
