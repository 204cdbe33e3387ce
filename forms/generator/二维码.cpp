#include "forms/generator/二维码.h"

#include "composition/SymbolJob.h"
#include "encoder/clsQRCode.h"
#include "forms/main/MessageBoxes.h"
#include "forms/main/UserMessages.h"
#include "composition/PayloadBytes.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QEvent>
#include <QGridLayout>
#include <QPlainTextEdit>
#include <QPushButton>

namespace {

const QString DefaultText = QStringLiteral("五笔字型是害人害己害社会的汉字输入法\r\n");

// Captions shown until 预处理 fills the lists.
const std::array<QString, 4> ListCaptions = {
    QStringLiteral("Version"), QStringLiteral("Error correction level"),
    QStringLiteral("Mask type"), QStringLiteral("Text encoding")};

QStringList numberTexts(int first, int last) {
    QStringList texts;
    for (int n = first; n <= last; ++n) texts << QString::number(n);
    return texts;
}

bool holds(const QComboBox* list, const QStringList& items, int selected) {
    if (list->count() != items.size() || list->currentIndex() != selected ||
        list->currentText() != items[selected])
        return false;
    for (int i = 0; i < list->count(); ++i)
        if (list->itemText(i) != items[i]) return false;
    return true;
}

// Every generation resets the lists; a list that already holds its reset items is left as it
// is, since rebuilding a list is most of a keystroke's work and changes nothing that shows.
void reset(QComboBox* list, const QStringList& items, int selected) {
    if (holds(list, items, selected)) return;
    list->clear();
    list->addItems(items);
    list->setCurrentIndex(selected);
}

struct ListDefaults {
    QStringList items;
    int selected;
};

const std::array<ListDefaults, 4>& listDefaults() {
    static const std::array<ListDefaults, 4> defaults = {
        ListDefaults{QStringList{QStringLiteral("Automatic")} + numberTexts(1, 40), 0},
        ListDefaults{{QStringLiteral("L - 7%"), QStringLiteral("M - 15%"),
                      QStringLiteral("Q - 25%"), QStringLiteral("H - 30%")},
                     1},
        ListDefaults{QStringList{QStringLiteral("Automatic")} + numberTexts(0, 7), 0},
        ListDefaults{{QStringLiteral("ANSI"), QStringLiteral("UTF-8")}, 1},
    };
    return defaults;
}

// The text box keeps a line break as "\n"; the form's text carries it as CR LF.
QString textWithCrLf(const QPlainTextEdit* box) {
    return box->toPlainText().replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
}

二维码*& instancePointer() {
    static 二维码* instance = nullptr;
    return instance;
}

} // namespace

二维码::二维码(QWidget* parent) : QWidget(parent) {
    MessageBoxes::Install();
    setWindowTitle(QStringLiteral("二维码"));
    buildControls();
    wireHandlers();
    // Load: the same work as the "生成" button.
    generateFromOwnText();
}

二维码::~二维码() {
    if (instancePointer() == this) instancePointer() = nullptr;
}

二维码& 二维码::实例() {
    if (!instancePointer()) {
        instancePointer() = new 二维码();
        // Unloaded with the application, while the widget machinery still exists.
        QObject::connect(qApp, &QCoreApplication::aboutToQuit, [] { delete instancePointer(); });
    }
    return *instancePointer();
}

void 二维码::buildControls() {
    auto* layout = new QGridLayout(this);
    for (int i = 0; i < 4; ++i) {
        cmb1[i] = new QComboBox(this);
        cmb1[i]->setEditable(true); // shows its caption as text until an item is selected
        cmb1[i]->setEditText(ListCaptions[i]);
        layout->addWidget(cmb1[i], 0, i);
    }
    Text1 = new QPlainTextEdit(this);
    Text1->setPlainText(DefaultText);
    layout->addWidget(Text1, 1, 0, 1, 3);
    Command1 = new QPushButton(QStringLiteral("生成"), this);
    layout->addWidget(Command1, 1, 3);
    Picture1 = new PictureHolder(this);
    Image1 = new PictureHolder(this);
    Image心标 = new PictureHolder(this);
    Image2 = new PictureHolder(this);
    layout->addWidget(Picture1, 2, 0);
    layout->addWidget(Image1, 2, 1);
    layout->addWidget(Image心标, 2, 2);
    layout->addWidget(Image2, 2, 3);
}

void 二维码::wireHandlers() {
    QObject::connect(Command1, &QPushButton::clicked, this, [this] { generateFromOwnText(); });
    Image1->installEventFilter(this);
    Text1->installEventFilter(this);
}

bool 二维码::eventFilter(QObject* watched, QEvent* event) {
    if (watched == Image1 && event->type() == QEvent::MouseButtonRelease)
        copyComposedPicture();
    else if (watched == Text1 && event->type() == QEvent::FocusIn)
        Text1->selectAll();
    return QWidget::eventFilter(watched, event);
}

void 二维码::generateFromOwnText() {
    预处理();
    生成二维码(textWithCrLf(Text1));
}

void 二维码::copyComposedPicture() {
    if (!Image1->hasPicture()) return;
    QClipboard* clipboard = QGuiApplication::clipboard();
    clipboard->clear();
    clipboard->setImage(Picture1->picture());
    UserMessages::Show(QStringLiteral("二维码图像保存到了剪贴板"));
}

void 二维码::预处理() {
    Image1->setPicture(QImage());
    for (int i = 0; i < 4; ++i) reset(cmb1[i], listDefaults()[i].items, listDefaults()[i].selected);
}

void 二维码::生成二维码(const QString& 内容, std::optional<int> 芯标) {
    二维码图片宽度 = 240;
    预处理();
    const int side = 二维码图片宽度;
    Picture1->setFixedSize(side, side);
    // The text-encoding list has just been reset to UTF-8, the only conversion there is.
    if (!encoder_) encoder_ = std::make_unique<clsQRCode>();
    const bool paintLogo = 芯标.has_value() && *芯标 == 1 && Image心标->hasPicture();
    const QByteArray utf8 = PayloadBytes::ToUtf8(内容);
    SymbolJob::Made made =
        SymbolJob::Make(*encoder_, SymbolJob::WindowRequest(utf8, paintLogo), Image心标->picture(),
                        side, SymbolComposition::ComposedFormat::Rgb32);
    Image1->setPicture(made.symbolPicture);
    hasSymbol_ = made.symbol.has_value();
    paintComposed(made.composed);
}

void 二维码::paintComposed(const QImage& composed) {
    Picture1->setPicture(composed);
    // Pictures are shared copy-on-write: whatever is painted on Picture1 later leaves this one
    // alone without a deep copy.
    Image2->setPicture(composed);
}
