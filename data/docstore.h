#pragma once

// Stored documents and file links.
//
// The store's operations are members of the data module (data/uDM.h):
// - StoreDocument(path, index, callback): packs the file into its DOCS row (added or replaced);
//   true whenever it returns. A callback answering false raises "Záloha byla přerušena!"; a
//   missing file stores nothing. A pack that PackFile abandoned (too large, unreadable) stores
//   nothing either: the row already there, a good copy, is kept. No transaction of its own.
// - GetDocument(path): the path when the file is there; otherwise the copy in "DOKUM" under the
//   path's file name, unpacked from DOCS when it is not there yet. Empty when the path has no
//   usable file name (empty, "." or ".."), so nothing is ever written outside "DOKUM".
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
