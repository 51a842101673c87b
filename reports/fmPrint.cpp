#include "fmPrint.h"

#include "report/report.h"
#include "report/reportpreview.h"
#include "sqlite/errors.h"
#include "toolkit/icons.h"
#include "toolkit/messagebox.h"
#include "toolkit/statuspanel.h"

#include <QApplication>
#include <QFrame>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPrintDialog>
#include <QPrinter>
#include <QStatusBar>
#include <QToolButton>
#include <QVBoxLayout>
#include <QWindow>

#include <algorithm>

namespace {

constexpr int kStripHeight = 23;
constexpr int kTitleWidth = 256;
constexpr int kPageWidth = 88;
constexpr int kGroupGap = 6;
constexpr int kMaxStepZoom = 300;
constexpr int kMinStepZoom = 40;
constexpr int kZoomStep = 10;

TPrintDialogRunner& printDialogRunner()
{
    static TPrintDialogRunner runner;
    return runner;
}

bool runPrintDialog(QPrintDialog& dialog)
{
    if (const TPrintDialogRunner& runner = printDialogRunner())
        return runner(dialog);
    return dialog.exec() == QDialog::Accepted;
}

}  // namespace

TfPrint::TfPrint(QWidget* mainWindow) : QDialog(mainWindow)
{
    setWindowTitle(QStringLiteral("Náhled sestavy"));
    setWindowFlags(Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setMinimumSize(300, 300);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    BuildToolStrip(column);
    prev = new TReportPreview(this);
    prev->setObjectName(QStringLiteral("prev"));
    column->addWidget(prev, 1);
    BuildStatusBar(column);

    connect(prev, &TReportPreview::PageAvailable, this, &TfPrint::prevPageAvailable);
    connect(prev, &TReportPreview::MouseWheelDown, this, [this] { FormKeyDown(Qt::Key_PageDown, {}); });
    connect(prev, &TReportPreview::MouseWheelUp, this, [this] { FormKeyDown(Qt::Key_PageUp, {}); });
    connect(prev, &TReportPreview::MouseDown, this, &TfPrint::StartMove);
    Panel->installEventFilter(this);
    // The window sees every key before the control that has the focus.
    qApp->installEventFilter(this);

    if (mainWindow) {
        move(mainWindow->pos());
        resize(mainWindow->size());
    }
}

void TfPrint::BuildToolStrip(QVBoxLayout* column)
{
    Panel = new QFrame(this);
    Panel->setObjectName(QStringLiteral("Panel"));
    Panel->setFixedHeight(kStripHeight);
    auto* row = new QHBoxLayout(Panel);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);

    // Asking for the black weight keeps the arrows heavy where another family stands in. Without
    // Arial Black fontconfig may offer a monospace face; Liberation Sans (Arial's metrics, a
    // dependency of the package) stands in instead.
    QFont arrows(QStringLiteral("Arial Black"), 11, QFont::Black);
    arrows.setFamilies({QStringLiteral("Arial Black"), QStringLiteral("Liberation Sans")});
    const struct {
        const char* name;
        const char* caption;
        const char* hint;
        void (TfPrint::*handler)();
    } paging[] = {{"BitBtn1", "<<", "První strana (Home)", &TfPrint::BitBtn1Click},
                  {"BitBtn2", "<", "Předchozí strana (PageUp)", &TfPrint::BitBtn2Click},
                  {"BitBtn3", ">", "Další strana (PageDown)", &TfPrint::BitBtn3Click},
                  {"BitBtn4", ">>", "Poslední strana (End)", &TfPrint::BitBtn4Click}};
    for (const auto& b : paging) {
        QToolButton* button = AddButton(row, b.name, QString::fromUtf8(b.hint), b.handler);
        button->setText(b.caption);
        button->setFont(arrows);
    }
    row->addSpacing(kGroupGap);
    AddButton(row, "BitBtn6", QStringLiteral("Na šířku stránky"), &TfPrint::BitBtn6Click)->setIcon(PreviewIcon(PreviewPicture::ZoomWidth));
    AddButton(row, "BitBtn7", QStringLiteral("Celá stránka (F7)"), &TfPrint::BitBtn7Click)->setIcon(PreviewIcon(PreviewPicture::ZoomFit));
    row->addSpacing(kGroupGap);
    AddButton(row, "BitBtn9", QStringLiteral("Zvětšit (+)"), &TfPrint::BitBtn9Click)->setIcon(PreviewIcon(PreviewPicture::ZoomIn));
    AddButton(row, "BitBtn10", QStringLiteral("Zmenšit (-)"), &TfPrint::BitBtn10Click)->setIcon(PreviewIcon(PreviewPicture::ZoomOut));
    row->addSpacing(kGroupGap);
    AddButton(row, "BitBtn8", QStringLiteral("Tisk (F8)"), &TfPrint::BitBtn8Click)->setIcon(PreviewIcon(PreviewPicture::Print));
    row->addStretch(1);
    column->addWidget(Panel);
}

QToolButton* TfPrint::AddButton(QHBoxLayout* row, const QString& name, const QString& hint,
                                void (TfPrint::*handler)())
{
    auto* button = new QToolButton(Panel);
    button->setObjectName(name);
    button->setAutoRaise(true);
    button->setFixedSize(kStripHeight, kStripHeight);
    button->setToolTip(hint);
    button->setAccessibleName(hint);
    button->setFocusPolicy(Qt::NoFocus);
    connect(button, &QToolButton::clicked, this, handler);
    row->addWidget(button);
    return button;
}

void TfPrint::BuildStatusBar(QVBoxLayout* column)
{
    bar = new QStatusBar(this);
    bar->setObjectName(QStringLiteral("bar"));
    // The key hint is always read whole, at any font size or scale factor: in a narrow window the
    // title panel gives way to it, down to a few letters.
    auto* title = new StatusPanel(bar);
    title->setMinimumWidth(title->fontMetrics().averageCharWidth() * 4);
    title->setMaximumWidth(kTitleWidth);
    auto* page = new QLabel(bar);
    page->setFixedWidth(std::max(kPageWidth, page->fontMetrics().horizontalAdvance(QStringLiteral("#99999")) + 8));
    auto* hint = new QLabel(
        QStringLiteral("   +/- zvětšení  PageDown-další strana  PageUp-předchozí strana  F8-tisk"), bar);
    panels_ = {title, page, hint};
    for (int i = 0; i < 3; ++i) {
        panels_[i]->setObjectName(QStringLiteral("barPanel%1").arg(i));
        panels_[i]->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        if (i < 2)
            panels_[i]->setAlignment(Qt::AlignCenter);
    }
    // The title takes up to its width before the hint gets the rest.
    bar->addWidget(title, kTitleWidth);
    bar->addWidget(page);
    bar->addWidget(hint, 1);
    column->addWidget(bar);
}

void TfPrint::Prepare(TReportPageSource& pages, TReport& report)
{
    FReport = &report;
    prev->SetPageSource(&pages);
    prev->SetPageNumber(1);
    prev->SetZoom(100);
    panels_[0]->setText(report.ReportTitle());
    if (!report.ReportTitle().trimmed().isEmpty())
        setWindowTitle(report.ReportTitle());
    panels_[1]->setText(QStringLiteral("#%1").arg(prev->PageNumber()));
}

QString TfPrint::PanelText(int index) const { return panels_[index]->text(); }

void TfPrint::SetPrintDialogRunner(TPrintDialogRunner runner) { printDialogRunner() = std::move(runner); }

void TfPrint::BitBtn1Click() { prev->SetPageNumber(1); }

void TfPrint::BitBtn2Click()
{
    if (prev->PageNumber() > 1)
        prev->SetPageNumber(prev->PageNumber() - 1);
}

void TfPrint::BitBtn3Click()
{
    if (prev->PageNumber() < prev->PageCount())
        prev->SetPageNumber(prev->PageNumber() + 1);
}

void TfPrint::BitBtn4Click() { prev->SetPageNumber(prev->PageCount()); }

void TfPrint::BitBtn6Click() { prev->ZoomToWidth(); }

void TfPrint::BitBtn7Click() { prev->ZoomToFit(); }

void TfPrint::BitBtn9Click()
{
    if (prev->Zoom() < kMaxStepZoom)
        prev->SetZoom(prev->Zoom() + kZoomStep);
}

void TfPrint::BitBtn10Click()
{
    if (prev->Zoom() > kMinStepZoom)
        prev->SetZoom(prev->Zoom() - kZoomStep);
}

void TfPrint::BitBtn8Click()
{
    const int count = prev->PageCount();
    if (!FReport || count == 0)
        return;
    QPrinter& printer = FReport->Printer();
    QPrintDialog dialog(&printer, this);
    dialog.setObjectName(QStringLiteral("PrintDialog"));
    dialog.setOption(QAbstractPrintDialog::PrintPageRange, true);
    dialog.setOption(QAbstractPrintDialog::PrintCollateCopies, true);
    dialog.setMinMax(1, count);
    dialog.setFromTo(1, count);
    dialog.setPrintRange(QAbstractPrintDialog::PageRange);
    if (!runPrintDialog(dialog))
        return;
    TPrinterSettings& settings = FReport->PrinterSettings();
    settings.Copies = printer.copyCount();
    const bool range = printer.printRange() == QPrinter::PageRange && printer.fromPage() > 0;
    settings.FirstPage = range ? printer.fromPage() : 1;
    settings.LastPage = range ? printer.toPage() : count;
    settings.Collate = printer.collateCopies();
    settings.Reverse = printer.pageOrder() == QPrinter::LastPageFirst;
    try {
        FReport->Print();
    } catch (const Exception& e) {
        ShowMessage(this, e.Message(), QStringLiteral("Tisk"), QMessageBox::Critical);
    }
}

void TfPrint::prevPageAvailable(int count)
{
    panels_[1]->setText(QString::number(prev->PageCount()));
    if (count == prev->PageCount())
        prev->ZoomToWidth();
}

bool TfPrint::FormKeyDown(int key, Qt::KeyboardModifiers modifiers)
{
    const bool keypad = modifiers & Qt::KeypadModifier;
    switch (key) {
    case Qt::Key_Escape: reject(); return true;
    case Qt::Key_PageUp: BitBtn2Click(); return true;
    case Qt::Key_PageDown: BitBtn3Click(); return true;
    case Qt::Key_End: BitBtn4Click(); return true;
    case Qt::Key_Home: BitBtn1Click(); return true;
    case Qt::Key_F7: BitBtn7Click(); return true;
    case Qt::Key_F8: BitBtn8Click(); return true;
    case Qt::Key_Plus:
        if (keypad)
            BitBtn9Click();
        return keypad;
    case Qt::Key_Minus:
        if (keypad)
            BitBtn10Click();
        return keypad;
    default: return false;
    }
}

bool TfPrint::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress) {
        auto* widget = qobject_cast<QWidget*>(watched);
        if (widget && widget->window() == this) {
            const auto* key = static_cast<QKeyEvent*>(event);
            return FormKeyDown(key->key(), key->modifiers());
        }
    } else if (watched == Panel && event->type() == QEvent::MouseButtonPress) {
        StartMove();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

// Moves the window with the mouse as if its caption had been grabbed.
void TfPrint::StartMove()
{
    if (QWidget* grabber = QWidget::mouseGrabber())
        grabber->releaseMouse();
    if (QWindow* window = windowHandle())
        window->startSystemMove();
}

int ShowPreview(TReportPageSource& pages, TReport& report, QWidget* mainWindow)
{
    TfPrint window(mainWindow);
    window.Prepare(pages, report);
    return window.exec();
}
