#include "fmCsvImport.h"

#include "data/progress.h"
#include "data/uDM.h"
#include "exchange/csvexport.h"
#include "exchange/csvreader.h"
#include "sqlite/sql3_utils.h"
#include "toolkit/filedialog.h"
#include "toolkit/guard.h"
#include "toolkit/messagebox.h"

#include <QBoxLayout>
#include <QCheckBox>
#include <QCollator>
#include <QComboBox>
#include <QFile>
#include <QFileDialog>
#include <QFormLayout>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScopeGuard>
#include <QTableWidget>

#include <algorithm>

namespace {

constexpr int kPreviewRows = 20;
constexpr int kPreviewColumnWidth = 260;  // wider columns are cut; the cell's tooltip holds all
const QString kCaption = QStringLiteral("Import z CSV");

template <typename T>
T* Named(T* widget, const char* name)
{
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

// A label that names the control for a screen reader and moves to it with its mnemonic.
QLabel* LabelFor(const QString& text, QWidget* buddy)
{
    auto* label = new QLabel(text, buddy->parentWidget());
    label->setBuddy(buddy);
    return label;
}

// A cell's text on one line: a line break inside the field shows as an arrow.
QString OneLine(const QString& field)
{
    QString text = field.left(200);
    text.replace(QLatin1String("\r\n"), QStringLiteral("↵"));
    text.replace(u'\r', u'↵');
    text.replace(u'\n', u'↵');
    return text;
}

TCsvSaveAnswer& SaveAnswer()
{
    static TCsvSaveAnswer answer;
    return answer;
}

}  // namespace

TfCsvImport::TfCsvImport(Tdm& data, QWidget* parent) : QDialog(parent), data_(data)
{
    setObjectName(QStringLiteral("fmCsvImport"));
    setWindowTitle(kCaption);
    body_ = new QWidget(this);
    auto* bodyLayout = new QVBoxLayout(body_);
    bodyLayout->setContentsMargins(0, 0, 0, 0);
    bodyLayout->addWidget(CreateFilePart());
    preview = Named(new QTableWidget(body_), "preview");
    preview->setEditTriggers(QAbstractItemView::NoEditTriggers);
    preview->setAccessibleName(QStringLiteral("Náhled souboru a cíl každého sloupce"));
    preview->setWordWrap(false);
    bodyLayout->addWidget(preview, 2);
    bodyLayout->addWidget(CreateOptionsPart());
    report = Named(new QPlainTextEdit(body_), "report");
    report->setReadOnly(true);
    report->setAccessibleName(QStringLiteral("Výsledek kontroly"));
    bodyLayout->addWidget(report, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(body_, 1);
    layout->addLayout(CreateButtons());
    FillGroups();
    resize(900, 640);
    UpdateImportButton();
}

QWidget* TfCsvImport::CreateFilePart()
{
    auto* part = new QWidget(body_);
    auto* form = new QFormLayout(part);
    form->setContentsMargins(0, 0, 0, 0);
    auto* fileRow = new QHBoxLayout;
    edFile = Named(new QLineEdit(part), "edFile");
    edFile->setReadOnly(true);
    btnFile = Named(new QPushButton(QStringLiteral("&Vybrat…"), part), "btnFile");
    btnFile->setAccessibleName(QStringLiteral("Vybrat soubor CSV"));
    fileRow->addWidget(edFile, 1);
    fileRow->addWidget(btnFile);
    form->addRow(LabelFor(QStringLiteral("&Soubor:"), edFile), fileRow);
    auto* readingRow = new QHBoxLayout;
    cbEncoding = Named(new QComboBox(part), "cbEncoding");
    for (CsvEncoding e : {CsvEncoding::Utf8Bom, CsvEncoding::Utf8, CsvEncoding::Windows1250, CsvEncoding::Utf16LE,
                          CsvEncoding::Utf16BE})
        cbEncoding->addItem(EncodingName(e), int(e));
    cbDelimiter = Named(new QComboBox(part), "cbDelimiter");
    for (QChar d : {QChar(u';'), QChar(u','), QChar(u'\t')})
        cbDelimiter->addItem(DelimiterName(d), d);
    chkHeader = Named(new QCheckBox(QStringLiteral("&První řádek nese názvy sloupců"), part), "chkHeader");
    chkHeader->setChecked(true);
    readingRow->addWidget(LabelFor(QStringLiteral("&Kódování:"), cbEncoding));
    readingRow->addWidget(cbEncoding);
    readingRow->addWidget(LabelFor(QStringLiteral("&Oddělovač:"), cbDelimiter));
    readingRow->addWidget(cbDelimiter);
    readingRow->addWidget(chkHeader);
    readingRow->addStretch(1);
    form->addRow(QStringLiteral("Čtení:"), readingRow);
    connect(btnFile, &QPushButton::clicked, this, GuardedSlot(this, &TfCsvImport::btnFileClick));
    connect(cbEncoding, &QComboBox::activated, this, GuardedSlot(this, &TfCsvImport::ReadingChanged));
    connect(cbDelimiter, &QComboBox::activated, this, GuardedSlot(this, &TfCsvImport::ReadingChanged));
    connect(chkHeader, &QCheckBox::toggled, this, GuardedSlot(this, &TfCsvImport::ReadingChanged));
    return part;
}

QWidget* TfCsvImport::CreateOptionsPart()
{
    auto* part = new QWidget(body_);
    auto* form = new QFormLayout(part);
    form->setContentsMargins(0, 0, 0, 0);
    cbGroup = Named(new QComboBox(part), "cbGroup");
    form->addRow(LabelFor(QStringLiteral("Skupina pro řádky &bez skupiny:"), cbGroup), cbGroup);
    chkUpdate = Named(new QCheckBox(QStringLiteral("Položky se známým číslem &aktualizovat místo přidání"), part), "chkUpdate");
    chkDocuments = Named(new QCheckBox(QStringLiteral("&Dokumenty ze sloupce Dokument uložit do katalogu"), part), "chkDocuments");
    form->addRow(chkUpdate);
    form->addRow(chkDocuments);
    auto* choices = new QHBoxLayout;
    rbCut = Named(new QRadioButton(QStringLiteral("zkrátit a &nahradit"), part), "rbCut");
    rbSkip = Named(new QRadioButton(QStringLiteral("v&ynechat tyto řádky"), part), "rbSkip");
    rbStop = Named(new QRadioButton(QStringLiteral("zastavit i&mport"), part), "rbStop");
    rbStop->setChecked(true);
    for (QRadioButton* rb : {rbCut, rbSkip, rbStop}) {
        choices->addWidget(rb);
        connect(rb, &QRadioButton::toggled, this, [this] { UpdateImportButton(); });
    }
    btnCheck = Named(new QPushButton(QStringLiteral("Zkontrolova&t"), part), "btnCheck");
    choices->addStretch(1);
    choices->addWidget(btnCheck);
    form->addRow(QStringLiteral("Hodnoty, které se nevejdou:"), choices);
    connect(btnCheck, &QPushButton::clicked, this, GuardedSlot(this, &TfCsvImport::btnCheckClick));
    connect(cbGroup, &QComboBox::activated, this, [this] { Invalidate(); });
    connect(chkUpdate, &QCheckBox::toggled, this, [this] { Invalidate(); });
    return part;
}

QLayout* TfCsvImport::CreateButtons()
{
    auto* row = new QHBoxLayout;
    progressBar = Named(new QProgressBar(this), "progressBar");
    progressBar->setRange(0, 1000);
    progressBar->setAccessibleName(QStringLiteral("Průběh"));
    progressBar->setVisible(false);
    btnCancel = Named(new QPushButton(QStringLiteral("Př&erušit"), this), "btnCancel");
    btnCancel->setVisible(false);
    bImport = Named(new QPushButton(QStringLiteral("&Importovat"), this), "bImport");
    bClose = Named(new QPushButton(QStringLiteral("&Zavřít"), this), "bClose");
    row->addWidget(progressBar, 1);
    row->addWidget(btnCancel);
    row->addStretch(0);
    row->addWidget(bImport);
    row->addWidget(bClose);
    connect(btnCancel, &QPushButton::clicked, this, [this] { cancel_ = true; });
    connect(bImport, &QPushButton::clicked, this, GuardedSlot(this, &TfCsvImport::bImportClick));
    connect(bClose, &QPushButton::clicked, this, &QDialog::reject);
    return row;
}

void TfCsvImport::FillGroups()
{
    const GroupPaths paths(data_.db);
    QStringList names;
    QHash<QString, qint64> idents;
    for (qint64 group : paths.Groups()) {
        names << paths.Path(group);
        idents.insert(names.back(), group);
    }
    const QCollator& order = NativeCollator();
    std::sort(names.begin(), names.end(), [&](const QString& a, const QString& b) { return order.compare(a, b) < 0; });
    cbGroup->addItem(QStringLiteral("(bez skupiny)"), qint64(0));
    for (const QString& name : names)
        cbGroup->addItem(name, idents.value(name));
}

void TfCsvImport::btnFileClick()
{
    QFileDialog dialog(this, QStringLiteral("Soubor CSV pro import"));
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setNameFilters({QStringLiteral("Soubory CSV (*.csv *.txt)"), QStringLiteral("Všechny soubory (*)")});
    PrepareFileDialog(dialog);
    if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty())
        OpenFile(dialog.selectedFiles().front());
}

void TfCsvImport::OpenFile(const QString& path)
{
    path_ = path;
    edFile->setText(path);
    readable_ = false;
    preview->clear();
    preview->setRowCount(0);
    preview->setColumnCount(0);
    RunWithProgress([&] {
        QFile file(path);
        OpenCsvFile(file);
        const CsvDetection detection = DetectCsv(file, [this](qint64 done, qint64 total) { return Step(done, total); });
        cbEncoding->setCurrentIndex(cbEncoding->findData(int(detection.dialect.encoding)));
        cbDelimiter->setCurrentIndex(cbDelimiter->findData(detection.dialect.delimiter));
        readable_ = true;
    });
    if (readable_)
        ShowPreview(true);
}

void TfCsvImport::ReadingChanged()
{
    if (!path_.isEmpty())
        ShowPreview(true);
}

void TfCsvImport::ShowPreview(bool proposeMapping)
{
    Invalidate();
    std::vector<QStringList> rows;
    QList<qint64> lines;  // the file line each row starts on
    try {
        QFile file(path_);
        OpenCsvFile(file);
        CsvReader reader(file, Settings().dialect);
        QStringList fields;
        while (int(rows.size()) <= kPreviewRows && reader.Next(fields)) {
            rows.push_back(fields);
            lines << reader.Line();
        }
        readable_ = true;
    } catch (const Exception& e) {
        readable_ = false;  // the rows before the fault still show; the fault is reported
        report->setPlainText(e.Message());
    }
    qsizetype columns = 0;
    for (const QStringList& row : rows)
        columns = std::max(columns, row.size());
    const bool header = chkHeader->isChecked() && !rows.empty();
    QStringList names = header ? rows.front() : QStringList();
    while (names.size() < columns)
        names << QStringLiteral("Sloupec %1").arg(names.size() + 1);
    if (header) {
        rows.erase(rows.begin());
        lines.removeFirst();
    }
    preview->setColumnCount(int(columns));
    preview->setHorizontalHeaderLabels(names);
    preview->setRowCount(int(rows.size()) + 1);
    SetTargets(names, proposeMapping && header);
    FillPreview(rows, lines);
    UpdateImportButton();
}

void TfCsvImport::FillPreview(const std::vector<QStringList>& rows, const QList<qint64>& lines)
{
    // Row 0 holds the target of each column; each row of the file is headed by its line, as the
    // check's report names it.
    preview->setVerticalHeaderItem(0, new QTableWidgetItem(QStringLiteral("Cíl")));
    for (size_t r = 0; r < rows.size(); ++r) {
        preview->setVerticalHeaderItem(int(r) + 1, new QTableWidgetItem(QString::number(lines[qsizetype(r)])));
        for (qsizetype c = 0; c < rows[r].size(); ++c) {
            auto* cell = new QTableWidgetItem(OneLine(rows[r][c]));
            cell->setToolTip(rows[r][c].left(1000));
            preview->setItem(int(r) + 1, int(c), cell);
        }
    }
    preview->resizeColumnsToContents();
    for (int c = 0; c < preview->columnCount(); ++c)
        preview->setColumnWidth(c, std::min(preview->columnWidth(c), kPreviewColumnWidth));
}

void TfCsvImport::SetTargets(const QStringList& header, bool propose)
{
    const std::vector<ImportTarget> mapping = propose ? MappingFromHeader(header) : std::vector<ImportTarget>();
    for (int c = 0; c < preview->columnCount(); ++c) {
        auto* combo = new QComboBox(preview);
        combo->setObjectName(QStringLiteral("target%1").arg(c));
        combo->setAccessibleName(QStringLiteral("Cíl sloupce %1").arg(header.value(c)));
        for (int t = 0; t < kImportTargetCount; ++t)
            combo->addItem(TargetName(ImportTarget(t)), t);
        combo->setCurrentIndex(size_t(c) < mapping.size() ? int(mapping[size_t(c)]) : 0);
        connect(combo, &QComboBox::activated, this, [this] { Invalidate(); });
        preview->setCellWidget(0, c, combo);
    }
}

ImportSettings TfCsvImport::Settings() const
{
    ImportSettings settings;
    settings.dialect.encoding = CsvEncoding(cbEncoding->currentData().toInt());
    settings.dialect.delimiter = cbDelimiter->currentData().value<QChar>();
    settings.header = chkHeader->isChecked();
    for (int c = 0; c < preview->columnCount(); ++c) {
        const auto* combo = qobject_cast<QComboBox*>(preview->cellWidget(0, c));
        settings.mapping.push_back(combo ? ImportTarget(combo->currentData().toInt()) : ImportTarget::Ignore);
    }
    settings.targetGroup = cbGroup->currentData().toLongLong();
    settings.updateByIdent = chkUpdate->isChecked();
    settings.storeDocuments = chkDocuments->isChecked();
    settings.choice = rbCut->isChecked() ? ImportChoice::Cut : rbSkip->isChecked() ? ImportChoice::Skip : ImportChoice::Stop;
    return settings;
}

void TfCsvImport::Invalidate()
{
    checked_ = false;
    UpdateImportButton();
}

void TfCsvImport::UpdateImportButton()
{
    const bool blocked = checked_ && rbStop->isChecked() && check_.faultyRows > 0;
    btnCheck->setEnabled(readable_);
    bImport->setEnabled(readable_ && !blocked);
}

void TfCsvImport::btnCheckClick()
{
    const ImportSettings settings = Settings();
    RunWithProgress([&] {
        QFile file(path_);
        OpenCsvFile(file);
        check_ = CheckImport(&data_.db, file, settings, [this](qint64 done, qint64 total) { return Step(done, total); });
        checked_ = true;
    });
    if (!checked_)
        return;
    ShowReport(check_);
    if (check_.updates > 0 && !chkUpdate->isChecked() &&
        ShowMessage(this,
                    QStringLiteral("Řádků s číslem položky, která už v katalogu je: %1. Mají se tyto položky "
                                   "aktualizovat místo přidání nových?")
                        .arg(check_.updates),
                    kCaption, QMessageBox::Question, QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes) {
        chkUpdate->setChecked(true);
        checked_ = true;  // the check counted the same rows; only the write differs
    }
    UpdateImportButton();
}

void TfCsvImport::ShowReport(const ImportCheck& check)
{
    QStringList lines{QStringLiteral("Řádků s daty: %1").arg(check.rows),
                      QStringLiteral("Nových skupin: %1").arg(check.newGroups),
                      QStringLiteral("Položek se známým číslem: %1").arg(check.updates),
                      QStringLiteral("Řádků s hodnotou, která se nevejde: %1 (bez označení: %2)")
                          .arg(check.faultyRows)
                          .arg(check.unnamedRows)};
    if (check.faultyRows > 0)
        lines << QStringLiteral("Při volbě „zastavit import“ nelze importovat; řádky bez označení se neimportují nikdy.");
    for (const ImportProblem& problem : check.problems)
        lines << problem.Text();
    if (check.problemCount > qint64(check.problems.size()))
        lines << QStringLiteral("… a dalších %1 problémů").arg(check.problemCount - qint64(check.problems.size()));
    report->setPlainText(lines.join(u'\n'));
}

void TfCsvImport::bImportClick()
{
    if (!checked_)
        btnCheckClick();
    if (checked_ && bImport->isEnabled())
        accept();
}

void TfCsvImport::RunWithProgress(const std::function<void()>& work)
{
    cancel_ = false;
    body_->setEnabled(false);
    bImport->setEnabled(false);
    progressBar->setValue(0);
    progressBar->setVisible(true);
    btnCancel->setVisible(true);
    const auto restore = qScopeGuard([this] {
        progressBar->setVisible(false);
        btnCancel->setVisible(false);
        body_->setEnabled(true);
        UpdateImportButton();
    });
    try {
        work();
    } catch (const CsvCancelled&) {
        report->setPlainText(QStringLiteral("Přerušeno."));
    } catch (const Exception& e) {
        report->setPlainText(e.Message());
        ShowMessage(this, e.Message() + QStringLiteral("\nV katalogu se nic nezměnilo."), kCaption, QMessageBox::Warning);
    }
}

bool TfCsvImport::Step(qint64 done, qint64 total)
{
    progressBar->setValue(total > 0 ? int(std::min<qint64>(1000, done * 1000 / total)) : 0);
    PumpMessages(this);
    return !cancel_;
}

std::optional<CsvImportRequest> CsvImportDialog(Tdm& data, QWidget* owner)
{
    TfCsvImport dialog(data, owner);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return CsvImportRequest{dialog.FileName(), dialog.Settings()};
}

void SetCsvSaveAnswer(TCsvSaveAnswer answer)
{
    SaveAnswer() = std::move(answer);
}

bool ChooseCsvExportFile(QWidget* owner, QString& fileName, CsvDialect& dialect)
{
    if (SaveAnswer())
        return SaveAnswer()(fileName, dialect);
    const QList<CsvDialect> dialects{{CsvEncoding::Utf8Bom, u';'},
                                     {CsvEncoding::Utf8Bom, u','},
                                     {CsvEncoding::Windows1250, u';'},
                                     {CsvEncoding::Windows1250, u','}};
    QStringList filters;
    for (const CsvDialect& d : dialects)
        filters << QStringLiteral("CSV – %1, %2 (*.csv)").arg(EncodingName(d.encoding), DelimiterName(d.delimiter));
    QFileDialog dialog(owner, QStringLiteral("Export do CSV"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(QStringLiteral("csv"));
    dialog.setNameFilters(filters);
    PrepareFileDialog(dialog);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return false;
    fileName = dialog.selectedFiles().front();
    dialect = dialects.value(int(filters.indexOf(dialog.selectedNameFilter())), CsvDialect{});
    return true;
}
