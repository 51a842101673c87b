#include "reports/fmLabels.h"

#include "tests/support/workfolder.h"
#include "toolkit/messagebox.h"

#include <QComboBox>
#include <QDoubleSpinBox>
#include <QLineEdit>
#include <QSettings>
#include <QSpinBox>

#include <gtest/gtest.h>

namespace {

class LabelsDialog : public ::testing::Test {
protected:
    void SetUp() override
    {
        MessageBoxAnswers::Reset();
        MessageBoxAnswers::Enable(true);
    }
    void TearDown() override
    {
        MessageBoxAnswers::Enable(false);
        MessageBoxAnswers::Reset();
    }

    template <typename T>
    static T* Control(TfLabels& dialog, const char* name)
    {
        T* control = dialog.findChild<T*>(QString::fromLatin1(name));
        EXPECT_TRUE(control) << name;
        return control;
    }

    TempWorkFolder folder;
    QSettings settings{folder.File("regalon.ini"), QSettings::IniFormat};
};

}  // namespace

TEST_F(LabelsDialog, theChoiceIsKeptInTheSettingsAndOfferedNextTime)
{
    {
        TfLabels dialog(settings);
        EXPECT_EQ(Control<QComboBox>(dialog, "cbSheet")->currentData().toString(), "a4-3x8-70x37");
        EXPECT_FALSE(Control<QLineEdit>(dialog, "edSheet")->isEnabled());
        Control<QComboBox>(dialog, "cbWhat")->setCurrentIndex(3);
        QComboBox* sheet = Control<QComboBox>(dialog, "cbSheet");
        sheet->setCurrentIndex(sheet->count() - 1);
        Control<QLineEdit>(dialog, "edSheet")->setText("4x10:48.5x25.4:8,21.5:2.5,0");
        Control<QDoubleSpinBox>(dialog, "edOffsetX")->setValue(-1.5);
        Control<QDoubleSpinBox>(dialog, "edOffsetY")->setValue(0.7);
        Control<QSpinBox>(dialog, "edSkip")->setValue(13);
        Control<QComboBox>(dialog, "cbCode")->setCurrentIndex(2);
        dialog.btnOKClick();
        EXPECT_EQ(dialog.result(), QDialog::Accepted);
        const TLabelChoice& choice = dialog.Choice();
        EXPECT_EQ(choice.subject, TLabelSubject::AllPlaces);
        EXPECT_EQ(choice.options.sheet.gapX, 2.5);
        EXPECT_EQ(choice.options.offset, QPointF(-1.5, 0.7));
        EXPECT_EQ(choice.options.skip, 13);
        EXPECT_EQ(choice.options.symbology, TSymbology::Code128);
    }
    QSettings reread(folder.File("regalon.ini"), QSettings::IniFormat);
    TfLabels again(reread);
    EXPECT_EQ(Control<QComboBox>(again, "cbWhat")->currentIndex(), 3);
    EXPECT_EQ(Control<QLineEdit>(again, "edSheet")->text(), "4x10:48.5x25.4:8,21.5:2.5,0");
    EXPECT_TRUE(Control<QLineEdit>(again, "edSheet")->isEnabled());
    EXPECT_EQ(Control<QDoubleSpinBox>(again, "edOffsetX")->value(), -1.5);
    EXPECT_EQ(Control<QSpinBox>(again, "edSkip")->value(), 13);
    EXPECT_EQ(Control<QComboBox>(again, "cbCode")->currentIndex(), 2);
}

TEST_F(LabelsDialog, aSheetThatDoesNotFitOrASkipBeyondItKeepsTheDialogOpenWithTheReason)
{
    TfLabels dialog(settings);
    QComboBox* sheet = Control<QComboBox>(dialog, "cbSheet");
    sheet->setCurrentIndex(sheet->count() - 1);
    Control<QLineEdit>(dialog, "edSheet")->setText("4x10:48.5x25.4:10,21.5:2.5,0");
    dialog.btnOKClick();
    EXPECT_NE(dialog.result(), QDialog::Accepted);
    ASSERT_EQ(MessageBoxAnswers::History().size(), 1u);
    EXPECT_TRUE(MessageBoxAnswers::History()[0].text.contains("211.5 mm zleva"));

    sheet->setCurrentIndex(0);  // 24 labels
    Control<QSpinBox>(dialog, "edSkip")->setValue(24);
    dialog.btnOKClick();
    EXPECT_NE(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(MessageBoxAnswers::History().size(), 2u);
    EXPECT_FALSE(settings.contains("Labels/Sheet"));
}
