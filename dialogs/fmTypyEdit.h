#pragma once

// The group dialog: creates a group (a row of TYPY) or edits the name and description of one.
// It works inside one transaction of the data module: a new row is inserted before the dialog
// shows, OK writes the boxes with one UPDATE and commits, Cancel rolls everything back.

#include "sqlite/sql3_query.h"

#include <QDialog>

#include <memory>
#include <vector>

class QLabel;
class QLineEdit;
class QPushButton;
class TFieldBinding;

class TfTypyEdit : public QDialog {
    Q_OBJECT

public:
    explicit TfTypyEdit(QWidget* parent = nullptr);
    ~TfTypyEdit() override;

    qint32 FIdent = 0;   // below 1 on entry: a new group; then its new identifier
    qint32 FParent = 0;  // written into a new row
    qint32 FLevel = 0;   // written into a new row

    void SetBranchText(const QString& text);
    void InsertNew();
    void OpenRecord();
    // Raises when a box holds a character the catalogue's code page cannot store, before writing.
    void SaveRecord();
    void bOKClick();

    QLabel* textIdent = nullptr;
    QLabel* textLevel = nullptr;
    QLabel* textBranch = nullptr;
    QLineEdit* edNazev = nullptr;
    QLineEdit* edPopis = nullptr;
    QPushButton* bOK = nullptr;
    QPushButton* bCan = nullptr;
    std::unique_ptr<TMeral3Query> query;  // the one row shown; freed with the dialog

private:
    void FormCreate();
    void CreateControls();

    std::vector<TFieldBinding*> textBindings_;  // the text boxes' bindings, children of the boxes
};

// Runs the dialog for the group `ident` (0: a new group with the given parent and level); `newIdent`
// receives the group's identifier before the dialog shows. Answers 1 for OK, 2 otherwise. The
// owner centres the dialog (none: the main window). Errors before the dialog shows roll back
// and pass to the caller.
int GroupDialog(int ident, int parent, int level, const QString& caption, const QString& branchText,
                int& newIdent, QWidget* owner = nullptr);
