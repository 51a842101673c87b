// Build tool: renders the Czech help page (HTML) into the PDF that "Nápověda" opens.
// Usage: regalon_helppdf INPUT.html OUTPUT.pdf   (run with QT_QPA_PLATFORM=offscreen)

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFont>
#include <QFontInfo>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QImageReader>
#include <QMarginsF>
#include <QPageLayout>
#include <QPageSize>
#include <QPdfWriter>
#include <QRegularExpression>
#include <QTextDocument>
#include <QUrl>

#include <cstdio>
#include <optional>

namespace {

int Fail(const QString& message)
{
    std::fprintf(stderr, "regalon_helppdf: %s\n", qPrintable(message));
    return 1;
}

std::optional<QString> ReadUtf8(const QString& path, QString& error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        error = QStringLiteral("cannot read %1: %2").arg(path, file.errorString());
        return std::nullopt;
    }
    return QString::fromUtf8(file.readAll());
}

// A fallback font without Czech letters would print boxes instead of "ř" and "ů"; stop the build.
std::optional<QString> MissingCzechLetter(const QFont& font)
{
    const QFontMetrics metrics(font);
    for (QChar c : QStringLiteral("áčďéěíňóřšťúůýžÁČĎÉĚÍŇÓŘŠŤÚŮÝŽ"))
        if (!metrics.inFont(c))
            return QString(c);
    return std::nullopt;
}

// The pictures the page names, relative to its folder.
QStringList PictureNames(const QString& html)
{
    static const QRegularExpression source(QStringLiteral("<img[^>]*\\ssrc=\"([^\"]+)\""));
    QStringList names;
    for (const auto& match : source.globalMatch(html))
        names << match.captured(1);
    return names;
}

// QTextDocument silently leaves out a picture it cannot load; a renamed icon must stop the build instead.
std::optional<QString> MissingPicture(const QString& html, const QDir& folder)
{
    for (const QString& name : PictureNames(html))
        if (!QFileInfo::exists(folder.filePath(name)))
            return name;
    return std::nullopt;
}

// An SVG picture would be drawn at its own small size and blur on paper; hand the document each
// one drawn at several times that size instead.
void AddSharpPictures(QTextDocument& document, const QString& html, const QDir& folder)
{
    constexpr int kPictureScale = 8;
    for (const QString& name : PictureNames(html)) {
        QImageReader reader(folder.filePath(name));
        reader.setScaledSize(reader.size() * kPictureScale);
        document.addResource(QTextDocument::ImageResource, QUrl(name), reader.read());
    }
}

void WritePdf(QTextDocument& document, const QString& path)
{
    QPdfWriter writer(path);
    writer.setTitle(QStringLiteral("Regalon – nápověda"));
    writer.setCreator(QStringLiteral("Regalon"));
    writer.setResolution(300);
    // QTextDocument::print adds 2 cm on every side of the printable area; these make the sides 2.5 cm.
    writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                                     QMarginsF(5, 0, 5, 0), QPageLayout::Millimeter));
    document.print(&writer);  // draws the page numbers at the foot, as the page size is left unset
}

}  // namespace

int main(int argc, char* argv[])
{
    QGuiApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 3)
        return Fail(QStringLiteral("usage: regalon_helppdf INPUT.html OUTPUT.pdf"));
    const QString input = args.at(1);
    const QString output = args.at(2);

    QString error;
    const auto html = ReadUtf8(input, error);
    if (!html)
        return Fail(error);

    const QDir folder = QFileInfo(input).absoluteDir();
    if (const auto picture = MissingPicture(*html, folder))
        return Fail(QStringLiteral("%1 names a missing picture %2").arg(input, *picture));

    const QFont font(QStringLiteral("Arial"), 10);
    if (const auto letter = MissingCzechLetter(font))
        return Fail(QStringLiteral("font %1 has no letter %2").arg(QFontInfo(font).family(), *letter));

    QTextDocument document;
    document.setDefaultFont(font);
    // Pictures in the page are named relative to the HTML file, which Qt finds by the document URL.
    const QUrl url = QUrl::fromLocalFile(QFileInfo(input).absoluteFilePath());
    document.setMetaInformation(QTextDocument::DocumentUrl, url.toString());
    AddSharpPictures(document, *html, folder);
    document.setHtml(*html);

    // Written beside the target first, so a failed run never leaves a half-written help file.
    const QString partial = output + QStringLiteral(".part");
    QFile::remove(partial);
    WritePdf(document, partial);
    if (QFileInfo(partial).size() == 0)
        return Fail(QStringLiteral("cannot write %1").arg(partial));
    QFile::remove(output);
    if (!QFile::rename(partial, output))
        return Fail(QStringLiteral("cannot replace %1").arg(output));

    std::printf("%s written, font %s\n", qPrintable(output), qPrintable(QFontInfo(font).family()));
    return 0;
}
