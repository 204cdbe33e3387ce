#pragma once

#include <QKeySequence>
#include <QString>

// The window's own keys. None is a key the text fields use (Ctrl+C, Ctrl+V, Ctrl+Z and the rest
// stay theirs); each is named in its button's tool tip.
namespace WindowKeys {

inline const QKeySequence Save{Qt::CTRL | Qt::Key_S};
inline const QKeySequence ReadPicture{Qt::CTRL | Qt::Key_O};
inline const QKeySequence ChooseLogo{Qt::CTRL | Qt::Key_L};
inline const QKeySequence Quit{Qt::CTRL | Qt::Key_Q};
inline const QKeySequence Copy{Qt::CTRL | Qt::SHIFT | Qt::Key_C};

// "保存 (Ctrl+S)": what a button does and its key, as the desktop writes keys.
inline QString ToolTip(const QString& what, const QKeySequence& keys) {
    return QStringLiteral("%1 (%2)").arg(what, keys.toString(QKeySequence::NativeText));
}

} // namespace WindowKeys
