#include "toolkit/codeeditor.h"

#include "toolkit/linkhighlighter.h"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QInputMethodEvent>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QTextBlock>
#include <QTextLayout>

#include <gtest/gtest.h>

#include <memory>

namespace {

class CodeEditorTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        editor = std::make_unique<TCodeEditor>();
        editor->resize(500, 300);
        editor->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(editor.get()));
        editor->setFocus();
    }

    // The viewport point in the middle of a character cell.
    QPoint cellCenter(int line, int column) const
    {
        const QTextBlock block = editor->document()->findBlockByNumber(line);
        QTextCursor cursor(block);
        cursor.setPosition(block.position() + std::min(column, block.length() - 1));
        const QRect rect = editor->cursorRect(cursor);
        const int cell = QFontMetrics(editor->font()).horizontalAdvance(u'x');
        const int beyond = std::max(0, column - (block.length() - 1));
        return {rect.left() + beyond * cell + cell / 2, rect.center().y()};
    }

    void click(Qt::MouseButton button, const QPoint& at)
    {
        QTest::mouseClick(editor->viewport(), button, Qt::NoModifier, at);
    }

    std::unique_ptr<TCodeEditor> editor;
};

QImage gutterImage(TCodeEditor& editor)
{
    return editor.Gutter()->grab().toImage();
}

int colourCount(const QImage& image)
{
    QSet<QRgb> colours;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            colours.insert(image.pixel(x, y));
    return int(colours.size());
}

bool isLinkFormatted(const QTextBlock& block, int column)
{
    for (const QTextLayout::FormatRange& range : block.layout()->formats())
        if (column >= range.start && column < range.start + range.length)
            return range.format.fontUnderline() && range.format.foreground().color() == Qt::blue;
    return false;
}

}  // namespace

TEST_F(CodeEditorTest, keepsTextAsLines)
{
    editor->SetText(u"první\r\ndruhá\ntřetí\rčtvrtá\r\n"_qs);
    EXPECT_EQ(editor->Lines(), (QStringList{u"první"_qs, u"druhá"_qs, u"třetí"_qs, u"čtvrtá"_qs}));
    editor->SetText(u"a\r\n\r\n"_qs);
    EXPECT_EQ(editor->Lines(), (QStringList{u"a"_qs, u""_qs}));
    editor->SetText(QString());
    EXPECT_EQ(editor->LineCount(), 0);
    EXPECT_TRUE(editor->Lines().isEmpty());
}

TEST_F(CodeEditorTest, insertsALineBeforeTheGivenOne)
{
    editor->InsertLine(0, u"file://a"_qs);
    EXPECT_EQ(editor->Lines(), QStringList{u"file://a"_qs});
    editor->SetText(u"one\r\ntwo"_qs);
    editor->InsertLine(0, u"zero"_qs);
    editor->InsertLine(2, u"one and a half"_qs);
    editor->InsertLine(99, u"end"_qs);
    EXPECT_EQ(editor->Lines(), (QStringList{u"zero"_qs, u"one"_qs, u"one and a half"_qs, u"two"_qs, u"end"_qs}));
    editor->SetReadOnly(true);
    editor->InsertLine(0, u"still"_qs);
    EXPECT_EQ(editor->LineCount(), 6);
}

TEST_F(CodeEditorTest, gutterIsThreeDigitsWideAndWidensForShownNumbers)
{
    const int threeDigits = editor->GutterWidth();
    editor->SetText(QStringList(999, u"x"_qs).join(u'\n'));
    EXPECT_EQ(editor->GutterWidth(), threeDigits);
    editor->SetText(QStringList(1000, u"x"_qs).join(u'\n'));
    EXPECT_GT(editor->GutterWidth(), threeDigits);
    editor->SetLineNumberText([](int line) { return line > 998 ? 0 : line; });
    EXPECT_EQ(editor->GutterWidth(), threeDigits);
    EXPECT_EQ(editor->viewport()->geometry().left() - editor->contentsRect().left(), threeDigits);
}

TEST_F(CodeEditorTest, gutterShowsTheNumbersTheHookAnswers)
{
    editor->SetText(u"a\nb\nc"_qs);
    QList<int> asked;
    editor->SetLineNumberText([&asked](int line) {
        asked.append(line);
        return 0;
    });
    EXPECT_EQ(colourCount(gutterImage(*editor)), 1);  // background only: no figures drawn
    EXPECT_TRUE(asked.contains(1));
    EXPECT_TRUE(asked.contains(3));
    EXPECT_FALSE(asked.contains(0));

    editor->SetLineNumberText({});
    EXPECT_GT(colourCount(gutterImage(*editor)), 1);
}

TEST_F(CodeEditorTest, keyHookRunsBeforeTheKeyAndMaySwitchReadOnly)
{
    editor->SetText(u"abc"_qs);
    editor->moveCursor(QTextCursor::End);
    QString seen;
    editor->OnKeyDown = [this, &seen](QKeyEvent* key) {
        seen = editor->toPlainText();
        editor->SetReadOnly(key->key() != Qt::Key_Backspace && key->key() != Qt::Key_Delete);
    };
    QTest::keyClick(editor.get(), Qt::Key_X);
    EXPECT_EQ(editor->toPlainText(), u"abc"_qs);
    QTest::keyClick(editor.get(), Qt::Key_Backspace);
    EXPECT_EQ(seen, u"abc"_qs);
    EXPECT_EQ(editor->toPlainText(), u"ab"_qs);
    EXPECT_FALSE(editor->isReadOnly());
}

// Typed, pasted and composed text all pass the filter; what it drops never goes in.
TEST_F(CodeEditorTest, inputFilterSeesTypedPastedAndComposedText)
{
    editor->InputFilter = [](const QString& text) { return QString(text).remove(u'#'); };
    QTest::keyClicks(editor.get(), u"a#b"_qs);
    QApplication::clipboard()->setText(u"#c#d"_qs);
    editor->paste();
    QInputMethodEvent composed(QString(), {});
    composed.setCommitString(u"e#"_qs);
    QApplication::sendEvent(editor.get(), &composed);
    EXPECT_EQ(editor->toPlainText(), u"abcde"_qs);
}

TEST_F(CodeEditorTest, readOnlyKeepsACaretTheKeyboardMoves)
{
    editor->SetText(u"abc\ndef"_qs);
    editor->SetReadOnly(true);
    EXPECT_TRUE(editor->isReadOnly());
    QTest::keyClick(editor.get(), Qt::Key_Down);
    QTest::keyClick(editor.get(), Qt::Key_Right);
    EXPECT_EQ(editor->CaretPos(), (TTextPos{1, 1}));
    QTest::keyClick(editor.get(), Qt::Key_Q);
    EXPECT_EQ(editor->toPlainText(), u"abc\ndef"_qs);
}

TEST_F(CodeEditorTest, aClickPutsTheCaretOnTheCellClickedEvenBeyondTheLineEnd)
{
    editor->SetText(u"see http://x.cz\nplain"_qs);
    QSignalSpy clicks(editor.get(), &TCodeEditor::LeftClicked);
    // The right part of a cell still means that cell.
    const QPoint onLastChar = cellCenter(0, 14) + QPoint(2, 0);
    click(Qt::LeftButton, onLastChar);
    EXPECT_EQ(editor->CaretPos(), (TTextPos{0, 14}));
    ASSERT_TRUE(editor->TokenAtCaret());
    EXPECT_EQ(editor->TokenAtCaret()->text, u"http://x.cz"_qs);
    ASSERT_EQ(clicks.size(), 1);
    EXPECT_EQ(clicks[0][0].toInt(), 0);
    EXPECT_EQ(clicks[0][1].toInt(), 14);

    click(Qt::LeftButton, cellCenter(0, 20));
    EXPECT_EQ(editor->CaretPos(), (TTextPos{0, 20}));
    EXPECT_FALSE(editor->TokenAtCaret());
    EXPECT_EQ(editor->PositionAt(cellCenter(0, 20)), (TTextPos{0, 20}));

    QTest::keyClick(editor.get(), Qt::Key_Left);  // the keyboard takes over from the text cursor
    EXPECT_EQ(editor->CaretPos(), (TTextPos{0, 14}));
}

TEST_F(CodeEditorTest, aClickBelowTheTextLandsOnNoLine)
{
    editor->SetText(u"http://x.cz"_qs);
    const QPoint below = cellCenter(0, 3) + QPoint(0, 3 * QFontMetrics(editor->font()).lineSpacing());
    EXPECT_GE(editor->PositionAt(below).line, 1);
    EXPECT_FALSE(editor->TokenAtPoint(below));
    QSignalSpy clicks(editor.get(), &TCodeEditor::LeftClicked);
    click(Qt::LeftButton, below);
    EXPECT_FALSE(editor->TokenAtCaret());
    ASSERT_EQ(clicks.size(), 1);
    EXPECT_FALSE(editor->TokenAt(clicks[0][0].toInt(), clicks[0][1].toInt()));
}

TEST_F(CodeEditorTest, rightClickMovesTheCaretBeforeTheMenuOpens)
{
    editor->SetText(u"one\ntwo file://a/b three"_qs);
    TTextPos atMenu{-1, -1};
    editor->OnContextMenu = [this, &atMenu](const QPoint&) { atMenu = editor->CaretPos(); };
    const QPoint point = cellCenter(1, 6);
    QTest::mousePress(editor->viewport(), Qt::RightButton, Qt::NoModifier, point);
    QContextMenuEvent menu(QContextMenuEvent::Mouse, point, editor->viewport()->mapToGlobal(point));
    QApplication::sendEvent(editor->viewport(), &menu);
    QTest::mouseRelease(editor->viewport(), Qt::RightButton, Qt::NoModifier, point);
    EXPECT_EQ(atMenu, (TTextPos{1, 6}));
    EXPECT_EQ(editor->TokenAtCaret()->text, u"file://a/b"_qs);
}

TEST_F(CodeEditorTest, reportsMouseMovesWithTheCellUnderTheMouse)
{
    editor->SetText(u"ab http://x.cz"_qs);
    QSignalSpy moves(editor.get(), &TCodeEditor::MouseMoved);
    QTest::mouseMove(editor->viewport(), cellCenter(0, 5));
    ASSERT_FALSE(moves.isEmpty());
    EXPECT_EQ(moves.last()[1].toInt(), 0);
    EXPECT_EQ(moves.last()[2].toInt(), 5);
}

TEST_F(CodeEditorTest, scrollsAtLeastTwoHundredFiftySixColumns)
{
    const qreal cell = QFontMetricsF(editor->font()).horizontalAdvance(u'x');
    QScrollBar* bar = editor->horizontalScrollBar();
    editor->SetText(u"short"_qs);
    EXPECT_GE(bar->maximum() + editor->viewport()->width(), int(256 * cell));
    editor->resize(700, 300);
    QCoreApplication::processEvents();
    EXPECT_GE(bar->maximum() + editor->viewport()->width(), int(256 * cell));

    editor->SetText(QString(400, u'w'));
    EXPECT_GE(bar->maximum() + editor->viewport()->width(), int(400 * cell));
    EXPECT_EQ(editor->lineWrapMode(), QPlainTextEdit::NoWrap);
}

TEST(LinkHighlighting, oneRuleSetMarksLinksInSeveralEditors)
{
    auto rules = std::make_unique<TLinkHighlighting>();
    TCodeEditor view;
    TCodeEditor dialog;
    view.SetHighlighting(rules.get());
    dialog.SetHighlighting(rules.get());
    view.SetText(u"a http://x.cz b"_qs);
    dialog.SetText(u"file://c/d"_qs);
    EXPECT_TRUE(isLinkFormatted(view.document()->firstBlock(), 2));
    EXPECT_FALSE(isLinkFormatted(view.document()->firstBlock(), 0));
    EXPECT_FALSE(isLinkFormatted(view.document()->firstBlock(), 14));
    EXPECT_TRUE(isLinkFormatted(dialog.document()->firstBlock(), 0));

    QTextCharFormat red;
    red.setForeground(Qt::red);
    rules->SetLinkFormat(red);
    EXPECT_FALSE(isLinkFormatted(view.document()->firstBlock(), 2));
    EXPECT_EQ(view.document()->firstBlock().layout()->formats().value(0).format.foreground().color(), Qt::red);

    rules.reset();  // the editors outlive the rules and simply stop marking
    view.SetText(u"http://y.cz"_qs);
    EXPECT_TRUE(view.document()->firstBlock().layout()->formats().isEmpty());
    EXPECT_EQ(view.Highlighting(), nullptr);
}
