// The content view and links: the main document strip, the content editor with its links, the
// work folder, help and About commands. Filled by a later change.

#include "fmMain.h"

void TfMain::ConnectContentPane()
{
    // Filled by a later change.
}

bool TfMain::ContentEvent(QObject*, QEvent*)
{
    return false;  // filled by a later change
}

void TfMain::memoClick()
{
    // Filled by a later change.
}

void TfMain::memoMouseMove()
{
    // Filled by a later change.
}

void TfMain::popupMemoPopup()
{
    // Filled by a later change.
}

void TfMain::openMemoClick()
{
    // Filled by a later change.
}

void TfMain::openFolderClick()
{
    // Filled by a later change.
}

void TfMain::toolDocClick()
{
    // Filled by a later change.
}

void TfMain::docFolderClick()
{
    // Filled by a later change.
}

void TfMain::workAreaClick()
{
    // Filled by a later change.
}

void TfMain::toolHelpClick()
{
    // Filled by a later change.
}

void TfMain::toolOprogClick()
{
    // Filled by a later change.
}

int TfMain::LinkAtCaret(QString& target)
{
    target.clear();
    return 0;  // filled by a later change
}

void TfMain::OpenMainDocument(bool)
{
    // Filled by a later change.
}
