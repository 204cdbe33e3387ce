#pragma once

#include <QString>

#include <functional>

// Every message the user is told goes through here: a modal box with an OK button only.
// Tests install a presenter that records instead of showing anything.
namespace UserMessages {

inline const QString AppTitle = QStringLiteral("Quorlik二维码");

enum class Icon { None, Information, Warning };

using Presenter = std::function<void(const QString& title, const QString& text, Icon icon)>;

void Show(const QString& text, const QString& title = AppTitle, Icon icon = Icon::None);

// Replaces the presenter; an empty function restores the real message box.
void SetPresenter(Presenter presenter);

} // namespace UserMessages
