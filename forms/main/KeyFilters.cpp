#include "forms/main/KeyFilters.h"

#include <QInputMethodEvent>
#include <QKeyEvent>

namespace KeyFilters {

int TabCycleStep(const QKeyEvent& event) {
    const bool backtab = event.key() == Qt::Key_Backtab;
    if (event.key() != Qt::Key_Tab && !backtab) return 0;
    const bool ctrl = event.modifiers().testFlag(Qt::ControlModifier);
    const bool shift = backtab || event.modifiers().testFlag(Qt::ShiftModifier);
    if (!ctrl) return 0;
    return shift ? -1 : 1;
}

int CycledIndex(int current, int step, int count) {
    if (count <= 0) return current;
    return ((current + step) % count + count) % count;
}

bool PassesDigitFilter(const QKeyEvent& event) {
    // Delete edits without typing a character, although X11 reports it as DEL; Tab and
    // Shift+Tab move the focus on, although Qt reports Tab's text as a tab character.
    if (event.key() == Qt::Key_Delete || event.key() == Qt::Key_Tab ||
        event.key() == Qt::Key_Backtab)
        return true;
    const QString typed = event.text();
    if (typed.isEmpty()) return true;
    if (typed.size() != 1) return false;
    const QChar c = typed.front();
    return c == QChar(8) || (c >= QLatin1Char('0') && c <= QLatin1Char('9'));
}

QString DigitsOnly(const QString& text) {
    QString digits;
    for (const QChar c : text)
        if (c >= QLatin1Char('0') && c <= QLatin1Char('9')) digits += c;
    return digits;
}

namespace {

// Keeps the commit's place in the field (its replacement range) and its pre-edit text.
void keepCommittedDigits(QInputMethodEvent& event) {
    const QString digits = DigitsOnly(event.commitString());
    if (digits.size() != event.commitString().size())
        event.setCommitString(digits, event.replacementStart(), event.replacementLength());
}

} // namespace

bool DigitFilter::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress && !PassesDigitFilter(*static_cast<QKeyEvent*>(event)))
        return true;
    if (event->type() == QEvent::InputMethod)
        keepCommittedDigits(*static_cast<QInputMethodEvent*>(event));
    return QObject::eventFilter(watched, event);
}

} // namespace KeyFilters
