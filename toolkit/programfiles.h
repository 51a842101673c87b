#pragma once

// The program's own files next to its binary: the SQLite engine link, the help document and the
// document index's extraction child. The
// build tree keeps them beside the binary; an installed program finds them in the install
// layout's folders, relative to the binary, so an installed tree works wherever it was put.
// Call after QCoreApplication exists.

#include <QString>

QString ProgramVersion();

// The engine link the program loads: libsqlite3.so.0.
QString EngineLibraryPath();
// The binary's path with ".pdf" appended when it has no extension (regalon → regalon.pdf).
QString HelpDocumentPath();
// The extraction child, installed beside the binary as in the build tree.
QString ExtractHelperPath();
