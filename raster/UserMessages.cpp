#include "UserMessages.h"

#include <QMessageBox>

namespace UserMessages {

namespace {

Presenter& presenter() {
    static Presenter current;
    return current;
}

QMessageBox::Icon toBoxIcon(Icon icon) {
    switch (icon) {
    case Icon::Information:
        return QMessageBox::Information;
    case Icon::Warning:
        return QMessageBox::Warning;
    default:
        return QMessageBox::NoIcon;
    }
}

} // namespace

void Show(const QString& text, const QString& title, Icon icon) {
    if (presenter()) {
        presenter()(title, text, icon);
        return;
    }
    QMessageBox box(toBoxIcon(icon), title, text, QMessageBox::Ok);
    box.exec();
}

void SetPresenter(Presenter p) {
    presenter() = std::move(p);
}

} // namespace UserMessages
