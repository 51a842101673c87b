#include "csvimport.h"
#include "csvexport.h"
#include "csvimportrows.h"

#include "sqlite/errors.h"
#include "sqlite/sql3_exec.h"
#include "sqlite/sql3_utils.h"

#include <QCollator>
#include <QSet>

namespace {

QString NormalizeBreaks(const QString& text)
{
    if (!text.contains(u'\n') && !text.contains(u'\r'))
        return text;
    QString out;
    out.reserve(text.size() + 16);
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == u'\r' || text[i] == u'\n') {
            out += QLatin1String("\r\n");
            if (text[i] == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n')
                ++i;
        } else {
            out += text[i];
        }
    }
    return out;
}

QString ReplaceForeign(const QString& text)
{
    QString out = text;
    for (QChar& c : out)
        if (!FitsCodePage(QStringView(&c, 1)))
            c = u'?';
    return out;
}

// Checks one value against its column: the code page, then the length. Answers the value as
// it will be written under the choice.
QString Fit(const QString& value, qint64 line, int column, ImportTarget target, const ImportSettings& settings,
            std::vector<ImportProblem>& problems, ImportRow& row)
{
    QString fitted = value;
    if (!FitsCodePage(value)) {
        qsizetype at = 0;
        while (FitsCodePage(QStringView(value).sliced(at, 1)))
            ++at;
        problems.push_back({line, column, target, ProblemKind::CodePage,
                            QStringLiteral("znak \"%1\" (U+%2) nelze uložit v kódové stránce Windows-1250")
                                .arg(value.sliced(at, value[at].isHighSurrogate() ? 2 : 1))
                                .arg(value[at].unicode(), 4, 16, QLatin1Char('0'))});
        fitted = ReplaceForeign(value);
        row.faulty = true;
    }
    const int limit = TargetLimit(target);
    if (limit > 0 && fitted.size() > limit) {
        problems.push_back({line, column, target, ProblemKind::TooLong,
                            QStringLiteral("text má %1 znaků, vejde se nejvýše %2").arg(fitted.size()).arg(limit)});
        fitted.truncate(limit);
        row.faulty = true;
    }
    return settings.choice == ImportChoice::Cut ? fitted : value;
}

QStringList SplitPath(const QString& path)
{
    QStringList names;
    for (const QString& name : path.split(u'>'))
        if (!name.trimmed().isEmpty())
            names << name.trimmed();
    return names;
}

void FitIdent(const QString& text, qint64 line, int column, std::vector<ImportProblem>& problems, ImportRow& row)
{
    if (IsBlank(text))
        return;
    bool ok = false;
    const qint64 ident = text.trimmed().toLongLong(&ok);
    if (ok && ident > 0 && ident <= 0x7FFFFFFF) {
        row.ident = ident;
        return;
    }
    problems.push_back({line, column, ImportTarget::Ident, ProblemKind::BadIdent,
                        QStringLiteral("\"%1\" není číslo položky").arg(text.left(40))});
    row.faulty = true;
}

}  // namespace

QString TargetName(ImportTarget target)
{
    static const QStringList names{QStringLiteral("nepoužít"), QStringLiteral("Skupina"), QStringLiteral("Označení"),
                                   QStringLiteral("Popis"),    QStringLiteral("Umístění"), QStringLiteral("Dokument"),
                                   QStringLiteral("Obsah"),    QStringLiteral("Číslo")};
    return names.value(int(target));
}

int TargetLimit(ImportTarget target)
{
    switch (target) {
    case ImportTarget::Group:
    case ImportTarget::Name:
    case ImportTarget::Place:
        return 32;
    case ImportTarget::Description:
        return 64;
    case ImportTarget::Document:
        return 255;
    default:
        return 0;
    }
}

std::vector<ImportTarget> MappingFromHeader(const QStringList& header)
{
    std::vector<ImportTarget> mapping;
    QSet<int> taken;
    for (const QString& name : header) {
        ImportTarget target = ImportTarget::Ignore;
        for (int t = 1; t < kImportTargetCount; ++t)
            if (!taken.contains(t) && name.trimmed().compare(TargetName(ImportTarget(t)), Qt::CaseInsensitive) == 0) {
                target = ImportTarget(t);
                taken.insert(t);
            }
        mapping.push_back(target);
    }
    return mapping;
}

QString ImportProblem::Text() const
{
    if (column == 0)
        return QStringLiteral("řádek %1: %2").arg(line).arg(detail);
    return QStringLiteral("řádek %1, sloupec %2 (%3): %4").arg(line).arg(column).arg(TargetName(target), detail);
}

ImportRow PrepareRow(const QStringList& fields, qint64 line, const ImportSettings& settings,
                     std::vector<ImportProblem>& problems)
{
    ImportRow row;
    bool itemValue = false;
    for (qsizetype i = 0; i < fields.size() && i < qsizetype(settings.mapping.size()); ++i) {
        const ImportTarget target = settings.mapping[size_t(i)];
        const QString cell = UnguardFormula(fields[i]);
        const int column = int(i) + 1;
        if (target == ImportTarget::Ignore)
            continue;
        itemValue = itemValue || (target != ImportTarget::Group && !cell.isEmpty());
        if (target == ImportTarget::Ident) {
            FitIdent(cell, line, column, problems, row);
        } else if (target == ImportTarget::Group) {
            for (const QString& name : SplitPath(cell))
                row.groupPath << Fit(name, line, column, target, settings, problems, row);
        } else {
            const QString value = target == ImportTarget::Content ? NormalizeBreaks(cell) : cell;
            row.values[size_t(target)] = Fit(value, line, column, target, settings, problems, row);
        }
    }
    row.groupOnly = !itemValue && !row.groupPath.isEmpty();
    if (!row.groupOnly && IsBlank(row.Value(ImportTarget::Name))) {
        problems.push_back({line, 0, ImportTarget::Name, ProblemKind::EmptyName, QStringLiteral("položka nemá označení")});
        row.faulty = true;
        row.refused = true;  // nothing to cut: such a row is never imported
    }
    if (row.faulty && settings.choice != ImportChoice::Cut)
        row.refused = true;
    return row;
}
