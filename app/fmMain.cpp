#include "fmMain.h"

#include "application.h"
#include "grouptreeview.h"
#include "helperwidgets.h"

#include "data/progress.h"
#include "data/uDM.h"
#include "sqlite/errors.h"
#include "toolkit/datasetmodel.h"
#include "toolkit/icons.h"
#include "toolkit/lockedwrite.h"
#include "toolkit/messagebox.h"
#include "toolkit/statuspanel.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeySequence>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QSplitter>
#include <QStatusBar>
#include <QTableView>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

// Designed sizes of the frame.
constexpr int kDesignedWidth = 800;
constexpr int kDesignedHeight = 600;
constexpr int kDefaultTreeWidth = 256;
constexpr int kDefaultContentHeight = 256;
constexpr int kSplitterWidth = 5;

const QString kPlacementSection = QStringLiteral("fMain");
const QString kColumnSection = QStringLiteral("grid");

int ReadInt(QSettings& settings, const QString& key, int fallback)
{
    bool ok = false;
    const int value = settings.value(key).toString().trimmed().toInt(&ok);
    return ok ? value : fallback;
}

// The outer bounds moved and shrunk as far as needed to lie on the screen that holds their centre
// (or the primary one), so a placement stored on another screen or display comes back in view.
QRect OnScreen(const QRect& outer)
{
    QScreen* screen = QGuiApplication::screenAt(outer.center());
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    if (!screen)
        return outer;
    const QRect area = screen->availableGeometry();
    const QSize size = outer.size().boundedTo(area.size());
    return QRect(QPoint(std::clamp(outer.x(), area.left(), area.right() + 1 - size.width()),
                        std::clamp(outer.y(), area.top(), area.bottom() + 1 - size.height())),
                 size);
}

}  // namespace

TfMain::TfMain(QWidget* parent) : QMainWindow(parent)
{
    // The handler comes first, so that errors while the window is built reach it too.
    SetErrorHandler([this](const Exception& e) { AppException(e); });
    setObjectName(QStringLiteral("fMain"));
    setWindowTitle(RegalonTitle());  // the fixed title by which a second start finds this one
    setWindowIcon(ApplicationIcon());
    setMinimumSize(600, 480);
    groupIdCount = 0;
    draggedGroupId = 0;

    CreateTable();  // the item list's record set, which the toolbar's and menus' handlers use
    CreateToolbar();
    CreateMenu();
    CreateStatusBar();
    CreateMainArea();
    ConnectTreePane();
    ConnectListPane();
    ConnectContentPane();
    ConnectPlacesPane();
    ConnectExchangePane();
    ConnectBackup();
    ConnectReports();
    ConnectDocumentSearch();
    ConnectLabels();

    Guarded([this] { ReadSettings(); });
    SetStatusText(1, dm->db.Driver());
    SetStatusText(2, dm->db.DatabaseFile());
    Guarded([this] { OpenCatalogue(); });
    ShowProgress(false, false, QString());
    tree->setFocus();
}

TfMain::~TfMain()
{
    // Bound views go before the record set; the handler must not outlive the window.
    grid->setModel(nullptr);
    gridModel->SetDataSet(nullptr);
    SetErrorHandler(nullptr);
}

// --- Construction ------------------------------------------------------------------------------

QAction* TfMain::AddMenuEntry(QMenu* menu, const QString& text, int icon, void (TfMain::*handler)())
{
    QAction* action = menu->addAction(icon >= 0 ? ImageListIcon(icon) : QIcon(), text);
    if (handler)
        connect(action, &QAction::triggered, this, GuardedSlot(this, handler));
    return action;
}

void TfMain::CreateMenu()
{
    mm = menuBar();
    mm->setObjectName(QStringLiteral("mm"));
    mm->setAccessibleName(QStringLiteral("Hlavní nabídka"));

    QMenu* file = mm->addMenu(QStringLiteral("&Soubor"));
    AddMenuEntry(file, QStringLiteral("&Záloha databáze"), -1, &TfMain::zalohaDatClick);
    AddMenuEntry(file, QStringLiteral("&Obnova databáze ze zálohy"), -1, &TfMain::obnovaDatClick);
    file->addSeparator();
    AddMenuEntry(file, QStringLiteral("Otevři &pracovní složku"), -1, &TfMain::workAreaClick);
    file->addSeparator();
    AddMenuEntry(file, QStringLiteral("&Konec"), -1, &TfMain::KonecClick);

    QMenu* groups = mm->addMenu(QStringLiteral("S&trom"));
    groups->addActions({toolNewRG, toolNewG, toolEditG});
    groups->addSeparator();
    groups->addAction(toolDelG);

    QMenu* data = menuData = mm->addMenu(QStringLiteral("&Data"));
    // The related document is the current item's main document.
    AddMenuEntry(data, QStringLiteral("&Otevři související dokument"), 2, &TfMain::toolDocClick);
    data->addSeparator();
    data->addActions({toolMatrAdd, toolMatrEdit, toolMatrDel});
    data->addSeparator();
    AddMenuEntry(data, QStringLiteral("&Základní tisk"), 9, &TfMain::toolRepoClick);
    AddMenuEntry(data, QStringLiteral("Tisk podle &umístění"), -1, &TfMain::toolRepoPlaceClick);
    AddMenuEntry(data, QStringLiteral("Tisk podle s&kupin"), -1, &TfMain::toolRepoGrpClick);
    data->addSeparator();
    AddMenuEntry(data, QStringLiteral("&Editace míst"), 13, &TfMain::Editacemst1Click);
    data->addAction(toolFilter);

    new MenuBarKeys(mm);
    QAction* find = new QAction(this);
    QList<QKeySequence> findKeys = QKeySequence::keyBindings(QKeySequence::Find);
    if (!findKeys.contains(QKeySequence(Qt::CTRL | Qt::Key_F)))
        findKeys << QKeySequence(Qt::CTRL | Qt::Key_F);
    find->setShortcuts(findKeys);
    connect(find, &QAction::triggered, edFilter, [this] {
        edFilter->setFocus(Qt::ShortcutFocusReason);
        edFilter->selectAll();
    });
    addAction(find);

    QMenu* help = mm->addMenu(QStringLiteral("&Pomoc"));
    AddMenuEntry(help, QStringLiteral("&Nápověda"), -1, &TfMain::toolHelpClick);
    AddMenuEntry(help, QStringLiteral("&O programu..."), -1, &TfMain::toolOprogClick);
}

void TfMain::CreateToolbar()
{
    tool = addToolBar(QStringLiteral("Nástroje"));
    tool->setObjectName(QStringLiteral("tool"));
    tool->setAccessibleName(QStringLiteral("Nástroje"));
    tool->setMovable(false);
    tool->setFloatable(false);
    tool->setIconSize(QSize(16, 16));
    tool->setFixedHeight(29);
    tool->toggleViewAction()->setEnabled(false);
    setContextMenuPolicy(Qt::NoContextMenu);  // no toolbar on/off menu

    auto button = [this](const char* name, const QString& hint, int icon, void (TfMain::*handler)()) {
        QAction* action = tool->addAction(ImageListIcon(icon), hint);
        action->setObjectName(QString::fromLatin1(name));
        action->setToolTip(QString(hint).remove(u'&'));
        connect(action, &QAction::triggered, this, GuardedSlot(this, handler));
        if (QWidget* widget = tool->widgetForAction(action))
            widget->setFixedWidth(24);
        return action;
    };
    toolNewRG = button("toolNewRG", QStringLiteral("Nová &kořenová skupina"), 6, &TfMain::toolNewRGClick);
    toolNewG = button("toolNewG", QStringLiteral("&Nová skupina ve vybrané větvi"), 7, &TfMain::toolNewGClick);
    toolEditG = button("toolEditG", QStringLiteral("Ú&prava skupiny"), 1, &TfMain::toolEditGClick);
    toolDelG = button("toolDelG", QStringLiteral("&Vymazat skupinu"), 8, &TfMain::toolDelGClick);
    tool->addSeparator();
    toolMatrAdd = button("toolMatrAdd", QStringLiteral("&Nová položka"), 3, &TfMain::toolMatrAddClick);
    toolMatrEdit = button("toolMatrEdit", QStringLiteral("Úprava &položky"), 5, &TfMain::toolMatrEditClick);
    toolMatrDel = button("toolMatrDel", QStringLiteral("&Smazat položku"), 4, &TfMain::toolMatrDelClick);
    tool->addSeparator();
    toolDoc = button("toolDoc", QStringLiteral("Otevři dokument"), 2, &TfMain::toolDocClick);
    tool->addSeparator();

    popupRepo = new QMenu(this);
    popupRepo->setObjectName(QStringLiteral("popupRepo"));
    AddMenuEntry(popupRepo, QStringLiteral("&Základní"), -1, &TfMain::toolRepoClick);
    popupRepo->addSeparator();
    AddMenuEntry(popupRepo, QStringLiteral("Podle &umístění"), -1, &TfMain::toolRepoPlaceClick);
    AddMenuEntry(popupRepo, QStringLiteral("Podle s&kupin"), -1, &TfMain::toolRepoGrpClick);
    toolRepo = new QToolButton(tool);
    toolRepo->setObjectName(QStringLiteral("toolRepo"));
    toolRepo->setIcon(ImageListIcon(9));
    toolRepo->setToolTip(QStringLiteral("Sestava"));
    toolRepo->setAccessibleName(QStringLiteral("Sestava"));
    toolRepo->setAccessibleDescription(QStringLiteral("Nabídka sestav k tisku; otevře ji mezerník, Enter nebo šipka dolů"));
    new MenuButtonKeys(toolRepo);
    toolRepo->setAutoRaise(true);
    toolRepo->setMenu(popupRepo);
    toolRepo->setPopupMode(QToolButton::InstantPopup);
    tool->addWidget(toolRepo);
    tool->addSeparator();

    edFilter = new QLineEdit(tool);
    edFilter->setObjectName(QStringLiteral("edFilter"));
    edFilter->setToolTip(QStringLiteral("Filtr (Ctrl+F)"));
    edFilter->setAccessibleName(QStringLiteral("Filtr položek"));
    edFilter->setAccessibleDescription(
        QStringLiteral("Hledaný text v označení, popisu a obsahu položek; Enter filtr použije"));
    edFilter->setFixedWidth(121);
    edFilter->setMaxLength(128);
    tool->addWidget(edFilter);
    toolFilter = button("toolFilter", QStringLiteral("Nastav &filtr"), 10, &TfMain::toolFilterClick);
    tool->addSeparator();
    toolHelp = button("toolHelp", QStringLiteral("Nápověda"), 12, &TfMain::toolHelpClick);
    toolHelp->setShortcut(QKeySequence::HelpContents);
    toolDoc->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
    addActions({toolHelp, toolDoc});  // their keys work while the tool bar is hidden too
}

void TfMain::CreateStatusBar()
{
    status = statusBar();
    status->setObjectName(QStringLiteral("status"));
    status->setAccessibleName(QStringLiteral("Stav"));
    status->setAccessibleDescription(QStringLiteral("Umístění a popis vybrané položky"));
    status->setFixedHeight(19);
    for (int i = 0; i < 3; ++i) {
        auto* panel = new StatusPanel(status);
        panel->setObjectName(QStringLiteral("status%1").arg(i));
        panel->setAlignment(Qt::AlignCenter);
        if (i < 2)
            panel->setFixedWidth(256);
        else
            panel->setMinimumWidth(1);  // a long path must not widen the window
        status->addWidget(panel, i < 2 ? 0 : 1);
        statusPanels[size_t(i)] = panel;
    }
}

void TfMain::CreateMainArea()
{
    mainPanel = new QWidget(this);
    mainPanel->setObjectName(QStringLiteral("mainPanel"));
    setCentralWidget(mainPanel);
    auto* layout = new QHBoxLayout(mainPanel);
    layout->setContentsMargins(0, 0, 0, 0);

    splitterV = new QSplitter(Qt::Horizontal, mainPanel);
    splitterV->setObjectName(QStringLiteral("splitterV"));
    splitterV->setHandleWidth(kSplitterWidth);
    splitterV->setChildrenCollapsible(false);
    layout->addWidget(splitterV);

    CreateTree();

    rightSide = new QWidget(splitterV);
    rightSide->setObjectName(QStringLiteral("rightSide"));
    rightSide->installEventFilter(this);
    auto* right = new QVBoxLayout(rightSide);
    right->setContentsMargins(0, 0, 0, 0);
    splitterH = new QSplitter(Qt::Vertical, rightSide);
    splitterH->setObjectName(QStringLiteral("splitterH"));
    splitterH->setHandleWidth(kSplitterWidth);
    splitterH->setChildrenCollapsible(false);
    right->addWidget(splitterH);

    CreateGrid();
    CreateContentArea();
    splitterH->setStretchFactor(0, 1);
    splitterH->setStretchFactor(1, 0);
    splitterV->setStretchFactor(0, 0);
    splitterV->setStretchFactor(1, 1);
    panelProgress = new TProgressPanel(rightSide);
    progressText = panelProgress->text;
    brCancel = panelProgress->cancel;
    progress = panelProgress->bar;
    currentFile = panelProgress->file;
    CreatePlacesPanel();
}

// --- Settings ----------------------------------------------------------------------------------

void TfMain::ReadSettings()
{
    QSettings& settings = dm->SettingsFile();
    settings.beginGroup(kPlacementSection);
    const QPoint corner(ReadInt(settings, QStringLiteral("Left"), 8), ReadInt(settings, QStringLiteral("Top"), 8));
    const QSize size(ReadInt(settings, QStringLiteral("Width"), kDesignedWidth),
                     ReadInt(settings, QStringLiteral("Height"), kDesignedHeight));
    placement_ = OnScreen(QRect(corner, size));
    PlaceWindow();
    if (settings.value(QStringLiteral("Maximized")).toBool())
        setWindowState(windowState() | Qt::WindowMaximized);  // shows so
    const int treeWidth = ReadInt(settings, QStringLiteral("splitterV"), kDefaultTreeWidth);
    const int contentHeight = ReadInt(settings, QStringLiteral("splitterH"), kDefaultContentHeight);
    settings.endGroup();
    // The other side takes what is left; the stretch factors keep these sizes when the window grows.
    splitterV->setSizes({treeWidth, std::max(1, width() - treeWidth - kSplitterWidth)});
    splitterH->setSizes({std::max(1, height() - contentHeight), contentHeight});

    // Keys are the columns' field names, in column order.
    const QStringList columns = GridColumns();
    settings.beginGroup(kColumnSection);
    for (int i = 0; i < columns.size(); ++i)
        grid->setColumnWidth(i, ReadInt(settings, columns[i], grid->columnWidth(i)));
    settings.endGroup();
}

void TfMain::SaveSettings()
{
    QSettings& settings = dm->SettingsFile();
    settings.beginGroup(kPlacementSection);
    const QRect outer = frameGeometry();  // maximised: the maximised bounds
    settings.setValue(QStringLiteral("Left"), outer.x());
    settings.setValue(QStringLiteral("Top"), outer.y());
    settings.setValue(QStringLiteral("Width"), outer.width());
    settings.setValue(QStringLiteral("Height"), outer.height());
    settings.setValue(QStringLiteral("Maximized"), isMaximized());
    settings.setValue(QStringLiteral("splitterV"), tree->width());
    settings.setValue(QStringLiteral("splitterH"), panelMemo->height());
    settings.endGroup();
    const QStringList columns = GridColumns();
    settings.beginGroup(kColumnSection);
    for (int i = 0; i < columns.size(); ++i)
        settings.setValue(columns[i], grid->columnWidth(i));
    settings.endGroup();
    settings.sync();
    if (settings.status() != QSettings::NoError)
        throw Exception(QStringLiteral("Unable to write to %1").arg(settings.fileName()));
}

// The frame's size is known only once the window manager has framed the window; until then the
// inner size is taken for the outer one, and the placement is made again when the frame shows.
void TfMain::PlaceWindow()
{
    const QMargins frame(geometry().left() - frameGeometry().left(), geometry().top() - frameGeometry().top(),
                         frameGeometry().right() - geometry().right(),
                         frameGeometry().bottom() - geometry().bottom());
    placementFramed_ = !frame.isNull();
    move(placement_.topLeft());
    resize(placement_.size().shrunkBy(frame));
}

// --- Opening and closing -----------------------------------------------------------------------

void TfMain::OpenCatalogue()
{
    catalogueOpen_ = dm->OpenCatalogue();
    if (!catalogueOpen_)
        return;
    table.Open();
    table.First();
    dm->LoadGroupTree(tree);
}

void TfMain::KonecClick()
{
    close();
}

void TfMain::closeEvent(QCloseEvent* event)
{
    event->ignore();  // the window stays open when a step fails
    Guarded([&] {
        SaveSettings();
        if (dm->db.Connected())
            dm->db.Close();
        event->accept();
    });
}

// --- Error handler -----------------------------------------------------------------------------

void TfMain::AppException(const Exception& error)
{
    if (IsLockedError(error)) {  // nothing is damaged: no reason to offer the end
        if (dynamic_cast<const EDatabaseError*>(&error))
            ShowLockedWrite(this, QStringLiteral("Zápis do katalogu se nezdařil!"),
                            QStringLiteral("Zkuste to za chvíli znovu."), error);
        else  // the step that failed (a backup, a restore) has already said what and why
            ShowMessage(this, error.Message(), QStringLiteral("Katalog je zamčen"), QMessageBox::Warning);
        return;
    }
    const QMessageBox::StandardButton answer =
        ShowMessage(this, error.Message() + QStringLiteral(" Ukončit aplikaci?"), QStringLiteral("Chyba"),
                    QMessageBox::Critical, QMessageBox::Yes | QMessageBox::No,
                    QMessageBox::No);  // a stray Enter must not end the program and drop open work
    if (answer == QMessageBox::Yes)
        RequestQuit();
}

// --- Progress panel ----------------------------------------------------------------------------

void TfMain::ShowProgress(bool visible, bool cancellable, const QString& text)
{
    if (visible) {
        panelProgress->Start(cancellable, text);
        PlaceFloatingPanels();
        panelProgress->show();
        panelProgress->raise();
    } else {
        panelProgress->Finish();
    }
}

bool TfMain::ProgressStep(int position, const QString& fileName)
{
    panelProgress->Step(position, fileName);
    PumpMessages(panelProgress);
    return !cancelRequested;
}

bool TfMain::event(QEvent* event)
{
    const bool placing =
        event->type() == QEvent::Show || event->type() == QEvent::Move || event->type() == QEvent::Resize;
    if (placing && !placementFramed_ && isVisible() && !isMaximized() && frameGeometry() != geometry())
        PlaceWindow();
    // A box over the window ends the panel of a short job (unpacking a document), which would
    // stay drawn behind it; a job that can be cancelled keeps its panel for its questions.
    if (event->type() == QEvent::WindowBlocked && !panelProgress->Cancellable())
        panelProgress->Finish();
    if (event->type() != WM_PROGRESS)
        return QMainWindow::event(event);
    const auto* step = static_cast<TProgressEvent*>(event);
    panelProgress->SetProgress(step->Position(), step->Total());
    PumpMessages(panelProgress);
    return true;
}

// --- Layout of the floating panels -------------------------------------------------------------

void TfMain::PlaceFloatingPanels()
{
    panelProgress->move(rightSide->width() - TProgressPanel::Width - 20, 32);
    if (grpMista->isVisible())
        grpMista->setGeometry(128, 4, grpMista->width(), std::max(0, mainPanel->height() - 16));
}

bool TfMain::eventFilter(QObject* watched, QEvent* event)
{
    bool handled = false;
    Guarded([&] {
        if (watched == rightSide && event->type() == QEvent::Resize)
            PlaceFloatingPanels();
        handled = TreeEvent(watched, event) || ListEvent(watched, event) || ContentEvent(watched, event)
            || PlacesEvent(watched, event);
    });
    return handled || QMainWindow::eventFilter(watched, event);
}

// --- Status bar --------------------------------------------------------------------------------

void TfMain::SetStatusText(int panel, const QString& text)
{
    statusPanels.at(size_t(panel))->setText(text);
}

QString TfMain::StatusText(int panel) const
{
    return statusPanels.at(size_t(panel))->text();
}
