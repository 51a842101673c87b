#pragma once

// The "Štítky" dialog: what to label, on which sheet, moved by how much, how many used labels to
// skip, and which code. The choice is read from and kept in the settings file.

#include "reports/labelsheet.h"

#include <QDialog>

class QComboBox;
class QDoubleSpinBox;
class QLineEdit;
class QSettings;
class QSpinBox;

enum class TLabelSubject { CurrentItem, ListedItems, PlacesOfListed, AllPlaces };

struct TLabelChoice {
    TLabelSubject subject = TLabelSubject::ListedItems;
    TLabelOptions options;
};

class TfLabels : public QDialog {
    Q_OBJECT

public:
    // The settings must outlive the dialog.
    TfLabels(QSettings& settings, QWidget* parent = nullptr);

    // Valid after the dialog was accepted.
    const TLabelChoice& Choice() const { return choice_; }

    // OK: a sheet that does not fit or a skip beyond the sheet is refused with the reason and the
    // dialog stays open; otherwise the choice is kept and the dialog closes.
    void btnOKClick();

private:
    void BuildControls();
    void ReadSettings();
    void WriteSettings();
    void SheetChanged();

    QSettings& settings_;
    TLabelChoice choice_;
    QComboBox* cbWhat = nullptr;
    QComboBox* cbSheet = nullptr;
    QLineEdit* edSheet = nullptr;
    QDoubleSpinBox* edOffsetX = nullptr;
    QDoubleSpinBox* edOffsetY = nullptr;
    QSpinBox* edSkip = nullptr;
    QComboBox* cbCode = nullptr;
};
