#include "lockedwrite.h"

#include "messagebox.h"

bool IsLockedError(const Exception& error)
{
    const QString& text = error.Message();
    return text.contains(QLatin1String("database is locked")) || text.contains(QLatin1String("database table is locked"));
}

void ShowLockedWrite(QWidget* owner, const QString& failed, const QString& advice, const Exception& error)
{
    ShowMessage(owner,
                failed + QStringLiteral(" Katalog právě zamkl jiný program (například tisk štítků nebo export) a "
                                        "nepustil ho ani po několika sekundách. ")
                    + advice + QStringLiteral("\n\n") + error.Message(),
                QStringLiteral("Katalog je zamčen"), QMessageBox::Warning);
}
