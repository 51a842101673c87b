#pragma once

// The plain-text editor of the content view and of the item dialog: fixed-pitch font, no wrapping,
// a line-number gutter, link highlighting and positions as (line, column) in character cells, so
// that the owner can find the link under the caret or under the mouse.

#include "linktoken.h"

#include <QPlainTextEdit>
#include <QStringList>

#include <functional>
#include <optional>

class TLinkHighlighter;
class TLinkHighlighting;

// A place in the text; line and column both counted from 0. The column may lie beyond the end of
// the line (a virtual column, in cells of the editor's fixed-pitch font), and the line below the
// last one.
struct TTextPos {
    int line = 0;
    int column = 0;
    friend bool operator==(const TTextPos&, const TTextPos&) = default;
};

class TCodeEditor : public QPlainTextEdit {
    Q_OBJECT
public:
    static constexpr int kMinScrollColumns = 256;

    explicit TCodeEditor(QWidget* parent = nullptr);

    // The text as lines. SetText splits at CR LF, CR or LF; a final line break only ends the last
    // line. An empty editor has no lines.
    void SetText(const QString& text);
    QStringList Lines() const;
    int LineCount() const;
    // Puts the text in as a new line before the line of that index (after the last one when the
    // index is beyond it); in an empty editor it becomes the only line. Ignores read-only.
    void InsertLine(int index, const QString& text);

    // Which number the gutter shows for a line (counted from 1); 0 shows none. Without a hook the
    // gutter shows the line number itself.
    void SetLineNumberText(std::function<int(int line1Based)> hook);
    QWidget* Gutter() const;
    int GutterWidth() const;

    // Called for every key pressed, before the editor acts on it: the owner may switch read-only
    // here and the key is then handled under the new state.
    std::function<void(QKeyEvent*)> OnKeyDown;
    // Called for the context menu (after a right click has moved the caret); without it the
    // standard menu opens.
    std::function<void(const QPoint& globalPos)> OnContextMenu;
    // Text typed, pasted, dropped or composed passes through it before it goes in; what it
    // answers goes in (nothing: the input is dropped). Without it everything goes in.
    std::function<QString(const QString&)> InputFilter;

    // Read-only keeps the caret shown and movable by keyboard.
    void SetReadOnly(bool readOnly);

    // The caret: where the last click put it (the character cell clicked, possibly beyond the end
    // of the line), else the text cursor.
    TTextPos CaretPos() const;
    void SetCaretPos(TTextPos pos);
    // The character cell under a point of the viewport.
    TTextPos PositionAt(const QPoint& viewportPoint) const;

    std::optional<TLinkToken> TokenAt(int line, int column) const;
    std::optional<TLinkToken> TokenAtCaret() const;
    std::optional<TLinkToken> TokenAtPoint(const QPoint& viewportPoint) const;

    // Marks links by the shared rules (none removes the marking). The rules must outlive their
    // use or be removed first; the editor only keeps a weak reference.
    void SetHighlighting(const TLinkHighlighting* rules);
    const TLinkHighlighting* Highlighting() const;

    void PaintGutter(QPaintEvent* event);

signals:
    // A left click that selected nothing, at the cell pressed.
    void LeftClicked(int line, int column);
    void MouseMoved(const QPoint& viewportPoint, int line, int column);

protected:
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void insertFromMimeData(const QMimeData* source) override;
    void inputMethodEvent(QInputMethodEvent* event) override;

private:
    void updateGutterWidth();
    void updateGutter(const QRect& rect, int dy);
    void keepMinimumScrollRange();
    void placeCaretAfterPress(const QPoint& viewportPoint);
    void dropVirtualCaret();
    bool insideSelection(TTextPos pos) const;
    qreal cellWidth() const;
    qreal lineEndX(const QTextBlock& block) const;
    int columnInBlock(const QTextBlock& block, const QPoint& viewportPoint) const;
    QFont gutterFont() const;

    QWidget* gutter_;
    TLinkHighlighter* highlighter_ = nullptr;
    std::function<int(int)> lineNumberText_;
    std::optional<TTextPos> virtualCaret_;  // a caret the mouse put beyond the end of a line
    std::optional<TTextPos> leftPress_;
    bool placingCaret_ = false;
    int normalCursorWidth_ = 1;
};
