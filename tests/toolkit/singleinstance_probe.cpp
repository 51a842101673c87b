// A start in its own process for the single-instance tests:
//   singleinstance_probe signal TITLE [MS]  exits 0 when it found a running instance, 1 when not;
//                                           waits MS for an answer (default a minute)
//   singleinstance_probe listen TITLE       is the running instance: prints "listening" once it
//                                           listens, then "restore" for every request to restore
//   singleinstance_probe busy TITLE         listens, prints "listening", and never answers (an
//                                           instance whose event loop a long step holds)
#include "toolkit/singleinstance.h"

#include <QCoreApplication>

#include <cstdio>

#include <unistd.h>

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
    // The tests' instances answer; a loaded machine may be slow.
    instance.SetAnswerTimeout(argc > 3 ? QByteArray(argv[3]).toInt() : 60000);
    if (mode == "signal")
        return instance.SignalRunningInstance() ? 0 : 1;
    if ((mode != "listen" && mode != "busy") || !instance.Listen())
        return 2;
    if (mode == "busy") {
        Say("listening");
        for (;;)
            ::pause();  // until the test kills it
    }
    QObject::connect(&instance, &TSingleInstance::RestoreRequested, [] { Say("restore"); });
    Say("listening");
    return app.exec();
}
