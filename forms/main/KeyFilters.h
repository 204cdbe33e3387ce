#pragma once

#include <QObject>

class QKeyEvent;

namespace KeyFilters {

// Which way Ctrl+Tab moves the selected tab: +1 for Ctrl+Tab, -1 for Ctrl+Shift+Tab, 0 for any
// other key. Alt is ignored; Qt reports Shift+Tab as Backtab, which therefore counts as Shift.
int TabCycleStep(const QKeyEvent& event);

// The tab number after one step, wrapping at both ends.
int CycledIndex(int current, int step, int count);

// True when a typed key may reach a phone-number field: a digit or Backspace. Keys that type
// no character (arrows, Delete) and the focus keys (Tab, Shift+Tab) are not typed characters and
// pass as well.
bool PassesDigitFilter(const QKeyEvent& event);

// The digits of text, in order; an input method's commit keeps only these in a phone field.
QString DigitsOnly(const QString& text);

// Drops every typed character except digits and Backspace before it reaches the watched field.
// Text committed by an input method is typed text as well: only its digits go in.
class DigitFilter : public QObject {
  public:
    using QObject::QObject;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};

} // namespace KeyFilters
