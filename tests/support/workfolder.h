#pragma once

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

// A fresh per-user data folder for one test: XDG_DATA_HOME points into it while the object lives,
// so the work folder, the catalogue and the settings file are made there.
class TempWorkFolder {
public:
    TempWorkFolder();
    ~TempWorkFolder();
    TempWorkFolder(const TempWorkFolder&) = delete;
    TempWorkFolder& operator=(const TempWorkFolder&) = delete;

    QString DataHome() const;                         // the XDG_DATA_HOME in force
    QString WorkFolder() const;                       // DataHome + the program's work folder name
    QString File(const QString& relative) const;      // a path below DataHome
    QString WriteFile(const QString& relative, const QByteArray& bytes) const;  // returns the path

private:
    QTemporaryDir dir_;
    QByteArray previous_;
    bool hadPrevious_;
};
