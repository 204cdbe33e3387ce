#include "forms/main/PictureSaving.h"

#include "forms/main/UserMessages.h"

#include <QCursor>
#include <QGuiApplication>
#include <QStringList>

#include <functional>

namespace 保存为PNGJPG {

namespace {

// The wait cursor for the length of one export, restored on every way out.
class WaitCursorGuard {
  public:
    WaitCursorGuard() : active_(qGuiApp != nullptr) {
        if (active_) QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
    }
    ~WaitCursorGuard() {
        if (active_) QGuiApplication::restoreOverrideCursor();
    }
    WaitCursorGuard(const WaitCursorGuard&) = delete;
    WaitCursorGuard& operator=(const WaitCursorGuard&) = delete;

  private:
    bool active_;
};

// The wait cursor while the write lasts, the error message after a failure.
SaveOutcome withCursorAndMessage(const std::function<SaveOutcome()>& write) {
    SaveOutcome outcome;
    {
        WaitCursorGuard waitCursor;
        outcome = write();
    }
    if (!outcome.written)
        UserMessages::Show(ErrorText(outcome), QStringLiteral("错误"),
                           UserMessages::Icon::Information);
    return outcome;
}

} // namespace

SaveOutcome SaveSourceFile(const ImageExport::Source& source, const QString& fileName,
                           const QString& extension, int jpegQuality, int tiffColourDepth,
                           int tiffCompression) {
    return withCursorAndMessage([&] {
        return WriteSourceFile(source, fileName, extension, jpegQuality, tiffColourDepth,
                               tiffCompression);
    });
}

SaveOutcome SavePictureFile(const QImage& picture, const QString& fileName,
                            const QString& extension, int jpegQuality, int tiffColourDepth,
                            int tiffCompression) {
    return withCursorAndMessage([&] {
        return WritePictureFile(picture, fileName, extension, jpegQuality, tiffColourDepth,
                                tiffCompression);
    });
}

QString ErrorText(const SaveOutcome& outcome) {
    return QStringList{QStringLiteral("在保存图片的过程中发生错误:"), QString(),
                       QStringLiteral("错误号:  %1").arg(outcome.errorNumber),
                       QStringLiteral("错误描述:  %1").arg(outcome.description)}
        .join(QStringLiteral("\r\n"));
}

} // namespace 保存为PNGJPG
