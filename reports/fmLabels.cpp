#include "fmLabels.h"

#include "sqlite/errors.h"
#include "toolkit/messagebox.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QSpinBox>

#include <algorithm>

namespace {

const QString kGroup = QStringLiteral("Labels");

template <typename T>
T* Named(T* widget, const char* name)
{
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

QDoubleSpinBox* OffsetBox(QWidget* parent, const char* name)
{
    auto* box = Named(new QDoubleSpinBox(parent), name);
    box->setRange(-10, 10);
    box->setDecimals(1);
    box->setSingleStep(0.1);
    box->setSuffix(QStringLiteral(" mm"));
    return box;
}

}  // namespace

TfLabels::TfLabels(QSettings& settings, QWidget* parent) : QDialog(parent), settings_(settings)
{
    setObjectName(QStringLiteral("fmLabels"));
    setWindowTitle(QStringLiteral("Štítky"));
    BuildControls();
    ReadSettings();
}

void TfLabels::BuildControls()
{
    auto* form = new QFormLayout(this);
    cbWhat = Named(new QComboBox(this), "cbWhat");
    cbWhat->addItems({QStringLiteral("Aktuální položka"), QStringLiteral("Zobrazené položky"),
                      QStringLiteral("Místa uložení zobrazených položek"), QStringLiteral("Všechna místa uložení")});
    form->addRow(QStringLiteral("&Co:"), cbWhat);

    cbSheet = Named(new QComboBox(this), "cbSheet");
    for (const TLabelSheet& preset : LabelSheetPresets())
        cbSheet->addItem(preset.title, preset.name);
    cbSheet->addItem(QStringLiteral("Vlastní arch"), QString());
    form->addRow(QStringLiteral("&Arch:"), cbSheet);
    edSheet = Named(new QLineEdit(this), "edSheet");
    edSheet->setPlaceholderText(QStringLiteral("SLOUPCExŘADY:ŠxV:VLEVO,SHORA:MEZERAX,MEZERAY (mm)"));
    form->addRow(QStringLiteral("&Vlastní arch:"), edSheet);
    connect(cbSheet, &QComboBox::currentIndexChanged, this, [this] { SheetChanged(); });

    auto* offsets = new QHBoxLayout;
    edOffsetX = OffsetBox(this, "edOffsetX");
    edOffsetY = OffsetBox(this, "edOffsetY");
    offsets->addWidget(edOffsetX);
    offsets->addWidget(edOffsetY);
    form->addRow(QStringLiteral("&Posun tisku vpravo, dolů:"), offsets);

    edSkip = Named(new QSpinBox(this), "edSkip");
    edSkip->setRange(0, 999);
    form->addRow(QStringLiteral("&Vynechat prvních štítků:"), edSkip);

    cbCode = Named(new QComboBox(this), "cbCode");
    cbCode->addItem(QStringLiteral("QR"), SymbologyName(TSymbology::QR));
    cbCode->addItem(QStringLiteral("Data Matrix"), SymbologyName(TSymbology::DataMatrix));
    cbCode->addItem(QStringLiteral("Code 128 (čtečky čárových kódů)"), SymbologyName(TSymbology::Code128));
    form->addRow(QStringLiteral("&Kód:"), cbCode);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    Named(buttons->button(QDialogButtonBox::Ok), "btnOK")->setText(QStringLiteral("Náhled"));
    Named(buttons->button(QDialogButtonBox::Cancel), "btnCancel")->setText(QStringLiteral("Storno"));
    connect(buttons, &QDialogButtonBox::accepted, this, [this] { btnOKClick(); });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    form->addRow(buttons);
}

void TfLabels::SheetChanged()
{
    const bool own = cbSheet->currentData().toString().isEmpty();
    edSheet->setEnabled(own);
    if (!own)
        edSheet->setText(ParseLabelSheet(cbSheet->currentData().toString()).Text());
}

void TfLabels::ReadSettings()
{
    settings_.beginGroup(kGroup);
    cbWhat->setCurrentIndex(std::clamp(settings_.value(QStringLiteral("What"), 1).toInt(), 0, cbWhat->count() - 1));
    const QString sheet = settings_.value(QStringLiteral("Sheet"), LabelSheetPresets().front().name).toString();
    const int preset = cbSheet->findData(sheet);
    cbSheet->setCurrentIndex(preset >= 0 ? preset : cbSheet->count() - 1);
    SheetChanged();
    if (preset < 0)
        edSheet->setText(sheet);
    edOffsetX->setValue(settings_.value(QStringLiteral("OffsetX"), 0.0).toDouble());
    edOffsetY->setValue(settings_.value(QStringLiteral("OffsetY"), 0.0).toDouble());
    edSkip->setValue(settings_.value(QStringLiteral("Skip"), 0).toInt());
    const int code = cbCode->findData(settings_.value(QStringLiteral("Code")).toString());
    cbCode->setCurrentIndex(std::max(code, 0));
    settings_.endGroup();
}

void TfLabels::WriteSettings()
{
    settings_.beginGroup(kGroup);
    settings_.setValue(QStringLiteral("What"), cbWhat->currentIndex());
    const QString preset = cbSheet->currentData().toString();
    settings_.setValue(QStringLiteral("Sheet"), preset.isEmpty() ? choice_.options.sheet.Text() : preset);
    settings_.setValue(QStringLiteral("OffsetX"), choice_.options.offset.x());
    settings_.setValue(QStringLiteral("OffsetY"), choice_.options.offset.y());
    settings_.setValue(QStringLiteral("Skip"), choice_.options.skip);
    settings_.setValue(QStringLiteral("Code"), SymbologyName(choice_.options.symbology));
    settings_.endGroup();
    settings_.sync();
}

void TfLabels::btnOKClick()
{
    TLabelChoice choice;
    try {
        const QString preset = cbSheet->currentData().toString();
        TLabelOptions& options = choice.options;
        options.sheet = ParseLabelSheet(preset.isEmpty() ? edSheet->text() : preset);
        options.offset = QPointF(edOffsetX->value(), edOffsetY->value());
        options.skip = edSkip->value();
        PlaceLabels(options.sheet, 0, options.skip, options.offset);  // refuses a skip beyond the sheet
    } catch (const Exception& error) {
        ShowMessage(this, error.Message(), QStringLiteral("Štítky"), QMessageBox::Warning);
        return;
    }
    choice.subject = TLabelSubject(cbWhat->currentIndex());
    choice.options.symbology = SymbologyByName(cbCode->currentData().toString()).value_or(TSymbology::QR);
    choice_ = choice;
    WriteSettings();
    accept();
}
