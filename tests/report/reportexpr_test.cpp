#include "report/reportexpr.h"
#include "sqlite/errors.h"

#include <gtest/gtest.h>

TEST(ReportExpressionTest, joinsCountFieldsAndTexts)
{
    const TFieldReader fields = [](const QString& name) { return name == "MISTO" ? QString("Sklad") : QString("?"); };
    EXPECT_EQ(TReportExpression("COUNT + ' položek'").Evaluate(1, fields), "1 položek");
    EXPECT_EQ(TReportExpression("count+' ks'").Evaluate(12, fields), "12 ks");
    EXPECT_EQ(TReportExpression("COUNT + 1 + ' a'").Evaluate(2, fields), "3 a");
    EXPECT_EQ(TReportExpression("'it''s ' + MISTO").Evaluate(0, fields), "it's Sklad");
    EXPECT_EQ(TReportExpression("queryRepo.MISTO").Evaluate(0, fields, "queryRepo"), "Sklad");
    EXPECT_EQ(TReportExpression("'a' + queryRepo.MISTO").FieldNames(), QStringList{"MISTO"});
    EXPECT_THROW(TReportExpression("other.MISTO").Evaluate(0, fields, "queryRepo"), Exception);
}

TEST(ReportExpressionTest, rejectsMalformedTextNamingIt)
{
    for (const char* bad : {"", "COUNT +", "'open", "COUNT * 2", "a. + 1", "99999999999999999999"})
        EXPECT_THROW(TReportExpression{QString(bad)}, Exception) << bad;
    try {
        TReportExpression("COUNT - 1");
        FAIL();
    } catch (const Exception& e) {
        EXPECT_TRUE(e.Message().contains("COUNT - 1")) << e.Message().toStdString();
    }
}
