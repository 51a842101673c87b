// A start in its own process for the single-instance tests:
//   singleinstance_probe signal TITLE   exits 0 when it found a running instance, 1 when not
//   singleinstance_probe listen TITLE   is the running instance: prints "listening" once it
//                                       listens, then "restore" for every request to restore
#include "toolkit/singleinstance.h"

#include <QCoreApplication>

#include <cstdio>

namespace {

void Say(const char* line)
{
    std::puts(line);
    std::fflush(stdout);
}

}  // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    if (argc < 3)
        return 2;
    const QByteArray mode = argv[1];
    TSingleInstance instance(QString::fromUtf8(argv[2]));
    instance.SetAnswerTimeout(60000);  // the tests' instances answer; a loaded machine may be slow
    if (mode == "signal")
        return instance.SignalRunningInstance() ? 0 : 1;
    if (mode != "listen" || !instance.Listen())
        return 2;
    QObject::connect(&instance, &TSingleInstance::RestoreRequested, [] { Say("restore"); });
    Say("listening");
    return app.exec();
}
