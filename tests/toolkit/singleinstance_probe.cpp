// A second start in its own process: exits 0 when it found a running instance.
#include "toolkit/singleinstance.h"

#include <QCoreApplication>

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    if (argc < 2)
        return 2;
    TSingleInstance instance(QString::fromUtf8(argv[1]));
    return instance.SignalRunningInstance() ? 0 : 1;
}
