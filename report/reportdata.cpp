#include "reportdata.h"

#include "sqlite/errors.h"

#include <algorithm>

TMemoryDataSource::TMemoryDataSource(QStringList fields, QString name)
    : fields_(std::move(fields)), name_(std::move(name))
{
}

void TMemoryDataSource::AddRecord(const QStringList& values)
{
    if (values.size() != fields_.size())
        throw Exception(QStringLiteral("A record of %1 values does not match %2 fields")
                            .arg(values.size()).arg(fields_.size()));
    rows_.push_back(values);
}

void TMemoryDataSource::Next()
{
    if (!Eof())
        ++current_;
}

QString TMemoryDataSource::FieldText(const QString& name) const
{
    const auto it = std::find_if(fields_.begin(), fields_.end(),
                                 [&](const QString& f) { return f.compare(name, Qt::CaseInsensitive) == 0; });
    if (it == fields_.end())
        throw Exception(QStringLiteral("Field \"%1\" not found").arg(name));
    if (Eof())
        throw Exception(QStringLiteral("Field \"%1\" read past the last record").arg(name));
    return rows_[current_][it - fields_.begin()];
}
