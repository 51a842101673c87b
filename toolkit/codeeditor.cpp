#include "codeeditor.h"

#include "linkhighlighter.h"

#include <QInputMethodEvent>
#include <QMimeData>
#include <QPainter>
#include <QScrollBar>
#include <QTextBlock>

#include <algorithm>
#include <cmath>

namespace {

constexpr int kGutterPadding = 4;

// The gutter beside the viewport; the editor paints it.
class TLineNumberArea : public QWidget {
public:
    explicit TLineNumberArea(TCodeEditor* editor) : QWidget(editor), editor_(editor)
    {
        setObjectName("gutter");
    }
    QSize sizeHint() const override { return {editor_->GutterWidth(), 0}; }

protected:
    void paintEvent(QPaintEvent* event) override { editor_->PaintGutter(event); }

private:
    TCodeEditor* editor_;
};

int digitCount(int n)
{
    int digits = 1;
    for (; n >= 10; n /= 10)
        ++digits;
    return digits;
}

}  // namespace

TCodeEditor::TCodeEditor(QWidget* parent) : QPlainTextEdit(parent), gutter_(new TLineNumberArea(this))
{
    QFont fixed("Courier New", 10);
    fixed.setStyleHint(QFont::TypeWriter);
    fixed.setFixedPitch(true);
    setFont(fixed);
    setLineWrapMode(NoWrap);
    viewport()->setMouseTracking(true);
    normalCursorWidth_ = cursorWidth();

    connect(this, &QPlainTextEdit::blockCountChanged, this, &TCodeEditor::updateGutterWidth);
    connect(this, &QPlainTextEdit::updateRequest, this, &TCodeEditor::updateGutter);
    connect(this, &QPlainTextEdit::cursorPositionChanged, this, [this] {
        if (!placingCaret_)
            dropVirtualCaret();
    });
    connect(horizontalScrollBar(), &QScrollBar::rangeChanged, this, &TCodeEditor::keepMinimumScrollRange);
    updateGutterWidth();
}

// --- lines ---------------------------------------------------------------------------------

void TCodeEditor::SetText(const QString& text)
{
    QString plain = text;
    plain.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    plain.replace(u'\r', u'\n');
    if (plain.endsWith(u'\n'))
        plain.chop(1);
    setPlainText(plain);
}

QStringList TCodeEditor::Lines() const
{
    QStringList lines;
    if (document()->isEmpty())
        return lines;
    for (QTextBlock block = document()->begin(); block.isValid(); block = block.next())
        lines.append(block.text());
    return lines;
}

int TCodeEditor::LineCount() const
{
    return document()->isEmpty() ? 0 : document()->blockCount();
}

void TCodeEditor::InsertLine(int index, const QString& text)
{
    QTextCursor cursor(document());
    if (document()->isEmpty()) {
        cursor.insertText(text);
    } else if (index >= document()->blockCount()) {
        cursor.movePosition(QTextCursor::End);
        cursor.insertText(u'\n' + text);
    } else {
        cursor.setPosition(document()->findBlockByNumber(std::max(index, 0)).position());
        cursor.insertText(text + u'\n');
    }
}

// --- gutter --------------------------------------------------------------------------------

void TCodeEditor::SetLineNumberText(std::function<int(int)> hook)
{
    lineNumberText_ = std::move(hook);
    updateGutterWidth();
    gutter_->update();
}

QWidget* TCodeEditor::Gutter() const
{
    return gutter_;
}

QFont TCodeEditor::gutterFont() const
{
    QFont small = font();
    small.setPointSizeF(std::max(6.0, font().pointSizeF() * 0.8));
    return small;
}

int TCodeEditor::GutterWidth() const
{
    const int lines = document()->blockCount();
    const int widest = lineNumberText_ ? lineNumberText_(lines) : lines;
    const int digits = std::max(3, digitCount(widest));
    return 2 * kGutterPadding + digits * QFontMetrics(gutterFont()).horizontalAdvance(u'9');
}

void TCodeEditor::updateGutterWidth()
{
    setViewportMargins(GutterWidth(), 0, 0, 0);
}

void TCodeEditor::updateGutter(const QRect& rect, int dy)
{
    if (dy)
        gutter_->scroll(0, dy);
    else
        gutter_->update(0, rect.y(), gutter_->width(), rect.height());
    if (rect.contains(viewport()->rect()))
        updateGutterWidth();
}

void TCodeEditor::resizeEvent(QResizeEvent* event)
{
    QPlainTextEdit::resizeEvent(event);
    const QRect area = contentsRect();
    gutter_->setGeometry(area.left(), area.top(), GutterWidth(), area.height());
    keepMinimumScrollRange();  // a range the base class leaves unchanged sends no signal
}

void TCodeEditor::PaintGutter(QPaintEvent* event)
{
    QPainter painter(gutter_);
    // The window colours set the gutter off from the text and keep its figures legible in any scheme.
    painter.fillRect(event->rect(), palette().color(QPalette::Window));
    painter.setFont(gutterFont());
    painter.setPen(palette().color(QPalette::WindowText));
    const int right = gutter_->width() - kGutterPadding;
    QTextBlock block = firstVisibleBlock();
    qreal top = blockBoundingGeometry(block).translated(contentOffset()).top();
    while (block.isValid() && top <= event->rect().bottom()) {
        const qreal height = blockBoundingRect(block).height();
        if (block.isVisible() && top + height >= event->rect().top()) {
            const int line = block.blockNumber() + 1;
            const int shown = lineNumberText_ ? lineNumberText_(line) : line;
            if (shown > 0)
                painter.drawText(QRectF(0, top, right, height), Qt::AlignRight | Qt::AlignVCenter,
                                 QString::number(shown));
        }
        top += height;
        block = block.next();
    }
}

// --- scrolling -----------------------------------------------------------------------------

void TCodeEditor::keepMinimumScrollRange()
{
    QScrollBar* bar = horizontalScrollBar();
    const qreal margin = 2 * document()->documentMargin() + normalCursorWidth_;
    const int wanted = int(std::ceil(kMinScrollColumns * cellWidth() + margin)) - viewport()->width();
    if (bar->maximum() < wanted)
        bar->setRange(0, wanted);  // emits rangeChanged once more, which then changes nothing
}

void TCodeEditor::changeEvent(QEvent* event)
{
    QPlainTextEdit::changeEvent(event);
    if (event->type() != QEvent::FontChange)
        return;
    updateGutterWidth();  // the figures and the character cells follow the editor's font
    keepMinimumScrollRange();
}

// --- keys, read-only -----------------------------------------------------------------------

void TCodeEditor::keyPressEvent(QKeyEvent* event)
{
    if (OnKeyDown)
        OnKeyDown(event);
    const QString typed = event->text();
    const QString kept = InputFilter && !typed.isEmpty() ? InputFilter(typed) : typed;
    if (kept == typed) {
        QPlainTextEdit::keyPressEvent(event);
        return;
    }
    if (!kept.isEmpty() && !isReadOnly())
        insertPlainText(kept);
    event->accept();
}

void TCodeEditor::insertFromMimeData(const QMimeData* source)
{
    if (!InputFilter || !source->hasText()) {
        QPlainTextEdit::insertFromMimeData(source);
        return;
    }
    QMimeData kept;
    kept.setText(InputFilter(source->text()));
    QPlainTextEdit::insertFromMimeData(&kept);
}

void TCodeEditor::inputMethodEvent(QInputMethodEvent* event)
{
    if (InputFilter && !event->commitString().isEmpty())
        event->setCommitString(InputFilter(event->commitString()), event->replacementStart(),
                               event->replacementLength());
    QPlainTextEdit::inputMethodEvent(event);
}

void TCodeEditor::SetReadOnly(bool readOnly)
{
    setReadOnly(readOnly);
    if (readOnly)
        setTextInteractionFlags(textInteractionFlags() | Qt::TextSelectableByKeyboard);
}

// --- positions -----------------------------------------------------------------------------

qreal TCodeEditor::cellWidth() const
{
    return QFontMetricsF(font()).horizontalAdvance(u'x');
}

qreal TCodeEditor::lineEndX(const QTextBlock& block) const
{
    QTextCursor end(block);
    end.movePosition(QTextCursor::EndOfBlock);
    return cursorRect(end).left();
}

// The cell under the point: a point on the right half of a character still lands on it.
int TCodeEditor::columnInBlock(const QTextBlock& block, const QPoint& viewportPoint) const
{
    const QRectF box = blockBoundingGeometry(block).translated(contentOffset());
    const QPoint inLine(viewportPoint.x(), int(box.center().y()));
    const int nearest = std::clamp(cursorForPosition(inLine).position() - block.position(), 0, block.length() - 1);
    QTextCursor boundary(block);
    boundary.setPosition(block.position() + nearest);
    if (cursorRect(boundary).left() > viewportPoint.x())
        return std::max(nearest - 1, 0);
    const int length = block.length() - 1;
    if (nearest < length)
        return nearest;
    return length + int(std::floor((viewportPoint.x() - lineEndX(block)) / cellWidth()));
}

TTextPos TCodeEditor::PositionAt(const QPoint& viewportPoint) const
{
    QTextBlock block = firstVisibleBlock();
    qreal top = blockBoundingGeometry(block).translated(contentOffset()).top();
    QTextBlock last = block;
    while (block.isValid()) {
        const qreal height = blockBoundingRect(block).height();
        if (viewportPoint.y() < top + height)
            return {block.blockNumber(), columnInBlock(block, viewportPoint)};
        top += height;
        last = block;
        block = block.next();
    }
    // Below the last line: virtual lines of the same height.
    const qreal height = std::max<qreal>(1, QFontMetricsF(font()).lineSpacing());
    const int further = int(std::floor((viewportPoint.y() - top) / height));
    return {last.blockNumber() + 1 + further, std::max(0, int(std::floor(viewportPoint.x() / cellWidth())))};
}

TTextPos TCodeEditor::CaretPos() const
{
    if (virtualCaret_)
        return *virtualCaret_;
    const QTextCursor cursor = textCursor();
    return {cursor.blockNumber(), cursor.positionInBlock()};
}

void TCodeEditor::SetCaretPos(TTextPos pos)
{
    const int line = std::clamp(pos.line, 0, document()->blockCount() - 1);
    const QTextBlock block = document()->findBlockByNumber(line);
    const int length = block.length() - 1;
    const int column = std::max(pos.column, 0);
    QTextCursor cursor(block);
    cursor.setPosition(block.position() + std::min(column, length));
    placingCaret_ = true;
    setTextCursor(cursor);
    placingCaret_ = false;
    if (column > length) {
        virtualCaret_ = TTextPos{line, column};
        setCursorWidth(0);  // the virtual caret is painted instead
        viewport()->update();
    } else {
        dropVirtualCaret();
    }
}

void TCodeEditor::dropVirtualCaret()
{
    if (!virtualCaret_)
        return;
    virtualCaret_.reset();
    setCursorWidth(normalCursorWidth_);
    viewport()->update();
}

// --- tokens --------------------------------------------------------------------------------

std::optional<TLinkToken> TCodeEditor::TokenAt(int line, int column) const
{
    if (line < 0 || line >= document()->blockCount())
        return std::nullopt;
    return LinkTokenAt(document()->findBlockByNumber(line).text(), column);
}

std::optional<TLinkToken> TCodeEditor::TokenAtCaret() const
{
    const TTextPos caret = CaretPos();
    return TokenAt(caret.line, caret.column);
}

std::optional<TLinkToken> TCodeEditor::TokenAtPoint(const QPoint& viewportPoint) const
{
    const TTextPos pos = PositionAt(viewportPoint);
    return TokenAt(pos.line, pos.column);
}

void TCodeEditor::SetHighlighting(const TLinkHighlighting* rules)
{
    if (!highlighter_ && !rules)
        return;
    if (!highlighter_)
        highlighter_ = new TLinkHighlighter(rules, document());  // owned by the document
    else
        highlighter_->SetRules(rules);
}

const TLinkHighlighting* TCodeEditor::Highlighting() const
{
    return highlighter_ ? highlighter_->Rules() : nullptr;
}

// --- mouse ---------------------------------------------------------------------------------

void TCodeEditor::placeCaretAfterPress(const QPoint& viewportPoint)
{
    const TTextPos pos = PositionAt(viewportPoint);
    if (pos.line >= document()->blockCount()) {
        // Below the text: the caret goes to the end of the last line, where no link starts.
        SetCaretPos({document()->blockCount() - 1, document()->lastBlock().length() - 1});
        return;
    }
    SetCaretPos(pos);
}

bool TCodeEditor::insideSelection(TTextPos pos) const
{
    const QTextCursor cursor = textCursor();
    const QTextBlock block = document()->findBlockByNumber(pos.line);
    if (!cursor.hasSelection() || !block.isValid() || pos.column >= block.length() - 1)
        return false;
    const int at = block.position() + pos.column;
    return at >= cursor.selectionStart() && at < cursor.selectionEnd();
}

void TCodeEditor::mousePressEvent(QMouseEvent* event)
{
    const QPoint point = event->position().toPoint();
    if (event->button() == Qt::RightButton) {
        if (!insideSelection(PositionAt(point)))  // keep a selection the menu may act on
            placeCaretAfterPress(point);
        event->accept();
        return;
    }
    QPlainTextEdit::mousePressEvent(event);
    leftPress_.reset();
    if (event->button() != Qt::LeftButton || event->modifiers() & Qt::ShiftModifier
        || textCursor().hasSelection())
        return;
    placeCaretAfterPress(point);
    leftPress_ = PositionAt(point);
}

void TCodeEditor::mouseReleaseEvent(QMouseEvent* event)
{
    QPlainTextEdit::mouseReleaseEvent(event);
    if (event->button() != Qt::LeftButton || !leftPress_)
        return;
    const TTextPos pressed = *leftPress_;
    leftPress_.reset();
    if (!textCursor().hasSelection())
        emit LeftClicked(pressed.line, pressed.column);
}

void TCodeEditor::mouseMoveEvent(QMouseEvent* event)
{
    QPlainTextEdit::mouseMoveEvent(event);
    const QPoint point = event->position().toPoint();
    const TTextPos pos = PositionAt(point);
    emit MouseMoved(point, pos.line, pos.column);
}

void TCodeEditor::contextMenuEvent(QContextMenuEvent* event)
{
    if (!OnContextMenu) {
        QPlainTextEdit::contextMenuEvent(event);
        return;
    }
    OnContextMenu(event->globalPos());
    event->accept();
}

// --- painting ------------------------------------------------------------------------------

void TCodeEditor::paintEvent(QPaintEvent* event)
{
    QPlainTextEdit::paintEvent(event);
    if (!virtualCaret_ || !hasFocus())
        return;
    const QTextBlock block = document()->findBlockByNumber(virtualCaret_->line);
    if (!block.isValid())
        return;
    QTextCursor end(block);
    end.movePosition(QTextCursor::EndOfBlock);
    QRect caret = cursorRect(end);
    const int beyond = virtualCaret_->column - (block.length() - 1);
    caret.moveLeft(int(std::round(caret.left() + beyond * cellWidth())));
    caret.setWidth(normalCursorWidth_);
    QPainter painter(viewport());
    painter.fillRect(caret, palette().text());
}
