#pragma once

// Drives the real main window in tests: types text as an input method commits it, records the
// messages and the program end instead of showing or doing them, and states the payloads the
// pages must produce, written here independently of the window's own composition.
#include "forms/main/ProgramExit.h"
#include "forms/main/UserMessages.h"
#include "forms/main/文本录入.h"
#include "tests/support/ZxingDecode.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QStringList>

#include <optional>

namespace WindowDriver {

// Commits text at the end of a field, as an input method does (QTest cannot type Chinese).
inline void CommitText(QWidget* field, const QString& text) {
    if (auto* multi = qobject_cast<QPlainTextEdit*>(field)) multi->moveCursor(QTextCursor::End);
    if (auto* line = qobject_cast<QLineEdit*>(field)) line->end(false);
    QInputMethodEvent commit;
    commit.setCommitString(text);
    QCoreApplication::sendEvent(field, &commit);
}

// A field's text as the payload carries it: line breaks as CR LF; the Wi-Fi security as the
// record names it, the hidden box as "true" or "false".
inline QString FieldText(QWidget* field) {
    if (auto* multi = qobject_cast<QPlainTextEdit*>(field))
        return multi->toPlainText().replace(QStringLiteral("\n"), QStringLiteral("\r\n"));
    if (auto* line = qobject_cast<QLineEdit*>(field)) return line->text();
    if (auto* combo = qobject_cast<QComboBox*>(field)) return combo->currentData().toString();
    if (auto* box = qobject_cast<QCheckBox*>(field))
        return box->isChecked() ? QStringLiteral("true") : QStringLiteral("false");
    return QString();
}

inline void SetFieldText(QWidget* field, const QString& text) {
    if (auto* multi = qobject_cast<QPlainTextEdit*>(field)) multi->setPlainText(text);
    if (auto* line = qobject_cast<QLineEdit*>(field)) line->setText(text);
    if (auto* combo = qobject_cast<QComboBox*>(field))
        combo->setCurrentIndex(combo->findData(text));
    if (auto* box = qobject_cast<QCheckBox*>(field)) box->setChecked(text == u"true");
}

// Backslash before "\", ";" and ":" in the contact card and the bookmark.
inline QString Escaped(const QString& value) {
    QString out;
    for (QChar c : value) {
        if (c == u'\\' || c == u';' || c == u':') out += u'\\';
        out += c;
    }
    return out;
}

// Backslash before "\", ";", ",", ":" and '"' in the Wi-Fi record.
inline QString WifiEscaped(const QString& value) {
    QString out;
    for (QChar c : value) {
        if (QStringLiteral("\\;,:\"").contains(c)) out += u'\\';
        out += c;
    }
    return out;
}

inline QString TrimSpaces(QString text) {
    while (text.startsWith(u' ')) text.remove(0, 1);
    while (text.endsWith(u' ')) text.chop(1);
    return text;
}

// The wired entry fields of a page, in payload order.
inline QList<QWidget*> PageFields(const 文本录入& w, int page) {
    switch (page) {
    case 0: return {w.Text普通文本[0].widget()};
    case 1: return {w.Texti收件人, w.Text邮件主题, w.Text普通文本[1].widget()};
    case 2: return {w.Text普通文本[2].widget(), w.Text3};
    case 3: return {w.Text6, w.Text普通文本[3].widget()};
    case 4:
        return {w.Text姓名, w.Text单位, w.Text手机, w.Text职位, w.Text普通文本[4].widget(),
                w.Text7,    w.Text地址};
    case 5: return {w.Text普通文本[5].widget(), w.Text密码, w.Combo加密方式, w.Check隐藏网络};
    default: return {};
    }
}

inline QString ExpectedPayload(const 文本录入& w, int page) {
    QStringList f;
    for (QWidget* field : PageFields(w, page)) f << FieldText(field);
    switch (page) {
    case 0: return f[0];
    case 1:
        return "MAIL:TO:" + Escaped(f[0]) + ";SUB:" + Escaped(f[1]) + ";TXT:" + Escaped(f[2]) +
               ";;ZRQub";
    case 2: return "MEBKM:TITLE:" + Escaped(f[0]) + ";URL:" + TrimSpaces(Escaped(f[1])) + ";;";
    case 3: return "SMS:SM:" + Escaped(f[0]) + ";TXT:" + Escaped(f[1]) + ";;ZRQub";
    case 4:
        return "MECARD:N:" + Escaped(f[0]) + ";ORG:" + Escaped(f[1]) +
               ";TEL:TYPE=cell:" + Escaped(f[2]) + ";TITLE:" + Escaped(f[3]) +
               ";NOTE:" + Escaped(f[4]) + ";EMAIL:" + Escaped(f[5]) + ";ADR:" + Escaped(f[6]) +
               ";;";
    case 5:
        return "WIFI:T:" + f[2] + ";S:" + WifiEscaped(f[0]) + ";" +
               (f[2] == "nopass" ? QString() : "P:" + WifiEscaped(f[1]) + ";") +
               (f[3] == "true" ? "H:true;" : "") + ";";
    default: return QString();
    }
}

inline std::optional<QString> DecodedText(const QImage& picture) {
    const std::optional<DecodedSymbol> symbol = DecodeImage(picture);
    if (!symbol) return std::nullopt;
    return QString::fromUtf8(symbol->bytes.data(), qsizetype(symbol->bytes.size()));
}

struct Message {
    QString title;
    QString text;
};

// Records every message and every program end for its lifetime.
class Recorder {
  public:
    Recorder() {
        UserMessages::SetPresenter(
            [this](const QString& title, const QString& text, UserMessages::Icon) {
                messages.push_back({title, text});
            });
        ProgramExit::SetHandler([this] { ++exits; });
    }
    ~Recorder() {
        UserMessages::SetPresenter({});
        ProgramExit::SetHandler({});
    }
    Recorder(const Recorder&) = delete;
    Recorder& operator=(const Recorder&) = delete;

    QStringList texts() const {
        QStringList all;
        for (const Message& m : messages) all << m.text;
        return all;
    }

    QList<Message> messages;
    int exits = 0;
};

// A window whose input-method check answers 0, counting its calls.
struct CountingCheck {
    int calls = 0;
    文本录入::五笔检查函数 function() {
        return [this] {
            ++calls;
            return std::optional<int>(0);
        };
    }
};

} // namespace WindowDriver
