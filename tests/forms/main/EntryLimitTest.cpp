// The length limit of the entry fields: every way text gets in is refused whole past the limit,
// the field keeps its text and the user is told.
#include "forms/main/InputLimit.h"
#include "tests/forms/main/WindowDriver.h"

#include <QAction>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QMenu>
#include <QMimeData>
#include <QTabBar>
#include <QtTest>

#include <memory>

using namespace WindowDriver;

class EntryLimitTest : public QObject {
    Q_OBJECT

  private:
    std::unique_ptr<文本录入> window;
    QWidget* field = nullptr;

    // Where events for the field land: a multi-line box takes mouse and drops in its viewport.
    QWidget* eventTarget() const {
        if (auto* multi = qobject_cast<QPlainTextEdit*>(field)) return multi->viewport();
        return field;
    }
    static QString full() { return QString(InputLimit::MaxCharacters, QLatin1Char('x')); }
    static QString pastLimit() { return full() + QLatin1Char('x'); }
    // As the user leaves it after typing: the cursor at the end.
    void fill(const QString& text) {
        SetFieldText(field, text);
        if (auto* multi = qobject_cast<QPlainTextEdit*>(field)) multi->moveCursor(QTextCursor::End);
    }
    // The field of the current data row, on its selected page.
    void openField() {
        QFETCH(int, page);
        QFETCH(int, index);
        window->选项卡标签->setCurrentIndex(page);
        field = PageFields(*window, page).at(index);
    }
    void selectAll() {
        if (auto* multi = qobject_cast<QPlainTextEdit*>(field)) multi->selectAll();
        if (auto* line = qobject_cast<QLineEdit*>(field)) line->selectAll();
    }
    void verifyRefused(const Recorder& recorder, const QString& before) {
        QCOMPARE(FieldText(field), before);
        QCOMPARE(recorder.texts(), QStringList{InputLimit::RefusalText});
        QCOMPARE(recorder.messages.value(0).title, QStringLiteral("Quorlik二维码"));
    }
    void dropText(const QString& text);
    void pasteFromContextMenu();

  private slots:
    void init();
    void cleanup();
    void typingPastTheLimitIsRefused_data();
    void typingPastTheLimitIsRefused();
    void pastesAndDropsPastTheLimitAreRefusedWhole_data();
    void pastesAndDropsPastTheLimitAreRefusedWhole();
    void inputMethodCommitsPastTheLimitAreRefused_data();
    void inputMethodCommitsPastTheLimitAreRefused();
    void settingAFieldPastTheLimitIsRefused();
};

namespace {

void addFieldRows() {
    QTest::addColumn<int>("page");
    QTest::addColumn<int>("index");
    QTest::newRow("text page") << 0 << 0;
    QTest::newRow("mail body") << 1 << 2;
    QTest::newRow("mail subject") << 1 << 1;
    QTest::newRow("bookmark title") << 2 << 0;
    QTest::newRow("sms text") << 3 << 1;
    QTest::newRow("contact note") << 4 << 4;
    QTest::newRow("contact name") << 4 << 0;
}

} // namespace

void EntryLimitTest::init() {
    window = std::make_unique<文本录入>([] { return std::optional<int>(0); });
    window->show();
    QApplication::setActiveWindow(window.get());
}

void EntryLimitTest::cleanup() {
    field = nullptr;
    window.reset();
}

void EntryLimitTest::dropText(const QString& text) {
    QMimeData data;
    data.setText(text);
    const QPointF at(5, 5);
    QDragEnterEvent enter(at.toPoint(), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(eventTarget(), &enter);
    QDragMoveEvent move(at.toPoint(), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(eventTarget(), &move);
    QDropEvent drop(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(eventTarget(), &drop);
}

void EntryLimitTest::pasteFromContextMenu() {
    QContextMenuEvent open(QContextMenuEvent::Mouse, QPoint(5, 5),
                           eventTarget()->mapToGlobal(QPoint(5, 5)));
    QCoreApplication::sendEvent(eventTarget(), &open);
    auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    QVERIFY(menu != nullptr);
    auto* paste = menu->findChild<QAction*>(QStringLiteral("edit-paste"));
    QVERIFY(paste != nullptr);
    QVERIFY(paste->isEnabled());
    paste->trigger();
    menu->close();
}

void EntryLimitTest::typingPastTheLimitIsRefused_data() {
    addFieldRows();
}

void EntryLimitTest::typingPastTheLimitIsRefused() {
    openField();
    fill(full());
    field->setFocus();
    Recorder recorder;
    QTest::keyClick(field, Qt::Key_A);
    verifyRefused(recorder, full());
    QTest::keyClick(field, Qt::Key_Backspace);
    QTest::keyClick(field, Qt::Key_B);
    QCOMPARE(FieldText(field).size(), InputLimit::MaxCharacters);
    QVERIFY(FieldText(field).endsWith(QLatin1Char('b')));
    QCOMPARE(recorder.messages.size(), 1);
}

void EntryLimitTest::pastesAndDropsPastTheLimitAreRefusedWhole_data() {
    addFieldRows();
}

void EntryLimitTest::pastesAndDropsPastTheLimitAreRefusedWhole() {
    openField();
    fill(QStringLiteral("前"));
    const QString before = FieldText(field);
    field->setFocus();
    QApplication::clipboard()->setText(QString(1000000, QChar(0x7801)));
    {
        Recorder recorder;
        QTest::keyClick(field, Qt::Key_V, Qt::ControlModifier);
        verifyRefused(recorder, before);
    }
    {
        Recorder recorder;
        pasteFromContextMenu();
        verifyRefused(recorder, before);
    }
    {
        Recorder recorder;
        dropText(pastLimit());
        verifyRefused(recorder, before);
    }
    // Replacing a selection counts the selection as gone, and still refuses.
    QApplication::clipboard()->setText(pastLimit());
    selectAll();
    Recorder recorder;
    QTest::keyClick(field, Qt::Key_V, Qt::ControlModifier);
    verifyRefused(recorder, before);
    // Up to the limit it goes in.
    QApplication::clipboard()->setText(full());
    selectAll();
    QTest::keyClick(field, Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(FieldText(field), full());
    QCOMPARE(recorder.messages.size(), 1);
}

void EntryLimitTest::inputMethodCommitsPastTheLimitAreRefused_data() {
    addFieldRows();
}

void EntryLimitTest::inputMethodCommitsPastTheLimitAreRefused() {
    openField();
    fill(QString(InputLimit::MaxCharacters - 1, QChar(0x7801)));
    const QString before = FieldText(field);
    {
        Recorder recorder;
        CommitText(field, QStringLiteral("二维"));
        verifyRefused(recorder, before);
    }
    Recorder recorder;
    CommitText(field, QStringLiteral("码"));
    QCOMPARE(FieldText(field), before + QStringLiteral("码"));
    QVERIFY(recorder.messages.isEmpty());
}

void EntryLimitTest::settingAFieldPastTheLimitIsRefused() {
    for (int page = 0; page < 文本录入::内容页数; ++page) {
        EntryField& entry = window->Text普通文本[page];
        entry.setText(QStringLiteral("原来"));
        Recorder recorder;
        entry.setText(pastLimit());
        QCOMPARE(entry.text(), QStringLiteral("原来"));
        QCOMPARE(recorder.texts(), QStringList{InputLimit::RefusalText});
        entry.setText(full());
        QCOMPARE(entry.text(), full());
        QCOMPARE(recorder.messages.size(), 1);
    }
}

QTEST_MAIN(EntryLimitTest)
#include "EntryLimitTest.moc"
