#include "cli/batch/Manifest.h"

#include <QCryptographicHash>

namespace {

// A CSV field, quoted when it holds a separator, a quote or a line break.
std::string Field(const std::string& text) {
    if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
    std::string quoted = "\"";
    for (const char c : text) quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
    return quoted + '"';
}

std::string Sha256(const QByteArray& bytes) {
    return QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex().toStdString();
}

} // namespace

Manifest::Manifest()
    : text_("row,file,kind,version,level,payload_bytes,payload_sha256,verified,outcome\n") {}

void Manifest::Add(const PlannedRow& row, const RowFacts& facts, const QString& error) {
    text_ += std::to_string(row.number) + ',' + Field(facts.file) + ',' +
             Field(row.kind.toStdString()) + ',' + facts.version + ',' + facts.level + ',' +
             std::to_string(row.payload.size()) + ',' +
             (row.payload.isEmpty() ? "" : Sha256(row.payload)) + ',' +
             (facts.verified ? "verified" : "") + ',' +
             Field(error.isEmpty() ? std::string("written") : error.toStdString()) + '\n';
}

FileAccess::Error Manifest::Write(const std::string& path) const {
    return FileAccess::ReplaceFile(path, text_);
}
