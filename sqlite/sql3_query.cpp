#include "sql3_query.h"

#include "sql3_utils.h"

TMeral3Query::TMeral3Query() : TMeral3Command(ckQuery)
{
}

void TMeral3Query::SetSQL(const QStringList& lines)
{
    sql_ = lines;
    ApplySQL();
}

void TMeral3Query::ApplySQL()
{
    SetStatementText(sql_.join(QStringLiteral("\r\n")));
}

TParam& TMeral3Query::ParamByName(const QString& name)
{
    TParam* p = Params().FindParam(name);
    if (!p)
        ReportError(QStringLiteral("Parameter '%1' not found").arg(name));
    return *p;
}

void TMeral3Query::DoBeforeOpen()
{
    if (IsBlank(StatementText()))
        ApplySQL();
}
