// The output commands of the main window: save, copy, browse, clear and exit.
#include "forms/main/OutputCommands.h"

#include "composition/PayloadBytes.h"
#include "composition/SymbolComposition.h"
#include "composition/SymbolJob.h"
#include "encoder/clsQRCode.h"
#include "forms/generator/PictureHolder.h"
#include "forms/main/PictureReading.h"
#include "forms/main/PictureSaving.h"
#include "forms/main/ProgramExit.h"
#include "forms/main/UserMessages.h"
#include "forms/main/文本录入.h"
#include "raster/plain/FileFormats.h"
#include "reading/LogoPicture.h"

#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QFile>
#include <QGuiApplication>
#include <QLineEdit>
#include <QStringList>

#include <exception>

namespace OutputCommands {

// Each format's own extension (FileFormats' name), as the window has always taken them: the
// name's last four characters, so ".jpeg" and ".tiff" are not among them.
QString AcceptedSaveExtension(const QString& fileName) {
    const QString extension = fileName.right(4).toLower();
    for (const FileFormats::Row& row : FileFormats::Table())
        if (extension ==
            QLatin1Char('.') + QLatin1String(row.name.data(), qsizetype(row.name.size())))
            return extension;
    return QString();
}

QString NothingUntilFilled(const QString& reason, const QString& action) {
    return QStringLiteral("这一页没有生成二维码：%1。所以没有图片可以%2。").arg(reason, action);
}

bool IsVector(const QString& extension) {
    const std::optional<FileFormats::Format> format =
        FileFormats::Named(extension.mid(1).toStdString());
    return format && FileFormats::RowOf(*format).vector;
}

} // namespace OutputCommands

namespace {

constexpr int kJpegQuality = 90;
constexpr int kTiffColourDepth = 24;
constexpr int kTiffCompression = 6;

// Why a chosen logo was refused: missing, not a regular file, unreadable, or no picture at all.
QString LogoRefusal(const PictureReader::Outcome& outcome) {
    if (outcome.failure != PictureReader::Failure::FileAccess) return OutputCommands::NotAPicture;
    switch (outcome.fileError) {
    case FileAccess::ErrorKind::NotFound: return OutputCommands::NoSuchFile;
    case FileAccess::ErrorKind::WrongKind: return OutputCommands::NotARegularFile;
    default:
        return QStringLiteral("无法读取这个文件：%1。")
            .arg(PictureReading::FileProblem(outcome.fileError));
    }
}

} // namespace

bool 文本录入::refuseWithoutSymbol(int page, const QString& tooLong, const QString& action) {
    if (PageHasSymbol(page)) return false;
    const QString& missing = missingField_[page];
    UserMessages::Show(missing.isEmpty() ? tooLong
                                         : OutputCommands::NothingUntilFilled(missing, action));
    return true;
}

void 文本录入::Command保存_Click(int) {
    const int page = SelectedPage();
    if (refuseWithoutSymbol(page, OutputCommands::NothingToSave, QStringLiteral("保存"))) return;
    const QString fileName = 文件对话框.askSaveName(this, OutputCommands::SaveFilter);
    if (fileName.isEmpty()) return; // cancelled
    const QString extension = OutputCommands::AcceptedSaveExtension(fileName);
    if (extension.isEmpty()) {
        UserMessages::Show(OutputCommands::FormatError);
        return;
    }
    const 保存为PNGJPG::SaveOutcome outcome =
        OutputCommands::IsVector(extension)
            ? saveVector(page, fileName)
            : 保存为PNGJPG::SavePictureFile(Image1[page]->picture(), fileName, extension,
                                            kJpegQuality, kTiffColourDepth, kTiffCompression);
    // A failed write has already been reported with its error message.
    if (outcome.written) UserMessages::Show(OutputCommands::Saved);
}

// The page's last symbol drawn again as vectors, with the logo it carried: the same symbol
// as the preview, at any print size.
保存为PNGJPG::SaveOutcome 文本录入::saveVector(int page, const QString& fileName) {
    clsQRCode encoder;
    const QImage& logo = shownLogo_[page];
    const QByteArray utf8 = PayloadBytes::ToUtf8(shownPayload_[page]);
    const std::optional<QRSymbol> symbol =
        SymbolJob::Encode(encoder, SymbolJob::WindowRequest(utf8, !logo.isNull()));
    ImageExport::Source source;
    if (symbol) {
        source.symbol = &*symbol;
        source.logo = logo;
        // At least the preview's size.
        const int modules = symbol->side() + 2 * source.margin;
        source.scale = (SymbolComposition::PictureSide + modules - 1) / modules;
    }
    return 保存为PNGJPG::SaveSourceFile(source, fileName,
                                        OutputCommands::AcceptedSaveExtension(fileName),
                                        kJpegQuality, kTiffColourDepth, kTiffCompression);
}

void 文本录入::Command复制_Click(int i) {
    if (refuseWithoutSymbol(i, OutputCommands::NothingToCopy, QStringLiteral("复制"))) return;
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (!clipboard) {
        UserMessages::Show(OutputCommands::NoClipboard);
        return;
    }
    clipboard->clear();
    clipboard->setImage(Image1[i]->picture());
    // Without a working clipboard the picture does not come back.
    if (clipboard->image().isNull()) {
        UserMessages::Show(OutputCommands::NoClipboard);
        return;
    }
    UserMessages::Show(OutputCommands::Copied);
}

void 文本录入::Command浏览_Click(int i) {
    const QString fileName = 文件对话框.askOpenName(this, OutputCommands::BrowseFilter);
    if (fileName.isEmpty()) return; // cancelled
    const LogoPicture::Loaded logo = LogoPicture::Read(QFile::encodeName(fileName).toStdString());
    if (!logo.outcome.ok()) {
        // The path field keeps naming the logo still in use.
        UserMessages::Show(LogoRefusal(logo.outcome));
        return;
    }
    Image2[i]->setPicture(logo.picture);
    Text2[i]->setText(fileName);
    try {
        开始制作二维码(i);
    } catch (const std::exception&) {
        UserMessages::Show(OutputCommands::NotAPicture);
    }
}

void 文本录入::Command清除_Click(int i) {
    Text普通文本[i].setText(QString());
    Check个性图标[i]->setChecked(false);
    switch (i) {
    case 1:
        Texti收件人->setText(QString());
        Text邮件主题->setText(QString());
        break;
    case 2: Text3->setText(QStringLiteral("http://")); break;
    case 3: Text6->setText(QString()); break;
    case 4:
        for (QLineEdit* field : {Text姓名, Text手机, Text地址, Text单位, Text职位, Text7})
            field->setText(QString());
        break;
    case 无线网络页:
        Text密码->setText(QString());
        Combo加密方式->setCurrentIndex(0);
        Check隐藏网络->setChecked(false);
        break;
    default: break;
    }
}

void 文本录入::Command退出_Click(int) {
    ProgramExit::Now();
}
