#include "raster/FilePlacement.h"

#include <cerrno>
#include <cstring>

namespace FilePlacement {

using namespace ExportOutcome;

namespace {} // namespace

QString ChineseReason(const FileAccess::Error& error) {
    using FileAccess::ErrorKind;
    switch (error.kind) {
    case ErrorKind::NotFound: return QStringLiteral("文件夹不存在");
    case ErrorKind::AccessDenied:
        return error.number == EROFS ? QStringLiteral("文件系统是只读的")
                                     : QStringLiteral("没有在这里写入的权限");
    case ErrorKind::WriteProtected: return QStringLiteral("文件受写保护，不会被替换");
    case ErrorKind::WrongKind: return QStringLiteral("目标已存在且不是普通文件，不会被替换");
    case ErrorKind::SymbolicLink: return QStringLiteral("名称中有符号链接");
    case ErrorKind::PlantedLink:
        return QStringLiteral("这是其他用户在公共粘滞文件夹中放置的符号链接，不会跟随");
    case ErrorKind::PlantedFile:
        return QStringLiteral("这是其他用户在公共粘滞文件夹中的文件，不会被替换");
    case ErrorKind::NotAFolder: return QStringLiteral("路径中有一部分不是文件夹");
    case ErrorKind::BadName: return QStringLiteral("名称不合法");
    case ErrorKind::NoSpace: return QStringLiteral("磁盘已满");
    case ErrorKind::FileTooBig: return QStringLiteral("文件超过了允许的大小");
    default: break;
    }
    if (error.number == ENAMETOOLONG) return QStringLiteral("文件名太长");
    // Rare causes keep the system's own words.
    return QString::fromLocal8Bit(std::strerror(error.number));
}

namespace {

// The step of the save that failed, by our numbers: the data could not be written, or the file
// could not be made or put in place at all.
SaveError StepOf(const FileAccess::Error& error) {
    using FileAccess::ErrorKind;
    switch (error.kind) {
    case ErrorKind::NoSpace:
    case ErrorKind::FileTooBig:
    case ErrorKind::BrokenPipe: return WriteFailed;
    default: return CannotCreateFile;
    }
}

SaveOutcome Failed(const FileAccess::Error& error, const QString& shownName) {
    const QString text = StepOf(error) == WriteFailed ? QStringLiteral("写入文件 %1 失败: %2")
                                                      : QStringLiteral("无法创建文件 %1: %2");
    return Failure(StepOf(error), text.arg(shownName, ChineseReason(error)));
}

std::string_view View(const QByteArray& bytes) {
    return {bytes.constData(), static_cast<std::size_t>(bytes.size())};
}

} // namespace

SaveOutcome Place(const QByteArray& bytes, const Target& target) {
    FileAccess::ReplaceOptions options;
    options.directory = target.directory;
    const FileAccess::Error error = FileAccess::ReplaceFile(target.path, View(bytes), options);
    if (error.failed())
        return Failed(error, QString::fromStdString(FileAccess::QuotedName(target.path)));
    return SaveOutcome{true, NoError, {}};
}

} // namespace FilePlacement
