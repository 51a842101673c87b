#pragma once

// The text a label's code carries, and its reading back from what a scanner typed.
//
// A USB scanner types the code through the active keyboard layout. On a Czech layout the digit keys
// give + ě š č ř ž ý á í é, Y and Z swap places and most punctuation moves, so a code holds only
// characters that come out the same on a US and on a Czech layout (letters A–X) or that map back
// without doubt (digits): "RGP" + the item's identifier + a check character for an item, "RGM" +
// eight characters of a digest of the place's text for a storage place. Place texts may hold any
// character and be long; the digest keeps the code short (QR version 1) and is resolved against the
// catalogue's places. Upper and lower case read alike (a scanner typing with Caps Lock on).

#include <QString>
#include <QStringList>

#include <optional>

struct TLabelCode {
    enum Kind { Item, Place };
    Kind kind = Item;
    qint64 item = 0;   // Item: the identifier
    QString digest;    // Place: the eight digest characters
};

// The code of an item; the identifier must not be negative.
QString ItemLabelCode(qint64 ident);
// The code of a storage place: places differing only in letter case or in blanks at either end
// are one place and get one code.
QString PlaceLabelCode(const QString& place);

// The identity of a place: places differing only in letter case or in blanks and control
// characters at either end are one place.
QString LabelPlaceKey(const QString& place);

// The code a typed text ends with, US-typed or Czech-typed, blanks at either end ignored (a
// scanner types after whatever the filter box held); nothing when it ends with no well-formed code.
std::optional<TLabelCode> ReadLabelCode(const QString& typed);

// The place among `places` whose code the digest is; nothing when none is, or when more than one
// is (two places whose digests collide cannot be told apart by their labels).
std::optional<QString> FindPlaceOfCode(const TLabelCode& code, const QStringList& places);
