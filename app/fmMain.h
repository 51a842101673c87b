#pragma once

// The main window: the frame (toolbar, menu, status bar, splitters, placing the progress panel,
// settings, error handler) and the panes inside it. The frame lives in fmMain.cpp; each pane has
// its own file, which builds its controls and wires them: fmMainTree.cpp (group tree),
// fmMainList.cpp (item list and filter), fmMainContent.cpp (content view and links),
// fmMainPlaces.cpp (places editor), fmMainBackup.cpp (backup and restore, the progress panel's
// cancel button), fmMainReports.cpp (reports). The progress panel is progresspanel.h, the small
// widgets helperwidgets.h.
//
// Every handler below runs through the guard (dialogs/guard.h): connect a signal with
// GuardedSlot(this, &TfMain::handler) or wrap the body of an event override in Guarded().
// A pane wires its own signals and filters in its Connect…Pane function, called at the end of the
// constructor, and sees the events of its controls through its …Event function, which the window's
// event filter calls for every control that has the window installed as its filter.

#include "progresspanel.h"

#include "data/textfold.h"
#include "sqlite/sql3_table.h"

#include <QMainWindow>
#include <QRect>
#include <QString>
#include <QStringList>

#include <array>
#include <cstdint>

class QAction;
class QCheckBox;
class TDocumentSearch;
struct ImportResult;
class QFrame;
class QKeyEvent;
class QLabel;
class QLineEdit;
class QMenu;
class QMenuBar;
class QModelIndex;
class QPainter;
class QProgressBar;
class QSplitter;
class QStatusBar;
class QStyleOptionViewItem;
class QTableView;
class QTableWidget;
class QToolBar;
class QToolButton;
class QTreeWidgetItem;
class TCodeEditor;
class TDataSetModel;
class TGroupTreeView;

class TfMain : public QMainWindow {
    Q_OBJECT

public:
    explicit TfMain(QWidget* parent = nullptr);
    ~TfMain() override;

    // Whether OpenCatalogue succeeded; the item list and the tree load only then.
    bool CatalogueOpen() const { return catalogueOpen_; }

    // --- Frame ---------------------------------------------------------------------------------
    // Shows the error's text followed by " Ukončit aplikaci?"; Yes ends the program at once,
    // without the closing steps.
    void AppException(const Exception& error);
    void ShowProgress(bool visible, bool cancellable, const QString& text);
    // One step of a cancellable operation: a negative position marks eighths of the bar; answers
    // whether to go on.
    bool ProgressStep(int position, const QString& fileName);
    void KonecClick();
    // The closing steps 1–3: placement and column widths into the settings file, flushed; raises
    // "Unable to write to …" when the file cannot be written.
    void SaveSettings();
    // Status bar panels 0 … 2.
    void SetStatusText(int panel, const QString& text);
    QString StatusText(int panel) const;

    // --- Group tree (fmMainTree.cpp) -------------------------------------------------------------
    void treeChange(QTreeWidgetItem* node);
    void treeDeletion(QTreeWidgetItem* node);
    void treeCollapsing(QTreeWidgetItem* node);
    void treeCustomDrawItem(const QTreeWidgetItem* node, QStyleOptionViewItem& option) const;
    // Whether a drag from `source` may drop on `target` (the node under the mouse, or none).
    bool treeDragOver(QObject* source, QTreeWidgetItem* target);
    void treeDragDrop(QObject* source, QTreeWidgetItem* target);
    void treeEndDrag();
    void popupTreePopup();
    void toolNewRGClick();
    void toolNewGClick();
    void toolEditGClick();
    void toolDelGClick();
    void menuToRootClick();
    void CollectGroupIds(QTreeWidgetItem* node);
    // Reloads the tree and selects the group's node (none when it is gone).
    void ReloadAndSelect(int groupId);
    QTreeWidgetItem* SelectedNode() const;

    // --- Item list and filter (fmMainList.cpp) ---------------------------------------------------
    // The item list's own block: handlers with what they need of the toolkit's events, the
    // pop-up's entries and the state of a drag from the list.
    void tableAfterScroll(TMeral3Command& dataSet);
    void tableFilterRecord(TMeral3Command& dataSet, bool& accept);
    void tableIDTYPGetText(TField& sender, QString& text, bool displayText);
    // Paints one cell: the band of its screen row (or the current row's colour), then its text.
    void gridDrawColumnCell(QPainter& painter, const QStyleOptionViewItem& option, const QModelIndex& index);
    void gridTitleBtnClick(int column);
    // `pos` in the grid's own coordinates; answers whether the move belongs to a drag of the list
    // (held back within the drag distance, or the drag itself), so the grid must not see it.
    bool gridMouseMove(Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers, const QPoint& pos);
    bool gridDragOver(QObject* source);
    // The list's drag has ended: `target` is the control it was dropped on (none when it was
    // not dropped), `node` the tree node at the drop point.
    void gridEndDrag(QObject* target, QTreeWidgetItem* node);
    void gridPopupPopup();
    void toolMatrAddClick();
    void toolMatrEditClick();
    void toolMatrDelClick();
    // ItemDialog for the item (0: a new one) in the selected node's group; the list then moves to it.
    void RunItemDialog(int ident, const QString& caption);
    void toolFilterClick();
    // Enter in the filter box sets the filter; answers whether the key was consumed.
    bool edFilterKeyPress(int key);
    bool MatchesFilterText();
    // The pop-up menu of the list.
    QAction* menuMatrEdit = nullptr;
    QAction* menuDoc = nullptr;
    QAction* menuDocFolder = nullptr;
    QAction* menuMatrDel = nullptr;
    // A drag from the list: where the left button went down (grid coordinates), and where the
    // drag was dropped on the tree.
    QPoint gridPressPos{-1, -1};
    bool gridDroppedOnTree = false;
    QTreeWidgetItem* gridDropNode = nullptr;

    // --- Content view and links (fmMainContent.cpp) ----------------------------------------------
    void memoClick();
    void memoMouseMove();
    void popupMemoPopup();
    void openMemoClick();
    void openFolderClick();
    void toolDocClick();
    void docFolderClick();
    void workAreaClick();
    void toolHelpClick();
    void toolOprogClick();
    // 0 no link, 1 file link, 2 web link; the target goes into `target`.
    int LinkAtCaret(QString& target);
    void OpenMainDocument(bool showInFolder);

    // --- Search in the documents' text (fmMainSearch.cpp) -----------------------------------------
    void ConnectDocumentSearch();
    void RequestIndexing();    // after start, storing documents, a backup, a restore
    bool MatchesDocuments();   // the record's main document or a linked one holds the filter's words
    void ShowDocumentMatch();  // which document matched, with an excerpt, in the status bar
    QCheckBox* cbDocuments = nullptr;
    TDocumentSearch* documentSearch = nullptr;  // a child of the window

    // --- Places editor (fmMainPlaces.cpp) --------------------------------------------------------
    void Editacemst1Click();
    void gridMistaGetEditText();
    void gridMistaKeyPress();
    void gridMistaKeyDown();
    void gridMistaValidate();
    void grpMistaExit();

    // --- Content view and places editor: their own state (fmMainContent.cpp, fmMainPlaces.cpp) ---
    QAction* openMemo = nullptr;    // popupMemo: "Otevři dokument"
    QAction* openFolder = nullptr;  // popupMemo: "Ukaž ve složce"
    QPoint memoMousePoint;          // the last mouse point over memo's viewport, for memoMouseMove
    int placesEditorRow = -1;       // the gridMista row whose value editor is open; -1 none
    bool placesClosing = false;     // grpMistaExit is running
    // Context of the connections that must end with the window's own members, before its widgets
    // go (focus and current-row changes arrive while they are destroyed).
    QObject paneConnections;

    // --- Backup and restore (fmMainBackup.cpp) ---------------------------------------------------
    void zalohaDatClick();
    void obnovaDatClick();
    void brCancelClick();

    // --- Reports (fmMainReports.cpp) -------------------------------------------------------------
    void toolRepoClick();
    void toolRepoPlaceClick();
    void toolRepoGrpClick();

    // --- CSV export and import (fmMainExchange.cpp) ---------------------------------------------
    void exportCsvClick();      // the whole catalogue
    void exportListCsvClick();  // the items the list shows, in its order
    void importCsvClick();
    void ShowImported(const ImportResult& result);  // the summary, then the list on the first item
    QAction* menuExportCsv = nullptr;
    QAction* menuImportCsv = nullptr;
    QAction* menuExportListCsv = nullptr;
    // --- Labels and scanning them (fmMainLabels.cpp) ---------------------------------------------
    void menuLabelsClick();
    // A label's code typed into the filter box: goes to the item or lists the items of the place;
    // answers whether the text was a code (an unknown one is reported in the status bar).
    bool ScanLabelCode(const QString& typed);
    QString scannedPlace;  // the place whose items the list shows after a scan; empty: none

    // --- Fields --------------------------------------------------------------------------------
    std::array<int32_t, 128> groupIds{};
    int32_t groupIdCount = 0;     // used entries of groupIds, 0 … 127
    int32_t draggedGroupId = 0;   // the group whose move is stored when a tree drag ends
    bool cancelRequested = false;
    QString filterText;           // trimmed, upper-cased; empty: no text filter
    TTextMatcher filterWords;     // filterText's words, folded (made again when filterText changes)
    int editRow = -1;             // places editor: the row being typed into
    QString placeBeforeEdit;      // places editor: the row's trimmed value before the edit

    // The item list's record set over MATR and its fields, in column order.
    TMeral3Table table;
    TField* tableIDENT = nullptr;
    TField* tableIDTYP = nullptr;
    TField* tableNAZEV = nullptr;
    TField* tablePOPIS = nullptr;
    TField* tableMISTO = nullptr;
    TField* tablePATH_DOK = nullptr;
    TField* tableOBSAH = nullptr;

    // --- Controls (Qt children; objectName = the member's name) ----------------------------------
    QMenuBar* mm = nullptr;
    QToolBar* tool = nullptr;
    QWidget* mainPanel = nullptr;
    QStatusBar* status = nullptr;
    TGroupTreeView* tree = nullptr;
    QSplitter* splitterV = nullptr;  // tree | right side
    QWidget* rightSide = nullptr;    // holds splitterH; the progress panel floats over it
    QTableView* grid = nullptr;
    TDataSetModel* gridModel = nullptr;
    QSplitter* splitterH = nullptr;  // list above the content area
    QWidget* panelMemo = nullptr;
    QFrame* panelDoc = nullptr;
    QLabel* panelDocCaption = nullptr;
    QLabel* textPath = nullptr;
    TCodeEditor* memo = nullptr;
    TProgressPanel* panelProgress = nullptr;
    // The progress panel's controls.
    QLabel* progressText = nullptr;
    QToolButton* brCancel = nullptr;
    QProgressBar* progress = nullptr;
    QLabel* currentFile = nullptr;
    QFrame* grpMista = nullptr;
    QFrame* panMista = nullptr;
    QToolButton* btnMista = nullptr;
    QTableWidget* gridMista = nullptr;
    QLineEdit* edFilter = nullptr;
    QMenu* menuData = nullptr;  // the Data menu, which the exchange and label panes extend
    QMenu* popupTree = nullptr;
    QMenu* gridPopup = nullptr;
    QMenu* popupMemo = nullptr;
    QMenu* popupRepo = nullptr;
    std::array<QLabel*, 3> statusPanels{};

    // Toolbar (objectName as the member).
    QAction* toolNewRG = nullptr;
    QAction* toolNewG = nullptr;
    QAction* toolEditG = nullptr;
    QAction* toolDelG = nullptr;
    QAction* toolMatrAdd = nullptr;
    QAction* toolMatrEdit = nullptr;
    QAction* toolMatrDel = nullptr;
    QAction* toolDoc = nullptr;
    QToolButton* toolRepo = nullptr;
    QAction* toolFilter = nullptr;
    QAction* toolHelp = nullptr;
    // Pop-up menu of the tree.
    QAction* menuNewG = nullptr;
    QAction* menuEditG = nullptr;
    QAction* menuToRoot = nullptr;

protected:
    bool event(QEvent* event) override;  // WM_PROGRESS
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The frame, in construction order.
    void CreateMenu();
    void CreateToolbar();
    void CreateStatusBar();
    void CreateMainArea();  // the panes' places; each pane builds its own controls
    void ReadSettings();
    void OpenCatalogue();
    void PlaceFloatingPanels();
    QAction* AddMenuEntry(QMenu* menu, const QString& text, int icon, void (TfMain::*handler)());

    // Each pane's construction, wiring and event handling; see the file comment.
    void CreateTree();
    void CreateTable();            // the item list's record set
    void CreateGrid();
    QStringList GridColumns() const;  // the list's field names, in column order
    void CreateContentArea();
    void CreatePlacesPanel();
    void ConnectTreePane();
    void ConnectExchangePane();
    void ConnectListPane();
    void ConnectContentPane();
    void ConnectPlacesPane();
    void ConnectBackup();
    void ConnectReports();
    void ConnectLabels();
    bool TreeEvent(QObject* watched, QEvent* event);
    bool ListEvent(QObject* watched, QEvent* event);
    bool gridKeyPress(const QKeyEvent& key);
    bool ContentEvent(QObject* watched, QEvent* event);
    bool PlacesEvent(QObject* watched, QEvent* event);

    bool catalogueOpen_ = false;
    // The outer bounds read from the settings, placed on screen; applied again once, when the
    // window manager's frame first shows.
    void PlaceWindow();
    QRect placement_;
    bool placementFramed_ = false;

    // --- Backup and restore (fmMainBackup.cpp) ---------------------------------------------------
    // What the cancel button of a long job asks, and what the panel says once the user said Yes.
    struct CancelTexts {
        QString question, caption, stopping;
    };
    // The backup's step report: ProgressStep, then CancelStep.
    bool BackupStep(int position, const QString& text);
    // Asks the cancel question if the cancel button was clicked during the step's message pass;
    // answers whether the job goes on. Asked only here, outside the pass, whose input filter would
    // keep the question's box from taking any answer.
    bool CancelStep();
    void AskCancel();
    // Shows the panel with its cancel button for the job; EndJob hides it again.
    void StartJob(const CancelTexts& job, const QString& caption);
    void EndJob();
    int ShownItemCount();         // the rows the list shows now
    void ReloadCatalogueView();   // the list on its first row and the tree, after a restore
    // After a backup or restore the catalogue did not open again: the user may try again, as a
    // passing fault (a network folder, a moment's lock) needs no restart, or end the program.
    // True once it is open and shown again.
    bool OfferReopen(QString failure);
    const CancelTexts* runningJob_ = nullptr;  // the cancellable job running now, if any
    bool cancelClicked_ = false;
    // --- end of backup and restore ---------------------------------------------------------------
};
