#include "tests/platform/InputListFixture.h"

#include "tests/platform/IBusSettings.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cstdlib>

void InputListFixture::SetUp() {
    ASSERT_TRUE(root.isValid());
    setenv("XDG_CONFIG_HOME", Config({}).toLocal8Bit().constData(), 1);
    setenv("XDG_DATA_HOME", (root.path() + QStringLiteral("/home-data")).toLocal8Bit().constData(),
           1);
    setenv("XDG_DATA_DIRS",
           (root.path() + QStringLiteral("/none:") + Data({})).toLocal8Bit().constData(), 1);
    SetIBusPreloadEngines({});
}

void InputListFixture::TearDown() {
    SetIBusPreloadEngines({});
    unsetenv("XMODIFIERS");
}

QString InputListFixture::Config(const QString& relative) const {
    return root.path() + QStringLiteral("/config/") + relative;
}

QString InputListFixture::Data(const QString& relative) const {
    return root.path() + QStringLiteral("/data/") + relative;
}

void InputListFixture::WriteFile(const QString& path, const QString& text) const {
    ASSERT_TRUE(QDir().mkpath(QFileInfo(path).path()));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(text.toUtf8());
}

void InputListFixture::WriteFcitx5Profile(const QStringList& names) {
    QString text = QStringLiteral("[Groups/0]\n# Group Name\nName=默认\nDefault Layout=us\n\n");
    for (int i = 0; i < names.size(); ++i)
        text += QStringLiteral("[Groups/0/Items/%1]\n# Name\nName=%2\n# Layout\nLayout=\n\n")
                    .arg(i)
                    .arg(names[i]);
    text += QStringLiteral("[GroupOrder]\n0=默认\n");
    WriteFile(Config(QStringLiteral("fcitx5/profile")), text);
}

void InputListFixture::WriteFcitx5Conf(const QString& name, const QString& name_en,
                                       const QString& name_zh) {
    QString text = QStringLiteral("[InputMethod]\nName=%1\n").arg(name_en);
    if (!name_zh.isEmpty()) text += QStringLiteral("Name[zh_CN]=%1\n").arg(name_zh);
    text += QStringLiteral("Icon=fcitx-%1\nLangCode=zh_CN\n").arg(name);
    WriteFile(Data(QStringLiteral("fcitx5/inputmethod/%1.conf").arg(name)), text);
}

void InputListFixture::WriteFcitx4Profile(const QString& enabledImList) {
    WriteFile(Config(QStringLiteral("fcitx/profile")),
              QStringLiteral("[Profile]\nIMName=\nEnabledIMList=%1\n").arg(enabledImList));
}

void InputListFixture::WriteFcitx4TableConf(const QString& name, const QString& name_zh) {
    WriteFile(
        Data(QStringLiteral("fcitx/table/%1.conf").arg(name)),
        QStringLiteral("[CodeTable]\nUniqueName=%1\nName=%1\nName[zh_CN]=%2\n").arg(name, name_zh));
}

void InputListFixture::WriteIBusComponent(const QString& engine, const QString& longname,
                                          const QString& description) {
    const QString text =
        QStringLiteral("<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<component>\n"
                       "  <name>org.example.%1</name>\n  <engines>\n    <engine>\n"
                       "      <name>%1</name>\n      <longname>%2</longname>\n"
                       "      <description>%3</description>\n    </engine>\n  </engines>\n"
                       "</component>\n")
            .arg(engine, longname, description);
    WriteFile(Data(QStringLiteral("ibus/component/%1.xml").arg(QString(engine).replace(':', '-'))),
              text);
}
