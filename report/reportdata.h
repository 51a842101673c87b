#pragma once

// Where a report reads its records from. The engine calls First() once, reads the current record
// with FieldText and moves on with Next() until Eof(). Report classes adapt their record sets to it.

#include <QString>
#include <QStringList>

#include <vector>

class TReportDataSource {
public:
    virtual ~TReportDataSource() = default;

    virtual void First() = 0;
    virtual void Next() = 0;
    virtual bool Eof() const = 0;
    // The text the field shows for the current record. An unknown name raises an Exception naming it.
    virtual QString FieldText(const QString& name) const = 0;
    // The name expressions may qualify fields with ("queryRepo.MATR_MISTO"); empty accepts any.
    virtual QString Name() const { return {}; }
};

// Records held in memory: generated lists, tests and benchmarks.
class TMemoryDataSource : public TReportDataSource {
public:
    explicit TMemoryDataSource(QStringList fields, QString name = {});

    void AddRecord(const QStringList& values);  // one value per field, in field order
    int RecordCount() const { return int(rows_.size()); }

    void First() override { current_ = 0; }
    void Next() override;
    bool Eof() const override { return current_ >= rows_.size(); }
    QString FieldText(const QString& name) const override;
    QString Name() const override { return name_; }

private:
    QStringList fields_;
    QString name_;
    std::vector<QStringList> rows_;
    std::size_t current_ = 0;
};
