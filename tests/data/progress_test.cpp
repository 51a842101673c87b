#include "data/progress.h"
#include "tests/support/progressrecorder.h"

#include <QApplication>
#include <QDialog>
#include <QTimer>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

namespace {

class PaintCounter : public QWidget {
public:
    using QWidget::QWidget;
    int paints = 0;

protected:
    void paintEvent(QPaintEvent*) override { ++paints; }
};

// A click queued for the button, as the window system's input ends up there.
void QueueClick(QWidget* target)
{
    const QPointF at = target->rect().center();
    for (auto type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease})
        QCoreApplication::postEvent(target, new QMouseEvent(type, at, target->mapToGlobal(at), Qt::LeftButton,
                                                            type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton,
                                                            Qt::NoModifier));
}

struct Clicks {
    int count = 0;
    void Watch(QPushButton* button)
    {
        QObject::connect(button, &QPushButton::clicked, button, [this] { ++count; });
    }
};

}  // namespace

TEST(PumpMessagesTest, inputReachesOnlyThePumpedPanelAndIsDroppedElsewhere)
{
    QWidget main;
    main.resize(400, 300);
    auto* panel = new PaintCounter(&main);
    panel->setGeometry(0, 0, 400, 100);
    auto* cancel = new QPushButton(QStringLiteral("Storno"), panel);
    cancel->setGeometry(10, 10, 100, 30);
    auto* outside = new QPushButton(QStringLiteral("Nová položka"), &main);
    outside->setGeometry(10, 150, 100, 30);
    QWidget other;
    auto* otherButton = new QPushButton(QStringLiteral("OK"), &other);
    main.show();
    other.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&main) && QTest::qWaitForWindowExposed(&other));

    Clicks cancelled, started, confirmed;
    cancelled.Watch(cancel);
    started.Watch(outside);
    confirmed.Watch(otherButton);
    QueueClick(cancel);
    QueueClick(outside);
    QueueClick(otherButton);
    const int paintsBefore = panel->paints;
    panel->update();

    PumpMessages(panel);
    EXPECT_EQ(cancelled.count, 1);
    EXPECT_GT(panel->paints, paintsBefore);
    QCoreApplication::processEvents();
    EXPECT_EQ(started.count, 0);  // dropped, not merely held back
    EXPECT_EQ(confirmed.count, 0);
}

TEST(PumpMessagesTest, aQuestionOpenedByThePanelTakesItsAnswer)
{
    QWidget main;
    auto* panel = new QWidget(&main);
    auto* cancel = new QPushButton(QStringLiteral("Storno"), panel);
    main.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&main));

    bool answeredByKey = false;
    QObject::connect(cancel, &QPushButton::clicked, panel, [&] {
        QDialog question(&main);
        QTimer::singleShot(0, &question, [&] { QTest::keyClick(&question, Qt::Key_Escape); });
        // Safety net so a regression fails instead of hanging.
        QTimer::singleShot(3000, &question, &QDialog::accept);
        answeredByKey = question.exec() == QDialog::Rejected;
    });
    QueueClick(cancel);

    PumpMessages(panel);
    EXPECT_TRUE(answeredByKey);
}

TEST(PumpMessagesTest, withoutAWindowOnlyRepaintsAndLeavesInputQueued)
{
    PaintCounter window;
    auto* button = new QPushButton(QStringLiteral("OK"), &window);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    Clicks clicks;
    clicks.Watch(button);
    QueueClick(button);
    const int paintsBefore = window.paints;
    window.update();

    PumpMessages(nullptr);
    EXPECT_GT(window.paints, paintsBefore);
    EXPECT_EQ(clicks.count, 0);
    QCoreApplication::processEvents();
    EXPECT_EQ(clicks.count, 1);
}

TEST(PumpMessagesTest, keysFromTheWindowSystemReachTheFocusedButtonInThePanel)
{
    QWidget main;
    auto* panel = new QWidget(&main);
    auto* cancel = new QPushButton(QStringLiteral("Storno"), panel);
    main.show();
    main.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&main));
    cancel->setFocus();
    Clicks cancelled;
    cancelled.Watch(cancel);
    // Queued for the top-level window, which hands keys to the focused widget.
    for (auto type : {QEvent::KeyPress, QEvent::KeyRelease})
        QCoreApplication::postEvent(main.windowHandle(), new QKeyEvent(type, Qt::Key_Space, Qt::NoModifier, QStringLiteral(" ")));
    PumpMessages(panel);
    EXPECT_EQ(cancelled.count, 1);
}

TEST(ProgressEventTest, isDeliveredSynchronouslyWithPositionAndTotal)
{
    ProgressRecorder receiver;
    SendProgress(&receiver, 5, 100);
    EXPECT_EQ(receiver.received, (std::vector<std::pair<qint64, qint64>>{{5, 100}}));
    EXPECT_EQ(int(WM_PROGRESS), 33784);
    SendProgress(nullptr, 1, 2);  // nobody to tell: nothing happens
}
