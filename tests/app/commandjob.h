#pragma once
// Runs the built program as a command-line job: no display, the work folder under the given data
// home, as a script or a nightly job would start it.

#include <QProcess>
#include <QString>
#include <QStringList>

#include <gtest/gtest.h>

struct JobOutcome {
    int exitCode = -1;
    QString output;
    QString errors;
};

inline JobOutcome RunJob(const QString& dataHome, const QStringList& arguments)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        env.remove(QString::fromLatin1(name));
    env.insert(QStringLiteral("XDG_DATA_HOME"), dataHome);
    QProcess program;
    program.setProcessEnvironment(env);
    program.start(QStringLiteral(REGALON_PROGRAM), arguments);
    EXPECT_TRUE(program.waitForFinished(60000));
    EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
    return {program.exitCode(), QString::fromLocal8Bit(program.readAllStandardOutput()),
            QString::fromLocal8Bit(program.readAllStandardError())};
}
