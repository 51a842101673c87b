#pragma once

// The link token rule of the content editors: a scheme followed by the longest run of the
// characters a link may hold. Pure text functions, shared by the highlighting and by the editor's
// token lookup.

#include <QList>
#include <QString>
#include <QStringView>

#include <optional>

struct TLinkToken {
    int start = 0;   // column of the first character, counted from 0
    int length = 0;
    QString text;

    int End() const { return start + length; }  // one past the last character
    bool Contains(int column) const { return column >= start && column < End(); }
};

// Schemes that begin a link token: "file://", "http://", "https://", "ftp://" and "mailto:". They
// are recognised in any letter case and only where no ASCII letter or digit stands just before
// them; so "FILE://x" is a token too. Callers that act on a link compare the scheme exactly.
//
// The run after the scheme holds ! # $ % & ' ( ) * + , - . / : ; = ? _ ~ @, digits and ASCII
// letters; anything else ends it, every character above 7-bit ASCII included. Two dots in a row end
// it unless they stand between two "/" (or two "\"). Trailing ! # % & ( ) * + , - . : ; = ? _ ~ @
// are then dropped.
QList<TLinkToken> FindLinkTokens(QStringView line);

// The link token that contains the column (counted from 0) of the line; none when the column lies
// on plain text, before the line or beyond its end.
std::optional<TLinkToken> LinkTokenAt(QStringView line, int column);
