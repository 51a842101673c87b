#pragma once

// The report preview window: pages one at a time, paging, zoom and printing through the print
// dialog, driven by the tool strip, the keyboard (the window sees every key first) and the wheel.

#include <QDialog>

#include <array>
#include <functional>

class QFrame;
class QHBoxLayout;
class QLabel;
class QPrintDialog;
class QStatusBar;
class QToolButton;
class QVBoxLayout;
class TReport;
class TReportPageSource;
class TReportPreview;

// Runs the configured print dialog and tells whether the user chose to print; the dialog's
// printer then holds the choice. Tests answer in place of the modal dialog.
using TPrintDialogRunner = std::function<bool(QPrintDialog& dialog)>;

class TfPrint : public QDialog {
    Q_OBJECT

public:
    // Takes the main window's position and size; mainWindow may be null.
    explicit TfPrint(QWidget* mainWindow);

    // Shows page 1 of pages at zoom 100 and the report's title. Pages and report must outlive the window.
    void Prepare(TReportPageSource& pages, TReport& report);

    TReportPreview* Preview() const { return prev; }
    QString PanelText(int index) const;  // the status bar's three panels, 0 … 2

    // An empty runner restores the real dialog.
    static void SetPrintDialogRunner(TPrintDialogRunner runner);

    void BitBtn1Click();   // first page
    void BitBtn2Click();   // previous page
    void BitBtn3Click();   // next page
    void BitBtn4Click();   // last page
    void BitBtn6Click();   // zoom to width
    void BitBtn7Click();   // zoom to fit
    void BitBtn9Click();   // zoom in
    void BitBtn10Click();  // zoom out
    void BitBtn8Click();   // print
    void prevPageAvailable(int count);
    bool FormKeyDown(int key, Qt::KeyboardModifiers modifiers);  // true when the key was handled

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildToolStrip(QVBoxLayout* column);
    void BuildStatusBar(QVBoxLayout* column);
    QToolButton* AddButton(QHBoxLayout* row, const QString& name, const QString& hint, void (TfPrint::*handler)());
    void StartMove();

    TReport* FReport = nullptr;
    QFrame* Panel = nullptr;
    TReportPreview* prev = nullptr;
    QStatusBar* bar = nullptr;
    std::array<QLabel*, 3> panels_ = {};
};

// Shows the pages of the report in a modal preview window placed over the main window, and frees
// the window when the user closes it. Returns the dialog's result.
int ShowPreview(TReportPageSource& pages, TReport& report, QWidget* mainWindow = nullptr);
