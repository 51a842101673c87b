#include "fmMain.h"

#include "application.h"
#include "grouptreeview.h"

#include "data/progress.h"
#include "data/uDM.h"
#include "toolkit/codeeditor.h"
#include "toolkit/datasetmodel.h"
#include "toolkit/icons.h"
#include "toolkit/messagebox.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QProgressBar>
#include <QScreen>
#include <QSplitter>
#include <QStatusBar>
#include <QStyledItemDelegate>
#include <QTableView>
#include <QTableWidget>
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
constexpr int kProgressWidth = 403;
constexpr int kProgressHeight = 70;

const QString kPlacementSection = QStringLiteral("fMain");
const QString kColumnSection = QStringLiteral("grid");

// The list's columns: field, designed width (0: from the field's display width) and font.
struct ColumnDesign {
    const char* field;
    int width;
    int pointSize;
    bool bold;
};
constexpr std::array<ColumnDesign, 5> kColumns{{
    {"IDENT", 0, 9, false},
    {"IDTYP", 128, 9, false},
    {"NAZEV", 128, 8, true},
    {"POPIS", 256, 9, false},
    {"MISTO", 80, 9, false},
}};

int ReadInt(QSettings& settings, const QString& key, int fallback)
{
    bool ok = false;
    const int value = settings.value(key).toString().trimmed().toInt(&ok);
    return ok ? value : fallback;
}

QFont ArialFont(int pointSize, bool bold = false)
{
    QFont font(QStringLiteral("Arial"), pointSize);
    font.setBold(bold);
    return font;
}

// The file-name part of a path: after its last "/", "\" or ":", all of it when there is none.
QString FileNamePart(const QString& path)
{
    const qsizetype cut = std::max({path.lastIndexOf(u'/'), path.lastIndexOf(u'\\'), path.lastIndexOf(u':')});
    return path.mid(cut + 1);
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

// A status bar panel: centred text; a text too long for the panel loses its start (a path keeps
// its file name) and shows whole in the tooltip.
class StatusPanel : public QLabel {
public:
    using QLabel::QLabel;

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        const QRect area = contentsRect().adjusted(2, 0, -2, 0);
        painter.drawText(area, Qt::AlignCenter, fontMetrics().elidedText(text(), Qt::ElideLeft, area.width()));
        setToolTip(fontMetrics().horizontalAdvance(text()) > area.width() ? text() : QString());
    }
};

// The list's row indicator column: a mark at the current row, no row numbers.
class RowIndicator : public QHeaderView {
public:
    explicit RowIndicator(QTableView* view) : QHeaderView(Qt::Vertical, view)
    {
        setSectionsClickable(false);
        setSectionResizeMode(QHeaderView::Fixed);
    }

protected:
    void paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const override
    {
        QStyleOptionHeader option;
        initStyleOption(&option);
        option.rect = rect;
        option.section = logicalIndex;
        style()->drawControl(QStyle::CE_HeaderSection, &option, painter, this);
        if (!selectionModel() || selectionModel()->currentIndex().row() != logicalIndex)
            return;
        const QPoint centre = rect.center();
        const QPolygon mark({centre + QPoint(-2, -4), centre + QPoint(2, 0), centre + QPoint(-2, 4)});
        painter->save();
        painter->setRenderHint(QPainter::Antialiasing);
        painter->setBrush(Qt::black);
        painter->setPen(Qt::NoPen);
        painter->drawPolygon(mark);
        painter->restore();
    }
};

// The group column holds the group's name, although its field is a number.
class LeftAligned : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override
    {
        QStyledItemDelegate::initStyleOption(option, index);
        option->displayAlignment = Qt::AlignLeft | Qt::AlignVCenter;
    }
};

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

    CreateTable();
    CreateToolbar();
    CreateMenu();
    CreateStatusBar();
    CreateMainArea();
    ConnectTreePane();
    ConnectListPane();
    ConnectContentPane();
    ConnectPlacesPane();
    ConnectBackup();
    ConnectReports();
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

void TfMain::CreateTable()
{
    table.SetName(QStringLiteral("table"));
    table.SetDatabase(&dm->db);
    table.SetTableName(QStringLiteral("MATR"));
    table.SetIndexName(QStringLiteral("IXMATR"));
    auto field = [this](const char* name, TFieldType type, int size, const char* label, int displayWidth) {
        TField& f = table.CreateField(QString::fromLatin1(name), type, size);
        f.SetDisplayLabel(QString::fromUtf8(label));
        if (displayWidth > 0)
            f.SetDisplayWidth(displayWidth);
        return &f;
    };
    tableIDENT = field("IDENT", ftLargeint, 0, "ID", 8);
    tableIDENT->SetRequired(true);
    tableIDTYP = field("IDTYP", ftLargeint, 0, "Skupina", 16);
    tableNAZEV = field("NAZEV", ftString, 32, "Označení", 0);
    tablePOPIS = field("POPIS", ftString, 64, "Popis", 0);
    tableMISTO = field("MISTO", ftString, 32, "Umistění", 0);
    tablePATH_DOK = field("PATH_DOK", ftString, 255, "Dokument", 0);
    tableOBSAH = field("OBSAH", ftMemo, 0, "Obsah", 0);
    table.AfterScroll = [this](TMeral3Command& ds) { Guarded([&] { tableAfterScroll(ds); }); };
    table.SetOnFilterRecord([this](TMeral3Command& ds, bool& accept) { tableFilterRecord(ds, accept); });
    tableIDTYP->OnGetText = [this](TField& f, QString& text, bool display) { tableIDTYPGetText(f, text, display); };
}

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

    QMenu* file = mm->addMenu(QStringLiteral("Soubor"));
    AddMenuEntry(file, QStringLiteral("Záloha databáze"), -1, &TfMain::zalohaDatClick);
    AddMenuEntry(file, QStringLiteral("Obnova databáze ze zálohy"), -1, &TfMain::obnovaDatClick);
    file->addSeparator();
    AddMenuEntry(file, QStringLiteral("Otevři pracovní složku"), -1, &TfMain::workAreaClick);
    file->addSeparator();
    AddMenuEntry(file, QStringLiteral("Konec"), -1, &TfMain::KonecClick);

    QMenu* groups = mm->addMenu(QStringLiteral("Strom"));
    groups->addActions({toolNewRG, toolNewG, toolEditG});
    groups->addSeparator();
    groups->addAction(toolDelG);

    QMenu* data = mm->addMenu(QStringLiteral("Data"));
    // The related document is the current item's main document.
    AddMenuEntry(data, QStringLiteral("Otevři související dokument"), 2, &TfMain::toolDocClick);
    data->addSeparator();
    data->addActions({toolMatrAdd, toolMatrEdit, toolMatrDel});
    data->addSeparator();
    AddMenuEntry(data, QStringLiteral("Základní tisk"), 9, &TfMain::toolRepoClick);
    AddMenuEntry(data, QStringLiteral("Tisk podle umístění"), -1, &TfMain::toolRepoPlaceClick);
    AddMenuEntry(data, QStringLiteral("Tisk podle skupin"), -1, &TfMain::toolRepoGrpClick);
    data->addSeparator();
    AddMenuEntry(data, QStringLiteral("Editace míst"), 13, &TfMain::Editacemst1Click);

    QMenu* help = mm->addMenu(QStringLiteral("Pomoc"));
    AddMenuEntry(help, QStringLiteral("Nápověda"), -1, &TfMain::toolHelpClick);
    AddMenuEntry(help, QStringLiteral("O programu..."), -1, &TfMain::toolOprogClick);
}

void TfMain::CreateToolbar()
{
    tool = addToolBar(QStringLiteral("tool"));
    tool->setObjectName(QStringLiteral("tool"));
    tool->setMovable(false);
    tool->setFloatable(false);
    tool->setIconSize(QSize(16, 16));
    tool->setFixedHeight(29);
    tool->toggleViewAction()->setEnabled(false);
    setContextMenuPolicy(Qt::NoContextMenu);  // no toolbar on/off menu

    auto button = [this](const char* name, const QString& hint, int icon, void (TfMain::*handler)()) {
        QAction* action = tool->addAction(ImageListIcon(icon), hint);
        action->setObjectName(QString::fromLatin1(name));
        action->setToolTip(hint);
        connect(action, &QAction::triggered, this, GuardedSlot(this, handler));
        if (QWidget* widget = tool->widgetForAction(action))
            widget->setFixedWidth(24);
        return action;
    };
    toolNewRG = button("toolNewRG", QStringLiteral("Nová kořenová skupina"), 6, &TfMain::toolNewRGClick);
    toolNewG = button("toolNewG", QStringLiteral("Nová skupina ve vybrané větvi"), 7, &TfMain::toolNewGClick);
    toolEditG = button("toolEditG", QStringLiteral("Úprava skupiny"), 1, &TfMain::toolEditGClick);
    toolDelG = button("toolDelG", QStringLiteral("Vymazat skupinu"), 8, &TfMain::toolDelGClick);
    tool->addSeparator();
    toolMatrAdd = button("toolMatrAdd", QStringLiteral("Nová položka"), 3, &TfMain::toolMatrAddClick);
    toolMatrEdit = button("toolMatrEdit", QStringLiteral("Úprava položky"), 5, &TfMain::toolMatrEditClick);
    toolMatrDel = button("toolMatrDel", QStringLiteral("Smazat položku"), 4, &TfMain::toolMatrDelClick);
    tool->addSeparator();
    toolDoc = button("toolDoc", QStringLiteral("Otevři dokument"), 2, &TfMain::toolDocClick);
    tool->addSeparator();

    popupRepo = new QMenu(this);
    popupRepo->setObjectName(QStringLiteral("popupRepo"));
    AddMenuEntry(popupRepo, QStringLiteral("Základní"), -1, &TfMain::toolRepoClick);
    popupRepo->addSeparator();
    AddMenuEntry(popupRepo, QStringLiteral("Podle umístění"), -1, &TfMain::toolRepoPlaceClick);
    AddMenuEntry(popupRepo, QStringLiteral("Podle skupin"), -1, &TfMain::toolRepoGrpClick);
    toolRepo = new QToolButton(tool);
    toolRepo->setObjectName(QStringLiteral("toolRepo"));
    toolRepo->setIcon(ImageListIcon(9));
    toolRepo->setToolTip(QStringLiteral("Sestava"));
    toolRepo->setAutoRaise(true);
    toolRepo->setMenu(popupRepo);
    toolRepo->setPopupMode(QToolButton::InstantPopup);
    tool->addWidget(toolRepo);
    tool->addSeparator();

    edFilter = new QLineEdit(tool);
    edFilter->setObjectName(QStringLiteral("edFilter"));
    edFilter->setToolTip(QStringLiteral("Filtr"));
    edFilter->setFixedWidth(121);
    edFilter->setMaxLength(128);
    tool->addWidget(edFilter);
    toolFilter = button("toolFilter", QStringLiteral("Nastav filtr"), 10, &TfMain::toolFilterClick);
    tool->addSeparator();
    toolHelp = button("toolHelp", QStringLiteral("Nápověda"), 12, &TfMain::toolHelpClick);
}

void TfMain::CreateStatusBar()
{
    status = statusBar();
    status->setObjectName(QStringLiteral("status"));
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

    tree = new TGroupTreeView(splitterV);
    tree->setObjectName(QStringLiteral("tree"));
    tree->setMinimumWidth(128);
    tree->setFont(ArialFont(9));

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

    grid = new QTableView(splitterH);
    grid->setObjectName(QStringLiteral("grid"));
    gridModel = new TDataSetModel(grid);
    QStringList columns;
    for (const ColumnDesign& c : kColumns)
        columns << QString::fromLatin1(c.field);
    gridModel->SetColumns(columns);
    gridModel->OnError = [](const Exception& e) { HandleError(e); };
    gridModel->SetDataSet(&table);
    grid->setVerticalHeader(new RowIndicator(grid));
    grid->setModel(gridModel);
    gridModel->BindSelection(grid->selectionModel());
    connect(grid->selectionModel(), &QItemSelectionModel::currentRowChanged, grid->verticalHeader()->viewport(),
            qOverload<>(&QWidget::update));
    grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    grid->setSelectionMode(QAbstractItemView::SingleSelection);
    grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid->setFont(ArialFont(9));
    grid->setItemDelegateForColumn(1, new LeftAligned(grid));
    grid->verticalHeader()->setDefaultSectionSize(QFontMetrics(ArialFont(9)).height() + 4);
    grid->verticalHeader()->setFixedWidth(12);  // the row indicator column
    grid->horizontalHeader()->setHighlightSections(false);
    for (int i = 0; i < int(kColumns.size()); ++i) {
        const ColumnDesign& c = kColumns[size_t(i)];
        const int width = c.width > 0
            ? c.width
            : QFontMetrics(ArialFont(c.pointSize)).horizontalAdvance(u'0') * tableIDENT->DisplayWidth() + 4;
        grid->setColumnWidth(i, width);
    }

    CreateContentArea();
    splitterH->setStretchFactor(0, 1);
    splitterH->setStretchFactor(1, 0);
    splitterV->setStretchFactor(0, 0);
    splitterV->setStretchFactor(1, 1);
    CreateProgressPanel();
    CreatePlacesPanel();
}

void TfMain::CreateContentArea()
{
    panelMemo = new QWidget(splitterH);
    panelMemo->setObjectName(QStringLiteral("panelMemo"));
    auto* layout = new QVBoxLayout(panelMemo);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    panelDoc = new QFrame(panelMemo);
    panelDoc->setObjectName(QStringLiteral("panelDoc"));
    panelDoc->setFixedHeight(32);
    panelDoc->setFrameShape(QFrame::StyledPanel);
    panelDocCaption = new QLabel(QStringLiteral("     Hlavní dokument:"), panelDoc);
    panelDocCaption->setObjectName(QStringLiteral("panelDocCaption"));
    QFont captionFont(QStringLiteral("Arial Narrow"), 8);
    captionFont.setBold(true);
    panelDocCaption->setFont(captionFont);
    panelDocCaption->setStyleSheet(QStringLiteral("color: gray"));
    panelDocCaption->setGeometry(0, 0, 100, 32);
    textPath = new QLabel(panelDoc);
    textPath->setObjectName(QStringLiteral("textPath"));
    textPath->setFont(ArialFont(9));
    textPath->setStyleSheet(QStringLiteral("color: palette(link)"));  // blue in a light scheme
    textPath->setCursor(Qt::PointingHandCursor);
    textPath->move(100, 8);
    layout->addWidget(panelDoc);

    memo = new TCodeEditor(panelMemo);
    memo->setObjectName(QStringLiteral("memo"));
    memo->SetReadOnly(true);
    memo->setFont(QFont(QStringLiteral("Courier New"), 10));
    memo->setMinimumHeight(80);
    layout->addWidget(memo);
}

void TfMain::CreateProgressPanel()
{
    panelProgress = new QFrame(rightSide);
    panelProgress->setObjectName(QStringLiteral("panelProgress"));
    panelProgress->setFixedSize(kProgressWidth, kProgressHeight);
    panelProgress->setFrameShape(QFrame::Panel);
    panelProgress->setFrameShadow(QFrame::Raised);
    panelProgress->setAutoFillBackground(true);
    QPalette silver = panelProgress->palette();
    silver.setColor(QPalette::Window, QColor(192, 192, 192));
    silver.setColor(QPalette::WindowText, Qt::black);  // a dark scheme's light text would vanish on silver
    panelProgress->setPalette(silver);

    progressText = new QLabel(panelProgress);
    progressText->setObjectName(QStringLiteral("progressText"));
    QFont bold = progressText->font();
    bold.setBold(true);
    progressText->setFont(bold);
    progressText->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    progressText->setGeometry(8, 4, kProgressWidth - 8 - 36, 20);

    brCancel = new QToolButton(panelProgress);
    brCancel->setObjectName(QStringLiteral("brCancel"));
    brCancel->setIcon(CancelIcon());
    brCancel->setIconSize(QSize(20, 20));
    brCancel->setGeometry(kProgressWidth - 24 - 4, 3, 24, 24);
    brCancel->setAutoRaise(true);
    connect(brCancel, &QToolButton::clicked, this, GuardedSlot(this, &TfMain::brCancelClick));

    progress = new QProgressBar(panelProgress);
    progress->setObjectName(QStringLiteral("progress"));
    progress->setGeometry((kProgressWidth - 388) / 2, 28, 388, 16);
    progress->setTextVisible(false);

    currentFile = new QLabel(panelProgress);
    currentFile->setObjectName(QStringLiteral("currentFile"));
    currentFile->setGeometry((kProgressWidth - 388) / 2, 46, 388, 20);
}

void TfMain::CreatePlacesPanel()
{
    grpMista = new QFrame(mainPanel);
    grpMista->setObjectName(QStringLiteral("grpMista"));
    grpMista->setFrameShape(QFrame::Box);
    grpMista->setAutoFillBackground(true);
    grpMista->setFixedWidth(280);
    auto* layout = new QVBoxLayout(grpMista);
    layout->setContentsMargins(1, 1, 1, 1);
    layout->setSpacing(0);

    panMista = new QFrame(grpMista);
    panMista->setObjectName(QStringLiteral("panMista"));
    panMista->setFixedHeight(28);
    panMista->setAutoFillBackground(true);
    QPalette silver = panMista->palette();
    silver.setColor(QPalette::Window, QColor(192, 192, 192));
    silver.setColor(QPalette::WindowText, Qt::black);
    panMista->setPalette(silver);
    auto* strip = new QHBoxLayout(panMista);
    strip->setContentsMargins(0, 0, 3, 0);
    auto* caption = new QLabel(QStringLiteral("  Úprava existujících míst"), panMista);
    strip->addWidget(caption, 1);
    btnMista = new QToolButton(panMista);
    btnMista->setObjectName(QStringLiteral("btnMista"));
    btnMista->setText(QStringLiteral("X"));
    QFont bold = btnMista->font();
    bold.setBold(true);
    btnMista->setFont(bold);
    btnMista->setFixedSize(23, 22);
    strip->addWidget(btnMista);
    layout->addWidget(panMista);

    gridMista = new QTableWidget(0, 2, grpMista);
    gridMista->setObjectName(QStringLiteral("gridMista"));
    gridMista->horizontalHeader()->hide();
    gridMista->verticalHeader()->hide();
    gridMista->setColumnWidth(0, 32);
    gridMista->setColumnWidth(1, 244);
    gridMista->horizontalHeader()->setStretchLastSection(true);
    gridMista->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    layout->addWidget(gridMista);
    grpMista->hide();
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
    const int treeWidth = ReadInt(settings, QStringLiteral("splitterV"), kDefaultTreeWidth);
    const int contentHeight = ReadInt(settings, QStringLiteral("splitterH"), kDefaultContentHeight);
    settings.endGroup();
    // The other side takes what is left; the stretch factors keep these sizes when the window grows.
    splitterV->setSizes({treeWidth, std::max(1, width() - treeWidth - kSplitterWidth)});
    splitterH->setSizes({std::max(1, height() - contentHeight), contentHeight});

    // Keys are the columns' field names, in column order.
    settings.beginGroup(kColumnSection);
    for (int i = 0; i < int(kColumns.size()); ++i)
        grid->setColumnWidth(i, ReadInt(settings, QString::fromLatin1(kColumns[size_t(i)].field), grid->columnWidth(i)));
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
    settings.setValue(QStringLiteral("splitterV"), tree->width());
    settings.setValue(QStringLiteral("splitterH"), panelMemo->height());
    settings.endGroup();
    settings.beginGroup(kColumnSection);
    for (int i = 0; i < int(kColumns.size()); ++i)
        settings.setValue(QString::fromLatin1(kColumns[size_t(i)].field), grid->columnWidth(i));
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
        progressText->setText(text);
        brCancel->setVisible(cancellable);
        progress->setValue(0);
        PlaceFloatingPanels();
        panelProgress->show();
        panelProgress->raise();
    } else {
        panelProgress->hide();
        progressText->clear();
        currentFile->clear();
        panelProgress->lower();
    }
}

bool TfMain::ProgressStep(int position, const QString& fileName)
{
    progress->setValue(position < 0 ? progress->maximum() / 8 * -position : position);
    currentFile->setText(FileNamePart(fileName));
    PumpMessages(panelProgress);
    return !cancelRequested;
}

bool TfMain::event(QEvent* event)
{
    const bool placing =
        event->type() == QEvent::Show || event->type() == QEvent::Move || event->type() == QEvent::Resize;
    if (placing && !placementFramed_ && isVisible() && !isMaximized() && frameGeometry() != geometry())
        PlaceWindow();
    if (event->type() != WM_PROGRESS)
        return QMainWindow::event(event);
    const auto* step = static_cast<TProgressEvent*>(event);
    progress->setMaximum(int(std::clamp<qint64>(step->Total(), 0, INT_MAX)));
    progress->setValue(int(std::clamp<qint64>(step->Position(), 0, INT_MAX)));
    PumpMessages(panelProgress);
    return true;
}

// --- Layout of the floating panels -------------------------------------------------------------

void TfMain::PlaceFloatingPanels()
{
    panelProgress->move(rightSide->width() - kProgressWidth - 20, 32);
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
