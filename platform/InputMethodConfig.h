#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringList>

#include <map>

// Parsers of the input-method frameworks' configuration files. They take the bytes of a file
// (read elsewhere, bounded) and need nothing but Qt Core, so a fuzzer can drive them directly.
namespace InputMethodConfig {

// fcitx5 profile: the Name of every item of every group ([Groups/N/Items/M]), in file order,
// at most limit of them.
QStringList Fcitx5ProfileItems(QByteArrayView bytes, qsizetype limit);

// fcitx 4 profile: the enabled names of EnabledIMList ("name:True,name:False,…"), at most limit.
QStringList Fcitx4EnabledItems(QByteArrayView bytes, qsizetype limit);

// An input method's .conf: its Chinese name (Name[zh_CN]), else its plain Name, else empty.
QString DescribedName(QByteArrayView bytes);

struct EngineText {
    QString longname;
    QString description;
};

using EngineTexts = std::map<QString, EngineText>;

// IBus component XML: every named <engine> with its long name and description. A malformed
// file yields the engines before the fault.
EngineTexts ComponentEngines(const QByteArray& bytes);

// True when name can be part of a file name in a configuration folder: not empty, no folder
// separator, not "." or "..".
bool IsPlainName(const QString& name);

} // namespace InputMethodConfig
