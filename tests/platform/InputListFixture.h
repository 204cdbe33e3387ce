#pragma once

#include <QStringList>
#include <QTemporaryDir>

#include <gtest/gtest.h>

// A private configuration and data tree: XDG_CONFIG_HOME, XDG_DATA_HOME and XDG_DATA_DIRS all
// point into a temporary folder for the duration of one test.
class InputListFixture : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;

    // fcitx5 profile with one group holding these input methods, in order.
    void WriteFcitx5Profile(const QStringList& names);
    void WriteFcitx5Conf(const QString& name, const QString& name_en, const QString& name_zh);
    void WriteFcitx4Profile(const QString& enabledImList);
    void WriteFcitx4TableConf(const QString& name, const QString& name_zh);
    void WriteIBusComponent(const QString& engine, const QString& longname,
                            const QString& description);

    QString Config(const QString& relative) const;
    QString Data(const QString& relative) const;

    void WriteFile(const QString& path, const QString& text) const;

    QTemporaryDir root;
};
