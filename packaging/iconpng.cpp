// Build tool: renders the application's SVG icon into the PNG sizes of the hicolor icon theme.
// Usage: regalon_iconpng INPUT.svg OUTPUT-FOLDER NAME SIZE…   (run with QT_QPA_PLATFORM=offscreen)
// Writes OUTPUT-FOLDER/SIZExSIZE/apps/NAME.png for every size.

#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>

#include <cstdio>

namespace {

int Fail(const QString& message)
{
    std::fprintf(stderr, "regalon_iconpng: %s\n", qPrintable(message));
    return 1;
}

QImage Render(QSvgRenderer& svg, int size)
{
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    svg.render(&painter, QRectF(0, 0, size, size));
    return image;
}

}  // namespace

int main(int argc, char* argv[])
{
    QGuiApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 5)
        return Fail(QStringLiteral("usage: regalon_iconpng INPUT.svg OUTPUT-FOLDER NAME SIZE..."));
    QSvgRenderer svg(args.at(1));
    if (!svg.isValid())
        return Fail(QStringLiteral("cannot read %1").arg(args.at(1)));
    for (const QString& text : args.mid(4)) {
        bool number = false;
        const int size = text.toInt(&number);
        if (!number || size <= 0)
            return Fail(QStringLiteral("not a size: %1").arg(text));
        const QString folder = QStringLiteral("%1/%2x%2/apps").arg(args.at(2)).arg(size);
        const QString path = folder + u'/' + args.at(3) + QStringLiteral(".png");
        if (!QDir().mkpath(folder) || !Render(svg, size).save(path))
            return Fail(QStringLiteral("cannot write %1").arg(path));
    }
    return 0;
}
