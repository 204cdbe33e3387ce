#pragma once

#include <QString>

// The texts and filters of the main window's output commands.
namespace OutputCommands {

// The five picture formats, then SVG, PDF and EPS for print: the symbol as vectors with the logo
// embedded.
inline const QString SaveFilter =
    QStringLiteral("JPG文件(*.jpg)|*.jpg|BMP文件(*.BMP)|*.BMP|GIF文件(*.GIF)|*.GIF|"
                   "PNG文件(*.PNG)|*.png|Tiff文件(*.tif)|*.tif|SVG文件(*.svg)|*.svg|"
                   "PDF 文档(*.pdf)|*.pdf|EPS 矢量图(*.eps)|*.eps");
// Every picture the one picture reader takes, first all together, then one format at a time;
// the reader tells the format from the content, so any file may be tried. Patterns in a list
// are separated by ";".
inline const QString AllPictures =
    QStringLiteral("所有图片(*.png *.jpg *.jpeg *.bmp *.gif *.tif *.tiff *.svg *.svgz)|"
                   "*.png;*.jpg;*.jpeg;*.bmp;*.gif;*.tif;*.tiff;*.svg;*.svgz");
inline const QString PictureFilter =
    AllPictures + QStringLiteral("|PNG文件(*.png)|*.png|JPG文件(*.jpg *.jpeg)|*.jpg;*.jpeg|"
                                 "BMP文件(*.bmp)|*.bmp|GIF文件(*.gif)|*.gif|"
                                 "TIFF文件(*.tif *.tiff)|*.tif;*.tiff|"
                                 "SVG文件(*.svg *.svgz)|*.svg;*.svgz|所有文件(*)|*");
// The logo's open dialog keeps its classic three first, then offers every other picture.
inline const QString BrowseFilter =
    QStringLiteral("JPG文件(*.jpg)|*.jpg|BMP文件(*.BMP)|*.BMP|GIF文件(*.GIF)|*.GIF|") +
    AllPictures +
    QStringLiteral("|PNG文件(*.PNG)|*.png|TIFF文件(*.tif *.tiff)|*.tif;*.tiff|"
                   "SVG文件(*.svg *.svgz)|*.svg;*.svgz|所有文件(*)|*");

inline const QString FormatError = QStringLiteral("文件格式错误，请指定图片格式文件");
inline const QString Saved = QStringLiteral("保存成功!");
inline const QString Copied = QStringLiteral("二维码图像已经复制到了剪贴板");
inline const QString NoSuchFile = QStringLiteral("你给图片文件压根儿就不存在");
// A FIFO, device or folder chosen as a logo: it exists, but is no file to read a picture from.
inline const QString NotARegularFile =
    QStringLiteral("这不是普通文件（而是管道、设备或文件夹之类），不能用作个性图标");
inline const QString NotAPicture = QStringLiteral("这个文件根本就不是图片，再耍我一刀子捅死你");
inline const QString NothingToSave =
    QStringLiteral("内容太长，这一页没有生成二维码，所以没有图片可以保存。请减少内容后再试。");
inline const QString NothingToCopy =
    QStringLiteral("内容太长，这一页没有生成二维码，所以没有图片可以复制。请减少内容后再试。");
// Why the Wi-Fi page has no symbol: a record without these is refused by every reader.
inline const QString WifiNeedsName = QStringLiteral("请填写网络名称");
inline const QString WifiNeedsPassword = QStringLiteral("请填写密码，或把加密方式选为“无密码”");
// Save ("保存") or copy ("复制") on a page whose symbol waits for a field.
QString NothingUntilFilled(const QString& reason, const QString& action);
inline const QString NoClipboard =
    QStringLiteral("剪贴板现在无法使用，二维码图像没有复制。请稍后再试。");

// The save extension: the name's last four characters in lower case, or the empty text when it
// is none of ".jpg", ".gif", ".png", ".bmp", ".tif", ".svg", ".pdf" and ".eps".
QString AcceptedSaveExtension(const QString& fileName);
// ".svg", ".pdf" and ".eps": the page's symbol is drawn again as vectors.
bool IsVector(const QString& extension);

} // namespace OutputCommands
