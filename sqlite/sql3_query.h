#pragma once

// A record set over a free SQL text with named parameters (":ident").

#include "sql3_command.h"

#include <QStringList>

class TMeral3Query : public TMeral3Command {
public:
    TMeral3Query();

    // Assigning the lines as a whole applies them; lines edited in place through SQLLines() take
    // effect with ApplySQL (or at the next open while no statement is in force).
    const QStringList& SQL() const { return sql_; }
    void SetSQL(const QStringList& lines);
    void SetSQL(const QString& text) { SetSQL(QStringList{text}); }
    QStringList& SQLLines() { return sql_; }
    void ApplySQL();

    TParam& ParamByName(const QString& name);  // raises "Parameter '%s' not found"

protected:
    void DoBeforeOpen() override;

private:
    QStringList sql_;
};
