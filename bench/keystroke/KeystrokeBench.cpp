// Keystroke-to-preview time of the main window's text page holding 300 Chinese characters.
// Each iteration is one keystroke delivered as the window would get it: alternately an input
// method's commit of one character and a Backspace, each regenerating the preview at once.
#include "PictureHolder.h"
#include "文本录入.h"

#include <QApplication>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QPlainTextEdit>

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

void BM_KeystrokeToPreview(benchmark::State& state) {
    文本录入 window; // the real input-method check
    window.show();
    auto* text = static_cast<QPlainTextEdit*>(window.Text普通文本[0].widget());
    text->setPlainText(chineseText(300));
    text->moveCursor(QTextCursor::End);
    text->setFocus();
    bool grown = false;
    for (auto _ : state) {
        if (grown)
            pressBackspace(text);
        else
            commitCharacter(text, QStringLiteral("码"));
        grown = !grown;
        benchmark::DoNotOptimize(window.Image1[0]->picture().constBits());
    }
    if (!window.PageHasSymbol(0)) state.SkipWithError("the text made no symbol");
}
BENCHMARK(BM_KeystrokeToPreview)
    ->Unit(benchmark::kMicrosecond)
    ->Repetitions(9)
    ->ReportAggregatesOnly(true);

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
