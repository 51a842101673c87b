#pragma once

// The CSV import dialog: the file, its detected encoding and delimiter (changeable), a preview of
// the first rows with a target per column, the target group, the check and dry-run report with a
// progress bar and a cancel button, and the choice for values that do not fit. The dialog writes
// nothing: "Importovat" closes it with the file and settings checked, and the main window runs
// the import with its progress panel.

#include "exchange/csvimport.h"

#include <QDialog>

#include <optional>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QTableWidget;
class Tdm;

class TfCsvImport : public QDialog {
    Q_OBJECT

public:
    explicit TfCsvImport(Tdm& data, QWidget* parent = nullptr);

    // Detects the file's reading, shows the preview and proposes the mapping from its header.
    // A file that cannot be read as CSV is reported in the report box and cannot be imported.
    void OpenFile(const QString& path);
    void btnFileClick();
    void btnCheckClick();
    // Checks first when the settings changed since the check; accepts unless a value that does not
    // fit would stop the import.
    void bImportClick();
    // The settings as the controls stand.
    ImportSettings Settings() const;
    const QString& FileName() const { return path_; }

    QLineEdit* edFile = nullptr;
    QPushButton* btnFile = nullptr;
    QComboBox* cbEncoding = nullptr;
    QComboBox* cbDelimiter = nullptr;
    QCheckBox* chkHeader = nullptr;
    QTableWidget* preview = nullptr;  // row 0 holds the target combos "target<column>"
    QComboBox* cbGroup = nullptr;
    QCheckBox* chkUpdate = nullptr;
    QCheckBox* chkDocuments = nullptr;
    QRadioButton* rbCut = nullptr;
    QRadioButton* rbSkip = nullptr;
    QRadioButton* rbStop = nullptr;
    QPushButton* btnCheck = nullptr;
    QPlainTextEdit* report = nullptr;
    QProgressBar* progressBar = nullptr;
    QPushButton* btnCancel = nullptr;
    QPushButton* bImport = nullptr;
    QPushButton* bClose = nullptr;

private:
    QWidget* CreateFilePart();
    QWidget* CreateOptionsPart();
    QLayout* CreateButtons();
    void FillGroups();
    void ReadingChanged();     // encoding, delimiter or header changed: preview and mapping anew
    void ShowPreview(bool proposeMapping);
    void SetTargets(const QStringList& header, bool propose);
    void FillPreview(const std::vector<QStringList>& rows, const QList<qint64>& lines);
    void Invalidate();         // a change after the check: check again before importing
    void UpdateImportButton();
    void ShowReport(const ImportCheck& check);
    // Runs the work with the progress bar and the cancel button; the rest of the dialog waits.
    void RunWithProgress(const std::function<void()>& work);
    bool Step(qint64 done, qint64 total);

    Tdm& data_;
    QString path_;
    QWidget* body_ = nullptr;
    bool readable_ = false;
    bool checked_ = false;
    bool cancel_ = false;
    ImportCheck check_;
};

struct CsvImportRequest {
    QString fileName;
    ImportSettings settings;
};

// Runs the import dialog; answers the file and settings to import, none when the user closed it.
std::optional<CsvImportRequest> CsvImportDialog(Tdm& data, QWidget* owner);

// The save dialog of an export: the file and the dialect chosen by its type filter. False when
// the user cancelled. Tests put in their own answer with SetCsvSaveAnswer.
bool ChooseCsvExportFile(QWidget* owner, QString& fileName, CsvDialect& dialect);
using TCsvSaveAnswer = std::function<bool(QString& fileName, CsvDialect& dialect)>;
void SetCsvSaveAnswer(TCsvSaveAnswer answer);
