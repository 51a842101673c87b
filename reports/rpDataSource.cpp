#include "rpDataSource.h"

#include "sqlite/sql3_command.h"

TRecordSetDataSource::TRecordSetDataSource(TMeral3Command& records, QString name)
    : records_(records), name_(std::move(name))
{
}

void TRecordSetDataSource::First() { records_.First(); }

void TRecordSetDataSource::Next() { records_.Next(); }

bool TRecordSetDataSource::Eof() const { return records_.Eof(); }

QString TRecordSetDataSource::FieldText(const QString& name) const
{
    return records_.FieldByName(name).DisplayText();
}
