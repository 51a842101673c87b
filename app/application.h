#pragma once

// The application object: Czech standard texts, the last-line catch of errors that slip past the
// guard (dialogs/guard.h), and the way the program ends after an error.

#include "toolkit/guard.h"

#include <QApplication>

#include <functional>
#include <memory>

class TWorkFolderLock;

// How the program ends when the user chooses to quit after an error; the closing steps do not
// run. The default leaves the main loop (or keeps start-up from entering it); tests install their own.
using TQuitHook = std::function<void()>;
void SetQuitHook(TQuitHook hook);
void RequestQuit();
bool QuitRequested();
void ResetQuitRequest();

// Whether there is a display to open the windows on: a platform is named (QT_QPA_PLATFORM,
// "-platform") or a Wayland or X display is. When there is none it says so in Czech on stderr.
// When there is one, a display that Qt then fails to open until TApplication stands ends the
// program with the same message and kNoDisplayExit instead of Qt's abort.
bool PrepareDisplay(int argc, char** argv);
inline constexpr int kNoDisplayExit = 2;

// One program per work folder, whatever the display: the lock, held until it is destroyed; none
// (the user told why, also on standard error) when another program has the catalogue open or the
// work folder cannot be locked.
std::unique_ptr<TWorkFolderLock> LockWorkFolder();

class TApplication : public QApplication {
public:
    // Makes Czech the default locale.
    TApplication(int& argc, char** argv);
    // Loads the Czech texts of the standard buttons ("Ano", "Ne", "Storno") when they are installed.
    void LoadCzechTexts();
    bool notify(QObject* receiver, QEvent* event) override;
};
