#pragma once

#include <QString>

#include <functional>

// Every message the window tells the user goes through here. The window installs the modal box
// with an OK button (the standard presenter, MessageBoxes); tests install one that records
// instead of showing anything.
namespace UserMessages {

inline const QString AppTitle = QStringLiteral("Quorlik二维码");

enum class Icon { None, Information, Warning };

using Presenter = std::function<void(const QString& title, const QString& text, Icon icon)>;

// Goes to the test presenter when one is set, else to the standard presenter, else to
// standard error.
void Show(const QString& text, const QString& title = AppTitle, Icon icon = Icon::None);

// Replaces the test presenter; an empty function restores the standard one.
void SetPresenter(Presenter presenter);

// The presenter of the program that shows messages for real (the window's message box).
void SetStandardPresenter(Presenter presenter);

} // namespace UserMessages
