#include "forms/main/InputLimit.h"

#include "forms/main/UserMessages.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>
#include <QTextDocument>

namespace InputLimit {

const QString RefusalText =
    QStringLiteral("输入的内容太长：每一栏最多可以有 %1 个字符，二维码最多也只能容纳 7089 个字符。"
                   "这次输入的内容没有加进去，这一栏保持原样。")
        .arg(MaxCharacters);

bool Fits(qsizetype length, qsizetype replaced, qsizetype inserted) {
    const qsizetype kept = length - std::min(replaced, length);
    return inserted <= MaxCharacters - kept;
}

qsizetype TypedLength(const QKeyEvent& event) {
    const QString text = event.text();
    // Control characters (Backspace, Ctrl+letter, Escape, Tab) edit or move, they type nothing.
    if (text.isEmpty() || !text.front().isPrint()) return 0;
    return text.size();
}

qsizetype MimeTextLength(const QMimeData* data) {
    return data && data->hasText() ? data->text().size() : 0;
}

void TellRefused() {
    UserMessages::Show(RefusalText, UserMessages::AppTitle, UserMessages::Icon::Warning);
}

} // namespace InputLimit

namespace {

// Text that an input-method event inserts, and how much of the field it replaces.
qsizetype committedLength(const QInputMethodEvent& event) {
    return event.commitString().size();
}

qsizetype replacedByCommit(const QInputMethodEvent& event, qsizetype selected) {
    return selected + std::max(0, event.replacementLength());
}

} // namespace

// ---- LimitedLineEdit ----

bool LimitedLineEdit::refuses(qsizetype inserted, qsizetype replaced) {
    if (inserted == 0 || InputLimit::Fits(text().size(), replaced, inserted)) return false;
    InputLimit::TellRefused();
    return true;
}

qsizetype LimitedLineEdit::selectedLength() const {
    return selectedText().size();
}

void LimitedLineEdit::guardedPaste() {
    if (isReadOnly()) return;
    if (refuses(QApplication::clipboard()->text().size(), selectedLength())) return;
    paste();
}

void LimitedLineEdit::keyPressEvent(QKeyEvent* event) {
    if (event->matches(QKeySequence::Paste)) {
        guardedPaste();
        event->accept();
        return;
    }
    if (refuses(InputLimit::TypedLength(*event), selectedLength())) {
        event->accept();
        return;
    }
    QLineEdit::keyPressEvent(event);
}

void LimitedLineEdit::inputMethodEvent(QInputMethodEvent* event) {
    if (refuses(committedLength(*event), replacedByCommit(*event, selectedLength()))) {
        event->accept();
        return;
    }
    QLineEdit::inputMethodEvent(event);
}

void LimitedLineEdit::dropEvent(QDropEvent* event) {
    if (refuses(InputLimit::MimeTextLength(event->mimeData()), selectedLength())) {
        event->ignore();
        return;
    }
    QLineEdit::dropEvent(event);
}

void LimitedLineEdit::mouseReleaseEvent(QMouseEvent* event) {
    // The middle button pastes the X11 selection.
    const QClipboard* clipboard = QApplication::clipboard();
    if (event->button() == Qt::MiddleButton && clipboard->supportsSelection() && !isReadOnly() &&
        refuses(clipboard->text(QClipboard::Selection).size(), selectedLength())) {
        event->accept();
        return;
    }
    QLineEdit::mouseReleaseEvent(event);
}

// The standard menu's paste action: its text is QLineEdit's own (translated) "&Paste" with the
// shortcut after a tab.
static QAction* standardPasteAction(const QMenu& menu) {
    const QString caption = QLineEdit::tr("&Paste");
    for (QAction* action : menu.actions())
        if (action->text().section(QLatin1Char('\t'), 0, 0) == caption) return action;
    return nullptr;
}

void LimitedLineEdit::contextMenuEvent(QContextMenuEvent* event) {
    QMenu* menu = createStandardContextMenu();
    if (menu == nullptr) return;
    menu->setAttribute(Qt::WA_DeleteOnClose);
    // The standard menu pastes through QLineEdit::paste; ours checks the length first.
    if (QAction* paste = standardPasteAction(*menu)) {
        paste->setObjectName(QStringLiteral("edit-paste"));
        QObject::disconnect(paste, &QAction::triggered, nullptr, nullptr);
        QObject::connect(paste, &QAction::triggered, this, [this] { guardedPaste(); });
    }
    menu->popup(event->globalPos());
}

// ---- LimitedPlainTextEdit ----

bool LimitedPlainTextEdit::refuses(qsizetype inserted, qsizetype replaced) {
    if (inserted == 0 || InputLimit::Fits(length(), replaced, inserted)) return false;
    InputLimit::TellRefused();
    return true;
}

qsizetype LimitedPlainTextEdit::length() const {
    // Counts each line break as one character, and one more for the document's end.
    return document()->characterCount() - 1;
}

qsizetype LimitedPlainTextEdit::selectedLength() const {
    const QTextCursor cursor = textCursor();
    return cursor.selectionEnd() - cursor.selectionStart();
}

void LimitedPlainTextEdit::keyPressEvent(QKeyEvent* event) {
    const bool lineBreak = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    const qsizetype typed = lineBreak ? 1 : InputLimit::TypedLength(*event);
    if (!isReadOnly() && refuses(typed, selectedLength())) {
        event->accept();
        return;
    }
    QPlainTextEdit::keyPressEvent(event);
}

void LimitedPlainTextEdit::inputMethodEvent(QInputMethodEvent* event) {
    if (refuses(committedLength(*event), replacedByCommit(*event, selectedLength()))) {
        event->accept();
        return;
    }
    QPlainTextEdit::inputMethodEvent(event);
}

void LimitedPlainTextEdit::insertFromMimeData(const QMimeData* source) {
    if (refuses(InputLimit::MimeTextLength(source), selectedLength())) return;
    QPlainTextEdit::insertFromMimeData(source);
}
