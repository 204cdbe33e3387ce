// Keystroke-to-preview time of the main window's text page holding 300 Chinese characters.
// Each iteration is one keystroke delivered as the window would get it: alternately an input
// method's commit of one character and a Backspace, each regenerating the preview at once.
// The same beside a fcitx5 profile of 300,000 entries, in fields holding as much as the entry
// limit allows, and for a refused paste of a megabyte.
#include "forms/generator/PictureHolder.h"
#include "forms/main/InputLimit.h"
#include "forms/main/UserMessages.h"
#include "forms/main/文本录入.h"

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTabBar>
#include <QTemporaryDir>

#include <cstdlib>

#include <benchmark/benchmark.h>

namespace {

QString chineseText(int length) {
    const QString sample =
        QStringLiteral("二维码是一种用黑白方块记录信息的图形，手机扫一扫就能读出其中的文字。");
    QString text;
    while (text.size() < length) text += sample;
    return text.left(length);
}

void commitCharacter(QWidget* field, const QString& character) {
    QInputMethodEvent commit;
    commit.setCommitString(character);
    QCoreApplication::sendEvent(field, &commit);
}

void pressBackspace(QWidget* field) {
    QKeyEvent press(QEvent::KeyPress, Qt::Key_Backspace, Qt::NoModifier, QStringLiteral("\b"));
    QCoreApplication::sendEvent(field, &press);
}

// One keystroke: a character committed when `grown` is false, else a Backspace; flips `grown`.
void typeOrErase(QWidget* field, bool& grown, const QString& character) {
    if (grown)
        pressBackspace(field);
    else
        commitCharacter(field, character);
    grown = !grown;
}

// The shown window's text page holding 300 Chinese characters, the cursor at the end.
QPlainTextEdit* textPageOf300Characters(文本录入& window) {
    window.show();
    auto* text = static_cast<QPlainTextEdit*>(window.Text普通文本[0].widget());
    text->setPlainText(chineseText(300));
    text->moveCursor(QTextCursor::End);
    return text;
}

void BM_KeystrokeToPreview(benchmark::State& state) {
    文本录入 window; // the real input-method check
    QPlainTextEdit* text = textPageOf300Characters(window);
    text->setFocus();
    bool grown = false;
    for (auto _ : state) {
        typeOrErase(text, grown, QStringLiteral("码"));
        benchmark::DoNotOptimize(window.Image1[0]->picture().constBits());
    }
    if (!window.PageHasSymbol(0)) state.SkipWithError("the text made no symbol");
}
BENCHMARK(BM_KeystrokeToPreview)
    ->Unit(benchmark::kMicrosecond)
    ->Repetitions(9)
    ->ReportAggregatesOnly(true);

// The window's own configuration home holding a fcitx5 profile of 300,000 entries.
class HugeProfile {
  public:
    HugeProfile() {
        const QString folder = home_.path() + QStringLiteral("/fcitx5");
        QDir().mkpath(folder);
        QFile profile(folder + QStringLiteral("/profile"));
        if (!profile.open(QIODevice::WriteOnly)) return;
        for (int i = 0; i < 300000; ++i)
            profile.write("[Groups/0/Items/" + QByteArray::number(i) +
                          "]\nName=" + (i % 2 ? "pinyin" : "keyboard-us") + "\nLayout=\n\n");
        setenv("XDG_CONFIG_HOME", home_.path().toLocal8Bit().constData(), 1);
    }
    ~HugeProfile() { unsetenv("XDG_CONFIG_HOME"); }
    HugeProfile(const HugeProfile&) = delete;
    HugeProfile& operator=(const HugeProfile&) = delete;

  private:
    QTemporaryDir home_;
};

void BM_KeystrokeBesideHugeProfile(benchmark::State& state) {
    const HugeProfile profile;
    文本录入 window;
    QPlainTextEdit* text = textPageOf300Characters(window);
    bool grown = false;
    for (auto _ : state) typeOrErase(text, grown, QStringLiteral("码"));
}
BENCHMARK(BM_KeystrokeBesideHugeProfile)->Unit(benchmark::kMicrosecond)->Repetitions(3);

// The text page, the mail body (multi-line) and the contact name (single line), each holding
// one line one character short of the limit: letters without a space (the longest line breaking)
// or Chinese (the costliest shaping).
QWidget* limitField(文本录入& window, int which) {
    switch (which) {
    case 0: return window.Text普通文本[0].widget();
    case 1: window.选项卡标签->setCurrentIndex(1); return window.Text普通文本[1].widget();
    default: window.选项卡标签->setCurrentIndex(4); return window.Text姓名;
    }
}

void fillToLimit(QWidget* field, bool chinese) {
    const QString text = chinese ? chineseText(InputLimit::MaxCharacters - 1)
                                 : QString(InputLimit::MaxCharacters - 1, QLatin1Char('x'));
    if (auto* multi = qobject_cast<QPlainTextEdit*>(field)) {
        multi->setPlainText(text);
        multi->moveCursor(QTextCursor::End);
    }
    if (auto* line = qobject_cast<QLineEdit*>(field)) line->setText(text);
}

void BM_KeystrokeAtTheLimit(benchmark::State& state) {
    文本录入 window([] { return std::optional<int>(0); });
    window.show();
    QWidget* field = limitField(window, int(state.range(0)));
    fillToLimit(field, state.range(1) != 0);
    bool grown = false;
    for (auto _ : state) {
        typeOrErase(field, grown, QStringLiteral("x"));
        QCoreApplication::processEvents(); // the repaint of the field
    }
}
BENCHMARK(BM_KeystrokeAtTheLimit)->ArgsProduct({{0, 1, 2}, {0, 1}})->Unit(benchmark::kMillisecond);

void BM_RefusedMegabytePaste(benchmark::State& state) {
    UserMessages::SetPresenter([](const QString&, const QString&, UserMessages::Icon) {});
    文本录入 window([] { return std::optional<int>(0); });
    window.show();
    QWidget* field = limitField(window, int(state.range(0)));
    field->setFocus();
    QApplication::clipboard()->setText(QString(1 << 20, QLatin1Char('x')));
    QKeyEvent paste(QEvent::KeyPress, Qt::Key_V, Qt::ControlModifier, QStringLiteral("\x16"));
    for (auto _ : state) QCoreApplication::sendEvent(field, &paste);
    UserMessages::SetPresenter({});
}
BENCHMARK(BM_RefusedMegabytePaste)->DenseRange(0, 2)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
