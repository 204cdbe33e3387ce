#include "forms/main/MessageBoxes.h"

#include "forms/main/UserMessages.h"

#include <QMessageBox>

namespace MessageBoxes {
namespace {

QMessageBox::Icon toBoxIcon(UserMessages::Icon icon) {
    switch (icon) {
    case UserMessages::Icon::Information: return QMessageBox::Information;
    case UserMessages::Icon::Warning: return QMessageBox::Warning;
    default: return QMessageBox::NoIcon;
    }
}

void showBox(const QString& title, const QString& text, UserMessages::Icon icon) {
    QMessageBox box(toBoxIcon(icon), title, text, QMessageBox::Ok);
    box.exec();
}

} // namespace

void Install() {
    UserMessages::SetStandardPresenter(showBox);
}

} // namespace MessageBoxes
