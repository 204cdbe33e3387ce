#pragma once

#include <QString>

#include <functional>

class QLineEdit;
class QObject;
class QPlainTextEdit;
class QWidget;

// One member of a control array that mixes single-line and multi-line text boxes. A multi-line
// box reports each line break as CR LF, the way the payload carries it.
class EntryField {
  public:
    EntryField() = default;
    explicit EntryField(QLineEdit* line) : line_(line) {}
    explicit EntryField(QPlainTextEdit* multi) : multi_(multi) {}

    QString text() const;
    // Changes the box only when the text differs, so a change event means a real change. A
    // text longer than the field's limit is refused whole: the box keeps its text and the user
    // is told.
    void setText(const QString& text);
    QWidget* widget() const;
    bool isMultiLine() const { return multi_ != nullptr; }
    void onChange(QObject* context, std::function<void()> handler) const;

  private:
    QLineEdit* line_ = nullptr;
    QPlainTextEdit* multi_ = nullptr;
};
