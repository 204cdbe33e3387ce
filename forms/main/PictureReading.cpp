#include "forms/main/PictureReading.h"

#include "forms/main/OutputCommands.h"
#include "forms/main/UserMessages.h"
#include "forms/main/文本录入.h"
#include "payload/PayloadReader.h"
#include "reading/SymbolReader.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDropEvent>
#include <QFile>
#include <QLineEdit>
#include <QMimeData>
#include <QStringDecoder>
#include <QTabBar>
#include <QTimer>
#include <QUrl>

#include <algorithm>
#include <vector>

namespace PictureReading {
namespace {

// The window writes UTF-8 without a designator; anything else is the reader's own conversion.
QString PayloadText(const ReadSymbol& symbol) {
    const QByteArray bytes = QByteArray::fromStdString(symbol.bytes);
    if (symbol.ecis.empty()) {
        QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        const QString text = utf8(bytes);
        if (!utf8.hasError()) return text;
    }
    return QString::fromStdString(symbol.text);
}

} // namespace

QString SeveralSymbols(int count) {
    return QStringLiteral("这张图片里有 %1 个二维码，一次只能识别一个。请把要识别的二维码单独"
                          "截成一张图片再试。")
        .arg(count);
}

QString FileProblem(FileAccess::ErrorKind kind) {
    using FileAccess::ErrorKind;
    switch (kind) {
    case ErrorKind::NotFound: return QStringLiteral("文件不存在");
    case ErrorKind::WrongKind:
        return QStringLiteral("这不是普通文件（而是管道、设备或文件夹之类），为安全起见不读取");
    case ErrorKind::SymbolicLink:
        return QStringLiteral("这是一个符号链接，为安全起见不跟随，请直接选择它指向的文件");
    case ErrorKind::AccessDenied:
    case ErrorKind::WriteProtected: return QStringLiteral("没有读取这个文件的权限");
    case ErrorKind::TooLarge: return QStringLiteral("文件太大，不像是一张二维码图片");
    case ErrorKind::NotAFolder: return QStringLiteral("路径中有一部分不是文件夹");
    case ErrorKind::BadName: return QStringLiteral("文件名不合法");
    default: return QStringLiteral("读取文件时出错");
    }
}

QString ReadProblem(const PictureReader::Outcome& outcome) {
    using PictureReader::Failure;
    switch (outcome.failure) {
    case Failure::FileAccess: return FileProblem(outcome.fileError);
    case Failure::NotAPicture:
        return QStringLiteral("这不是图片文件（可以识别 PNG、JPG、GIF、BMP、TIFF 和 SVG）");
    case Failure::Damaged: return QStringLiteral("图片已损坏或不完整");
    case Failure::TooLarge: return QStringLiteral("图片太大，读取它要花太多时间或内存");
    case Failure::RefersElsewhere:
        return QStringLiteral("这个 SVG 图片引用了其他文件，为安全起见不读取");
    case Failure::OutOfMemory: return QStringLiteral("内存不足，无法读取这张图片");
    case Failure::None: break;
    }
    return QString();
}

Found PayloadOf(const QString& fileName) {
    std::vector<ReadSymbol> symbols;
    // The reader reports the memory the symbol search could not have as OutOfMemory.
    const PictureReader::Outcome read = PictureReader::ReadFile(
        QFile::encodeName(fileName).toStdString(), PictureReader::Kind::Scan,
        [&symbols](const QImage& frame) { AddFrameSymbols(symbols, ReadQrSymbols(frame)); });
    if (!read.ok())
        return {std::nullopt, QStringLiteral("无法识别这个文件：%1。").arg(ReadProblem(read))};
    if (symbols.empty()) return {std::nullopt, NoSymbol};
    if (symbols.size() > 1) return {std::nullopt, SeveralSymbols(int(symbols.size()))};
    return {PayloadText(symbols.front()), QString()};
}

} // namespace PictureReading

void 文本录入::识别图片() {
    const QString fileName = 文件对话框.askPictureName(this, OutputCommands::PictureFilter);
    if (fileName.isEmpty()) return; // cancelled
    读取图片(fileName);
}

void 文本录入::读取图片(const QString& fileName) {
    const PictureReading::Found found = PictureReading::PayloadOf(fileName);
    if (!found.payload) {
        UserMessages::Show(found.message, UserMessages::AppTitle, UserMessages::Icon::Warning);
        return;
    }
    const PayloadReader::PageFields read = PayloadReader::Read(found.payload->toStdString());
    QStringList fields;
    for (const std::string& field : read.fields) fields.append(QString::fromStdString(field));
    选项卡标签->setCurrentIndex(read.page);
    setPageFields(read.page, fields);
}

// The inverse of pageFields: each field as the page's payload carries it.
void 文本录入::setPageFields(int page, const QStringList& f) {
    switch (page) {
    case 0: Text普通文本[0].setText(f.value(0)); break;
    case 1:
        Texti收件人->setText(f.value(0));
        Text邮件主题->setText(f.value(1));
        Text普通文本[1].setText(f.value(2));
        break;
    case 2:
        Text普通文本[2].setText(f.value(0));
        Text3->setText(f.value(1));
        break;
    case 3:
        Text6->setText(f.value(0));
        Text普通文本[3].setText(f.value(1));
        break;
    case 4:
        Text姓名->setText(f.value(0));
        Text单位->setText(f.value(1));
        Text手机->setText(f.value(2));
        Text职位->setText(f.value(3));
        Text普通文本[4].setText(f.value(4));
        Text7->setText(f.value(5));
        Text地址->setText(f.value(6));
        break;
    case 无线网络页:
        Text普通文本[无线网络页].setText(f.value(0));
        Text密码->setText(f.value(1));
        Combo加密方式->setCurrentIndex(std::max(0, Combo加密方式->findData(f.value(2))));
        Check隐藏网络->setChecked(f.value(3) == QLatin1String("true"));
        break;
    default: break;
    }
}

// A local file dragged over the window is taken, and read once the drop has ended; anything
// else dragged (text) goes where it would.
bool 文本录入::takePictureDrop(QEvent* event) {
    // QDragEnterEvent and QDragMoveEvent are drop events too.
    auto* drop = static_cast<QDropEvent*>(event);
    const QMimeData* data = drop->mimeData();
    if (!data || !data->hasUrls()) return false;
    QStringList files;
    for (const QUrl& url : data->urls())
        if (url.isLocalFile()) files << url.toLocalFile();
    if (files.isEmpty()) return false;
    drop->setDropAction(Qt::CopyAction);
    drop->accept();
    if (event->type() != QEvent::Drop) return true;
    // The dragging program waits for the drop to finish: no message box inside it.
    QTimer::singleShot(0, this, [this, files] {
        if (files.size() == 1)
            读取图片(files.front());
        else
            UserMessages::Show(PictureReading::OneFileAtATime, UserMessages::AppTitle,
                               UserMessages::Icon::Warning);
    });
    return true;
}
