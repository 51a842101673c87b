#pragma once

// The program's file dialogs look alike: large enough that the size and date columns show whole,
// and with sizes, dates and folder types in the program's locale (Czech), not the environment's.
// A desktop's own file dialog, where the platform supplies one, keeps its own look.

class QFileDialog;

void PrepareFileDialog(QFileDialog& dialog);
