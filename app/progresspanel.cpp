#include "progresspanel.h"

#include "toolkit/icons.h"

#include <QLabel>
#include <QProgressBar>
#include <QToolButton>

#include <algorithm>
#include <climits>

namespace {

constexpr int kBarWidth = 388;

// The file-name part of a path: after its last "/", "\" or ":", all of it when there is none.
QString FileNamePart(const QString& path)
{
    const qsizetype cut = std::max({path.lastIndexOf(u'/'), path.lastIndexOf(u'\\'), path.lastIndexOf(u':')});
    return path.mid(cut + 1);
}

}  // namespace

TProgressPanel::TProgressPanel(QWidget* parent) : QFrame(parent)
{
    setObjectName(QStringLiteral("panelProgress"));
    setFixedSize(Width, Height);
    setFrameShape(QFrame::Panel);
    setFrameShadow(QFrame::Raised);
    setAutoFillBackground(true);
    QPalette silver = palette();
    silver.setColor(QPalette::Window, QColor(192, 192, 192));
    silver.setColor(QPalette::WindowText, Qt::black);  // a dark scheme's light text would vanish on silver
    setPalette(silver);

    text = new QLabel(this);
    text->setObjectName(QStringLiteral("progressText"));
    QFont bold = text->font();
    bold.setBold(true);
    text->setFont(bold);
    text->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    text->setGeometry(8, 4, Width - 8 - 36, 20);

    cancel = new QToolButton(this);
    cancel->setObjectName(QStringLiteral("brCancel"));
    cancel->setAccessibleName(QStringLiteral("Přerušit"));
    cancel->setToolTip(QStringLiteral("Přerušit"));
    cancel->setIcon(CancelIcon());
    cancel->setIconSize(QSize(20, 20));
    cancel->setGeometry(Width - 24 - 4, 3, 24, 24);
    cancel->setAutoRaise(true);

    bar = new QProgressBar(this);
    bar->setObjectName(QStringLiteral("progress"));
    bar->setAccessibleName(QStringLiteral("Průběh"));
    bar->setGeometry((Width - kBarWidth) / 2, 28, kBarWidth, 16);
    bar->setTextVisible(false);

    file = new QLabel(this);
    file->setObjectName(QStringLiteral("currentFile"));
    file->setGeometry((Width - kBarWidth) / 2, 46, kBarWidth, 20);
}

void TProgressPanel::Start(bool cancellable, const QString& caption)
{
    text->setText(caption);
    cancel->setVisible(cancellable);
    bar->setValue(0);
}

bool TProgressPanel::Cancellable() const
{
    return !cancel->isHidden();
}

void TProgressPanel::Finish()
{
    hide();
    text->clear();
    file->clear();
    lower();
}

void TProgressPanel::Step(int position, const QString& fileName)
{
    bar->setValue(position < 0 ? bar->maximum() / 8 * -position : position);
    file->setText(FileNamePart(fileName));
}

void TProgressPanel::SetProgress(qint64 position, qint64 total)
{
    bar->setMaximum(int(std::clamp<qint64>(total, 0, INT_MAX)));
    bar->setValue(int(std::clamp<qint64>(position, 0, INT_MAX)));
}
