#pragma once

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QString>

class QKeyEvent;
class QMimeData;

// Every entry field holds at most MaxCharacters. No symbol carries more than 7,089 characters,
// so nothing encodable is refused; a field at the limit still answers a key within a few
// milliseconds, while one huge line makes Qt's text layout take seconds per key. An input that
// would pass the limit is refused whole, the field keeps its text and the user is told.
namespace InputLimit {

constexpr qsizetype MaxCharacters = 10000;

extern const QString RefusalText;

// Whether a field of length characters, replaced of them replaced by inserted, stays within.
bool Fits(qsizetype length, qsizetype replaced, qsizetype inserted);

// The number of printable characters a key press types.
qsizetype TypedLength(const QKeyEvent& event);

// The text a paste or drop of data would insert.
qsizetype MimeTextLength(const QMimeData* data);

void TellRefused();

} // namespace InputLimit

// A single-line entry field under the limit: typing, input-method commits, Ctrl+V,
// the context menu's paste, the middle button's paste and drops.
class LimitedLineEdit : public QLineEdit {
  public:
    using QLineEdit::QLineEdit;

    // Pastes the clipboard unless it would pass the limit.
    void guardedPaste();

  protected:
    void keyPressEvent(QKeyEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

  private:
    bool refuses(qsizetype inserted, qsizetype replaced);
    qsizetype selectedLength() const;
};

// A multi-line entry field under the limit. Pastes of every kind and drops all arrive through
// insertFromMimeData.
class LimitedPlainTextEdit : public QPlainTextEdit {
  public:
    using QPlainTextEdit::QPlainTextEdit;

  protected:
    void keyPressEvent(QKeyEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;
    void insertFromMimeData(const QMimeData* source) override;

  private:
    bool refuses(qsizetype inserted, qsizetype replaced);
    qsizetype length() const;
    qsizetype selectedLength() const;
};
