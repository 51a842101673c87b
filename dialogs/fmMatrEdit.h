#pragma once

// The item dialog: creates an item (a row of MATR) or edits its designation, description, place,
// main document and content. It works inside one transaction of the data module: a new row is
// inserted before the dialog shows, documents chosen in the dialog are stored at once, OK writes
// every column with one UPDATE and commits, Cancel rolls all of it back (stored documents too).
// The item's group is shown, never changed here.

#include "sqlite/sql3_query.h"

#include <QDialog>

#include <functional>
#include <memory>
#include <vector>

class QComboBox;
class QFileDialog;
class QKeyEvent;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QTabWidget;
class QToolButton;
class QTreeWidgetItem;
class TCodeEditor;
class TFieldBinding;
class TProgressEvent;

class TfMatrEdit : public QDialog {
    Q_OBJECT

public:
    // The content keeps at most this many numbered, typeable lines.
    static constexpr int kMaxLines = 998;

    explicit TfMatrEdit(QWidget* parent = nullptr);
    ~TfMatrEdit() override;

    qint32 FIdent = 0;   // below 1 on entry: a new item; then its new identifier
    qint32 FGroup = 0;   // the item's group (0: none); read from the row of an existing item
    bool FIsNew = false; // the row was inserted by this dialog

    void InsertNew();
    // Raises when the row is not in the catalogue.
    void OpenRecord();
    // The group of the node and the names of its ancestors, as the tree in the main window shows them.
    void ShowTreePath(QTreeWidgetItem* node);
    // The same texts walked up the stored tree from FGroup.
    void ShowStoredPath();
    // Raises when a box holds a character the catalogue's code page cannot store, before writing.
    void SaveRecord();
    void bOKClick();
    void btnClick();      // "Vyber soubor": the main document, stored at once
    void btnLinkClick();  // "vložit soubor": a link to a file into the content, the file stored at once
    bool StoreStep(int index, const QString& path);
    void memoKeyDown(QKeyEvent* event);
    int memoLineNumber(int line) const;
    void WMProgress(const TProgressEvent& event);

    // The content as written into OBSAH: every line followed by CR LF.
    QString ContentText() const;

    QTabWidget* pages = nullptr;
    QLabel* labelRoot = nullptr;
    QLabel* labelGrp = nullptr;
    QLineEdit* edNazev = nullptr;
    QLineEdit* edPopis = nullptr;
    QLineEdit* edPath = nullptr;
    QToolButton* btn = nullptr;
    QComboBox* edMisto = nullptr;
    QToolButton* btnLink = nullptr;
    TCodeEditor* memo = nullptr;
    QLabel* labelProgress = nullptr;
    QProgressBar* progressBar = nullptr;
    QPushButton* bOK = nullptr;
    QPushButton* bCan = nullptr;
    QFileDialog* fileSelect = nullptr;
    std::unique_ptr<TMeral3Query> query;      // the one row shown; freed with the dialog
    std::unique_ptr<TMeral3Query> pathQuery;  // the stored group path

protected:
    bool event(QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void FormCreate();
    void FormShow();
    void CreateControls();
    QWidget* CreateBasicPage();
    QWidget* CreateDetailsPage();
    QLayout* CreateButtonBar();
    // Shows fileSelect; the chosen file, or empty when the user cancelled or the path is refused.
    QString ChooseFile(int maxLength);
    // Stores the chosen file with the progress bar shown, then hides it again, also after an error.
    void StoreChosen(const QString& path, const std::function<void()>& putPath);

    std::vector<TFieldBinding*> textBindings_;  // the text boxes' bindings, children of the boxes
};

// How fileSelect is shown: answers QDialog::Accepted with the chosen file selected in it, or
// Rejected. Tests put in their own choice; an empty function restores the modal file dialog.
using TFileSelectExec = std::function<int(QFileDialog& fileSelect)>;
void SetFileSelectExec(TFileSelectExec exec);

// Runs the dialog for the item `ident` (0: a new item in `group`, a negative group taken as 0).
// `node`, the tree node selected in the main window, only names the group of a new item.
// `newIdent` receives the item's identifier before the dialog shows. Answers 1 for OK, 2
// otherwise. The owner centres the dialog (none: the main window). Errors before the dialog
// shows roll back and pass to the caller.
int ItemDialog(int ident, int group, QTreeWidgetItem* node, const QString& caption, int& newIdent,
               QWidget* owner = nullptr);
