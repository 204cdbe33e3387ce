#pragma once

#include "cli/batch/CsvReader.h"

#include <QByteArrayView>
#include <QString>
#include <QStringDecoder>

#include <optional>
#include <string>

// Turns the bytes of CSV fields into text in the file's encoding, through Qt's converters (ICU
// for the legacy ones, GB18030 among them). Bytes that are not valid in that encoding are an
// error, never a silent replacement character.
class FieldDecoding {
  public:
    // Nothing when Qt knows no such encoding, or when it does not write ASCII as ASCII (UTF-16,
    // UTF-32): the CSV is split at ASCII bytes before anything is decoded.
    static std::optional<FieldDecoding> Named(const std::string& name);

    struct Text {
        QString text;
        QString error; // "invalid UTF-8 at byte 1234 of the file"
    };
    Text Decode(const CsvField& field) const;
    QString name() const { return name_; }

  private:
    explicit FieldDecoding(const QString& name) : name_(name) {}
    // A fresh decoder for every field: resetting one built on ICU does not reliably restore it.
    QStringDecoder decoder() const;
    bool decodesCleanly(QByteArrayView bytes) const;
    qsizetype firstInvalidByte(const QByteArray& bytes) const;

    QString name_;
};
