#pragma once

// The records of a record set as a report reads them: its rows in the record set's own order (and
// filter), each field by its display text, so a field's OnGetText decides what is printed.

#include "report/reportdata.h"

class TMeral3Command;

class TRecordSetDataSource : public TReportDataSource {
public:
    // The record set must be open and outlive the data source; name qualifies fields in expressions.
    explicit TRecordSetDataSource(TMeral3Command& records, QString name = {});

    void First() override;
    void Next() override;
    bool Eof() const override;
    QString FieldText(const QString& name) const override;  // raises "Field '%s' not found"
    QString Name() const override { return name_; }

private:
    TMeral3Command& records_;
    QString name_;
};
