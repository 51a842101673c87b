#pragma once

// The CSV jobs of the command line, answered without a window and reading the catalogue only.

#include <QString>

// "--export-csv FILE": the whole catalogue in the default dialect. 0, or 1 with a message.
int ExportCsvCommand(const QString& fileName);
// "--check-csv FILE": the import's check and dry run with the mapping from the header names.
// 0 when the file would import without a refusal, 1 when not, 2 when it is not readable as CSV.
int CheckCsvCommand(const QString& fileName);
