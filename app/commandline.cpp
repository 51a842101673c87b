#include "commandline.h"
#include "commandlinecsv.h"

#include "commandlabels.h"

#include "toolkit/programfiles.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QStringList>

#include <cstdio>

namespace {

void Print(const QString& text)
{
    std::fputs(text.toLocal8Bit().constData(), stdout);
}

QString HelpText(const QString& program)
{
    return QStringLiteral(
               "Použití: %1 [volby]\n"
               "\n"
               "Regalon – jednoduchý katalog materiálu: strom skupin, položky s místem uložení,\n"
               "dokumenty uložené v katalogu a odkazy na soubory a webové stránky.\n"
               "\n"
               "Volby:\n"
               "  -h, --help     vypíše tuto nápovědu a skončí\n"
               "  -v, --version  vypíše verzi, cestu ke knihovně SQLite a k příručce a skončí\n"
               "  --export-csv SOUBOR  zapíše celý katalog do souboru CSV (UTF-8 s BOM, středník)\n"
               "  --check-csv SOUBOR   zkontroluje soubor CSV pro import a vypíše, co by odmítl\n"
               "                       nebo změnil; končí 0 (lze importovat), 1 (něco by odmítl),\n"
               "                       2 (soubor nelze číst jako CSV)\n"
               "%3"
               "\n"
               "Příručka: %2\n")
        .arg(program, HelpDocumentPath(), LabelsJobHelp());
}

QString VersionText()
{
    return QStringLiteral("Regalon %1\nKnihovna SQLite: %2\nPříručka: %3\n")
        .arg(ProgramVersion(), EngineLibraryPath(), HelpDocumentPath());
}

}  // namespace

std::optional<int> AnswerCommandLine(int& argc, char* argv[])
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);

    QCommandLineParser parser;
    // Qt's own options are single-dash words (-reverse, -stylesheet); read as groups of letters
    // they would hold "v" or "h".
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption help(QStringList{QStringLiteral("h"), QStringLiteral("help")});
    const QCommandLineOption version(QStringList{QStringLiteral("v"), QStringLiteral("version")});
    const QCommandLineOption exportCsv(QStringLiteral("export-csv"), QString(), QStringLiteral("file"));
    const QCommandLineOption checkCsv(QStringLiteral("check-csv"), QString(), QStringLiteral("file"));
    parser.addOptions({help, version, exportCsv, checkCsv});
    const auto valued = [](const char* name) { return QCommandLineOption(QString::fromLatin1(name), {}, QStringLiteral("x")); };
    const QCommandLineOption labels = valued("labels"), sheet = valued("sheet"), skip = valued("skip"), code = valued("code");
    const QCommandLineOption places(QStringLiteral("places"));
    parser.addOptions({labels, sheet, skip, code, places});
    parser.parse(arguments);  // unknown options are Qt's or nobody's: the start ignores them
    if (!parser.isSet(labels) && arguments.contains(QStringLiteral("--labels"))) {
        std::fputs(QStringLiteral("Volba --labels potřebuje jméno souboru PDF.\n").toLocal8Bit().constData(), stderr);
        return 1;
    }
    if (parser.isSet(labels) && !parser.isSet(help) && !parser.isSet(version))
        return RunLabelsJob({parser.value(labels), parser.isSet(places), parser.value(sheet), parser.value(skip),
                             parser.value(code)},
                            argc, argv);
    if (!parser.isSet(help) && !parser.isSet(version) && !parser.isSet(exportCsv) && !parser.isSet(checkCsv))
        return std::nullopt;

    QCoreApplication core(argc, argv);  // the paths are the binary's own
    if (parser.isSet(exportCsv))
        return ExportCsvCommand(parser.value(exportCsv));
    if (parser.isSet(checkCsv))
        return CheckCsvCommand(parser.value(checkCsv));
    if (parser.isSet(help))
        Print(HelpText(QStringLiteral("regalon")));
    else
        Print(VersionText());
    return 0;
}
