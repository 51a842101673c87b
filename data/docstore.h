#pragma once

// Stored documents and file links.
//
// The store's operations are members of the data module (data/uDM.h):
// - StoreDocument(path, index, callback): packs the file into its DOCS row (added or replaced);
//   true whenever it returns. A callback answering false raises "Záloha byla přerušena!"; a
//   missing file stores nothing. A row that already holds the file's bytes (same size, then same
//   digest, data/docstoredigest.h) is left untouched and nothing is packed. A pack that PackFile
//   abandoned (too large, unreadable) stores nothing either: the row already there, a good copy,
//   is kept. No transaction of its own.
// - StoreDocuments(requests, callback): StoreDocument of each request in order, with the callback
//   asked before each, while the documents after it are read and packed on PackWorkers() threads.
//   Every blob, message and error is the one StoreDocument of each in turn would give; a stop or
//   an error drops what was packed ahead, so every row is either as before or newly written.
// - GetDocument(path): the path when the file is there; otherwise the copy in "DOKUM" under the
//   path's file name, unpacked from DOCS unless a plain file holding the stored bytes is already
//   there (a link is replaced, never followed). Empty when the file name the copy would get
//   (trimmed of blanks and control characters at its end) is not usable (empty, "." or ".."), so
//   nothing is ever written outside "DOKUM". A row whose sizes pass the limits of data/bz2.h is
//   refused with the too-large warning before its blob is read.
// - ListContentLinks(field, list): appends the path of the first file link of every line.
// - ShowInFolder(path): the file manager at the file (toolkit/shell.h).
//
// A file link is "file://" followed by the path as quoted-printable over its Windows-1250 bytes,
// with every blank written "%32" and every CR LF (the soft line breaks) "%13", so the link reads
// as one word. Paths keep their "/" separators.

#include <QString>
#include <QStringList>

inline constexpr char FileLinkPrefix[] = "file://";

// The link of a path. A character Windows-1250 cannot hold raises EDatabaseError.
QString EncodeFileLink(const QString& path);
// The path of a link; "file://" in front is taken off when present. A link holding characters
// outside Windows-1250 (typed by hand) is read as it stands, with only "%32" and "%13" turned back.
// "%32" and "%13" inside a path are not told apart from the coding's own, so such a path does not
// come back unchanged.
QString DecodeFileLink(const QString& link);
// Appends the decoded path of the first file link of each line of the text.
void AppendContentLinks(const QString& content, QStringList& list);

// The file-name part of a path, also of one written on Windows: what follows the last "/" or "\",
// a drive prefix such as "C:" dropped.
QString DocumentFileName(const QString& path);
