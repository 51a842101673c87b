// The main of the benchmarks that build windows: an offscreen application whose message boxes
// answer at once, so an error cannot wait for a click.

#include "toolkit/messagebox.h"

#include "ratio.h"

#include <QApplication>

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    MessageBoxAnswers::Enable(true);  // an error must not wait for a click
    return bench::RunBenchmarks(argc, argv);
}
