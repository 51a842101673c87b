#pragma once

// A record set holds a text cut to its field's size, while a catalogue made by another program may
// store longer values. Reads the bound columns of one row again, whole, and hands each binding its
// stored value, so that no box shows a value cut and no save writes one back cut.

#include <QString>

#include <vector>

class TFieldBinding;

void ShowStoredTexts(const QString& table, qint64 ident, const std::vector<TFieldBinding*>& bindings);
