#pragma once

// "--labels FILE.pdf [--places] [--sheet SHEET] [--skip N] [--code qr|datamatrix|code128]": the
// labels of every item, or of every storage place, written to a PDF without a window, reading the
// catalogue only.

#include <QString>

struct TLabelsJob {
    QString pdf;
    bool places = false;
    QString sheet;   // a preset's name or COLSxROWS:WxH:LEFT,TOP:GAPX,GAPY; empty: the first preset
    QString skip;    // empty: 0
    QString code;    // empty: qr
};

// Runs the job inside an application of the given arguments; prints what it wrote, or the reason
// in Czech on the error output. Returns the exit status (0 done, 1 failed).
int RunLabelsJob(const TLabelsJob& job, int& argc, char* argv[]);

// The job's lines of "--help".
QString LabelsJobHelp();
