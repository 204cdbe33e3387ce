#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// quorlik-qr run as a script would run it: arguments, standard input, exit status and output.
struct ToolRun {
    int status = -1;
    QByteArray out;
    QByteArray err;
};

ToolRun RunTool(const QStringList& arguments, const QByteArray& input = {},
                const QString& workingDirectory = {});

// A fresh temporary folder per test, removed afterwards.
QString TemporaryFolder();
