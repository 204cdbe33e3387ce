#include "forms/main/EntryField.h"

#include "forms/main/InputLimit.h"

#include <QLineEdit>
#include <QPlainTextEdit>

namespace {

const QString kCrLf = QStringLiteral("\r\n");
const QString kLf = QStringLiteral("\n");

} // namespace

QString EntryField::text() const {
    if (line_) return line_->text();
    if (multi_) return multi_->toPlainText().replace(kLf, kCrLf);
    return QString();
}

void EntryField::setText(const QString& text) {
    if (text == this->text()) return;
    if (!InputLimit::Fits(0, 0, text.size())) {
        InputLimit::TellRefused();
        return;
    }
    if (line_) line_->setText(text);
    if (multi_) multi_->setPlainText(QString(text).replace(kCrLf, kLf));
}

QWidget* EntryField::widget() const {
    if (line_) return line_;
    return multi_;
}

void EntryField::onChange(QObject* context, std::function<void()> handler) const {
    if (line_) QObject::connect(line_, &QLineEdit::textChanged, context, [handler] { handler(); });
    if (multi_)
        QObject::connect(multi_, &QPlainTextEdit::textChanged, context, [handler] { handler(); });
}
