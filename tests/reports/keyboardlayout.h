#pragma once

// What a USB scanner types for a code when the active keyboard layout is Czech: it presses the
// keys of the US characters, so the digit row gives + ě š č ř ž ý á í é, Y and Z swap, and a
// shifted letter stays a capital. Characters beyond letters and digits are not needed by codes.

#include <QString>

inline QString TypedOnCzechLayout(const QString& us)
{
    static const QString digitRow = QStringLiteral("é+ěščřžýáí");  // keys 0 … 9
    QString typed;
    for (QChar c : us) {
        if (c.isDigit())
            typed += digitRow[c.digitValue()];
        else if (c.toUpper() == u'Y')
            typed += c.isUpper() ? u'Z' : u'z';
        else if (c.toUpper() == u'Z')
            typed += c.isUpper() ? u'Y' : u'y';
        else
            typed += c;
    }
    return typed;
}

// Caps Lock on: a scanner's shifted capitals come out small.
inline QString TypedWithCapsLock(const QString& typed)
{
    return typed.toLower();
}
