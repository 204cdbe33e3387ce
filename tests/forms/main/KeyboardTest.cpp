// Keys seen by the main window: Ctrl+Tab cycling through the key preview and the digit filter.
#include "forms/generator/PictureHolder.h"
#include "forms/main/KeyFilters.h"
#include "tests/forms/main/WindowDriver.h"

#include <QAction>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTabBar>
#include <QtTest>

#include <memory>

using namespace WindowDriver;

class KeyboardTest : public QObject {
    Q_OBJECT

  private:
    std::unique_ptr<文本录入> makeWindow() {
        auto window = std::make_unique<文本录入>([] { return std::optional<int>(0); });
        window->show();
        QApplication::setActiveWindow(window.get());
        return window;
    }
    // The focused control of the selected page, where a key lands first.
    static QWidget* focusedField(文本录入& w) {
        QWidget* field = w.Text普通文本[0].widget();
        if (w.SelectedPage() == 文本录入::关于页) field = w.Command退出[文本录入::关于页];
        field->setFocus();
        return field;
    }

  private slots:
    void stepFollowsControlAndShift_data();
    void stepFollowsControlAndShift();
    void cycledIndexWrapsBothWays();
    void ctrlTabOnAboutSelectsText();
    void ctrlShiftTabOnTextSelectsAbout();
    void ctrlAltTabActsAsCtrlTab();
    void ctrlTabWalksEveryTabAndRegenerates();
    void plainTabKeepsTheTab();
    void ctrlTabFromAMultiLineFieldDoesNotTypeATab();
    void phoneFieldsTakeOnlyDigitsAndBackspace_data();
    void phoneFieldsTakeOnlyDigitsAndBackspace();
    void committedTextKeepsOnlyDigits_data();
    void committedTextKeepsOnlyDigits();
    void focusKeysLeaveThePhoneFields_data();
    void focusKeysLeaveThePhoneFields();
    void contextMenuPasteIntoAPhoneFieldIsNotFiltered();
    void digitsOnlyKeepsOrder();
};

void KeyboardTest::stepFollowsControlAndShift_data() {
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<int>("step");
    QTest::newRow("ctrl tab") << int(Qt::Key_Tab) << int(Qt::ControlModifier) << 1;
    QTest::newRow("ctrl shift tab")
        << int(Qt::Key_Tab) << int(Qt::ControlModifier | Qt::ShiftModifier) << -1;
    QTest::newRow("ctrl backtab") << int(Qt::Key_Backtab)
                                  << int(Qt::ControlModifier | Qt::ShiftModifier) << -1;
    QTest::newRow("ctrl alt tab") << int(Qt::Key_Tab) << int(Qt::ControlModifier | Qt::AltModifier)
                                  << 1;
    QTest::newRow("ctrl alt shift tab")
        << int(Qt::Key_Backtab) << int(Qt::ControlModifier | Qt::AltModifier | Qt::ShiftModifier)
        << -1;
    QTest::newRow("tab") << int(Qt::Key_Tab) << int(Qt::NoModifier) << 0;
    QTest::newRow("shift tab") << int(Qt::Key_Backtab) << int(Qt::ShiftModifier) << 0;
    QTest::newRow("alt tab") << int(Qt::Key_Tab) << int(Qt::AltModifier) << 0;
    QTest::newRow("ctrl a") << int(Qt::Key_A) << int(Qt::ControlModifier) << 0;
}

void KeyboardTest::stepFollowsControlAndShift() {
    QFETCH(int, key);
    QFETCH(int, modifiers);
    QFETCH(int, step);
    const QKeyEvent event(QEvent::KeyPress, key, Qt::KeyboardModifiers(modifiers));
    QCOMPARE(KeyFilters::TabCycleStep(event), step);
}

void KeyboardTest::cycledIndexWrapsBothWays() {
    QCOMPARE(KeyFilters::CycledIndex(5, 1, 6), 0);
    QCOMPARE(KeyFilters::CycledIndex(0, -1, 6), 5);
    QCOMPARE(KeyFilters::CycledIndex(2, 1, 6), 3);
    QCOMPARE(KeyFilters::CycledIndex(2, -1, 6), 1);
}

void KeyboardTest::ctrlTabOnAboutSelectsText() {
    auto w = makeWindow();
    w->选项卡标签->setCurrentIndex(文本录入::关于页);
    QTest::keyClick(focusedField(*w), Qt::Key_Tab, Qt::ControlModifier);
    QCOMPARE(w->SelectedPage(), 0);
    QVERIFY(w->Frame1[0]->isVisible());
}

void KeyboardTest::ctrlShiftTabOnTextSelectsAbout() {
    auto w = makeWindow();
    QTest::keyClick(focusedField(*w), Qt::Key_Backtab, Qt::ControlModifier | Qt::ShiftModifier);
    QCOMPARE(w->SelectedPage(), int(文本录入::关于页));
    QVERIFY(w->Frame1[文本录入::关于页]->isVisible());
    QTest::keyClick(focusedField(*w), Qt::Key_Tab, Qt::ControlModifier | Qt::ShiftModifier);
    QCOMPARE(w->SelectedPage(), int(文本录入::关于页) - 1);
}

void KeyboardTest::ctrlAltTabActsAsCtrlTab() {
    auto w = makeWindow();
    QTest::keyClick(focusedField(*w), Qt::Key_Tab, Qt::ControlModifier | Qt::AltModifier);
    QCOMPARE(w->SelectedPage(), 1);
}

void KeyboardTest::ctrlTabWalksEveryTabAndRegenerates() {
    auto w = makeWindow();
    QWidget* start = focusedField(*w);
    for (int expected = 1; expected < 文本录入::内容页数; ++expected) {
        QTest::keyClick(start, Qt::Key_Tab, Qt::ControlModifier);
        QCOMPARE(w->SelectedPage(), expected);
        QCOMPARE(DecodedText(w->Image1[expected]->picture()), ExpectedPayload(*w, expected));
    }
}

void KeyboardTest::plainTabKeepsTheTab() {
    auto w = makeWindow();
    w->选项卡标签->setCurrentIndex(1);
    w->Texti收件人->setFocus();
    QTest::keyClick(w->Texti收件人, Qt::Key_Tab);
    QCOMPARE(w->SelectedPage(), 1);
    QTest::keyClick(w->Texti收件人, Qt::Key_Backtab, Qt::ShiftModifier);
    QCOMPARE(w->SelectedPage(), 1);
}

void KeyboardTest::ctrlTabFromAMultiLineFieldDoesNotTypeATab() {
    auto w = makeWindow();
    QWidget* text = focusedField(*w);
    const QString before = FieldText(text);
    QTest::keyClick(text, Qt::Key_Tab, Qt::ControlModifier);
    QCOMPARE(FieldText(text), before);
    QCOMPARE(w->SelectedPage(), 1);
}

void KeyboardTest::phoneFieldsTakeOnlyDigitsAndBackspace_data() {
    QTest::addColumn<int>("page");
    QTest::addColumn<bool>("contact");
    QTest::newRow("Text6") << 3 << false;
    QTest::newRow("Text手机") << 4 << true;
}

void KeyboardTest::phoneFieldsTakeOnlyDigitsAndBackspace() {
    QFETCH(int, page);
    QFETCH(bool, contact);
    auto w = makeWindow();
    w->选项卡标签->setCurrentIndex(page);
    QLineEdit* phone = contact ? w->Text手机 : w->Text6;
    phone->clear();
    phone->setFocus();
    QTest::keyClicks(phone, QStringLiteral("a-"));
    QCOMPARE(phone->text(), QString());
    QTest::keyClicks(phone, QStringLiteral("12a3-"));
    QCOMPARE(phone->text(), QStringLiteral("123"));
    QTest::keyClick(phone, Qt::Key_Backspace);
    QCOMPARE(phone->text(), QStringLiteral("12"));
    QTest::keyClick(phone, Qt::Key_V, Qt::ControlModifier); // paste is a typed control char
    QCOMPARE(phone->text(), QStringLiteral("12"));
    QCOMPARE(DecodedText(w->Image1[page]->picture()), ExpectedPayload(*w, page));
    // Other fields are not filtered.
    QLineEdit* other = contact ? w->Text姓名 : nullptr;
    if (other) {
        other->clear();
        QTest::keyClicks(other, QStringLiteral("a-1"));
        QCOMPARE(other->text(), QStringLiteral("a-1"));
    }
}

void KeyboardTest::focusKeysLeaveThePhoneFields_data() {
    phoneFieldsTakeOnlyDigitsAndBackspace_data();
}

// Tab and Shift+Tab are focus movement, not typed characters: they leave a phone field as they
// leave any other, and the field's text stays as it was. Ctrl+Tab still changes the tab.
void KeyboardTest::focusKeysLeaveThePhoneFields() {
    QFETCH(int, page);
    QFETCH(bool, contact);
    auto w = makeWindow();
    w->选项卡标签->setCurrentIndex(page);
    QLineEdit* phone = contact ? w->Text手机 : w->Text6;
    const QString before = phone->text();

    phone->setFocus();
    QVERIFY(phone->hasFocus());
    QTest::keyClick(phone, Qt::Key_Tab);
    QVERIFY(!phone->hasFocus());
    QVERIFY(w->Frame1[page]->isAncestorOf(QApplication::focusWidget()));

    phone->setFocus();
    QTest::keyClick(phone, Qt::Key_Backtab, Qt::ShiftModifier);
    QVERIFY(!phone->hasFocus());
    QCOMPARE(phone->text(), before);

    phone->setFocus();
    QTest::keyClick(phone, Qt::Key_Tab, Qt::ControlModifier);
    QCOMPARE(w->SelectedPage(), page + 1);
    QCOMPARE(phone->text(), before);
}

void KeyboardTest::committedTextKeepsOnlyDigits_data() {
    phoneFieldsTakeOnlyDigitsAndBackspace_data();
}

void KeyboardTest::committedTextKeepsOnlyDigits() {
    QFETCH(int, page);
    QFETCH(bool, contact);
    auto w = makeWindow();
    w->选项卡标签->setCurrentIndex(page);
    QLineEdit* phone = contact ? w->Text手机 : w->Text6;
    phone->setText(QStringLiteral("12"));
    CommitText(phone, QStringLiteral("中x"));
    QCOMPARE(phone->text(), QStringLiteral("12"));
    CommitText(phone, QStringLiteral("电话3-4"));
    QCOMPARE(phone->text(), QStringLiteral("1234"));
    QCOMPARE(DecodedText(w->Image1[page]->picture()), ExpectedPayload(*w, page));
    // The other fields take an input method's text as it comes.
    QLineEdit* other = contact ? w->Text姓名 : w->Texti收件人;
    other->clear();
    CommitText(other, QStringLiteral("中x"));
    QCOMPARE(other->text(), QStringLiteral("中x"));
}

void KeyboardTest::contextMenuPasteIntoAPhoneFieldIsNotFiltered() {
    auto w = makeWindow();
    w->选项卡标签->setCurrentIndex(3);
    w->Text6->clear();
    QApplication::clipboard()->setText(QStringLiteral("+86 555"));
    QContextMenuEvent open(QContextMenuEvent::Mouse, QPoint(5, 5),
                           w->Text6->mapToGlobal(QPoint(5, 5)));
    QCoreApplication::sendEvent(w->Text6, &open);
    auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    QVERIFY(menu != nullptr);
    auto* paste = menu->findChild<QAction*>(QStringLiteral("edit-paste"));
    QVERIFY(paste != nullptr);
    paste->trigger();
    menu->close();
    QCOMPARE(w->Text6->text(), QStringLiteral("+86 555"));
}

void KeyboardTest::digitsOnlyKeepsOrder() {
    QCOMPARE(KeyFilters::DigitsOnly(QStringLiteral("a1中2-3４")), QStringLiteral("123"));
    QCOMPARE(KeyFilters::DigitsOnly(QString()), QString());
}

QTEST_MAIN(KeyboardTest)
#include "KeyboardTest.moc"
