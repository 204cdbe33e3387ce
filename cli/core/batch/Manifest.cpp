#include "cli/core/batch/Manifest.h"

#include "cli/core/batch/Sha256.h"

#include <cerrno>

namespace {

// A CSV field, quoted when it holds a separator, a quote or a line break.
std::string Field(const std::string& text) {
    if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
    std::string quoted = "\"";
    for (const char c : text) quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
    return quoted + '"';
}

} // namespace

Manifest::Manifest() : spool_(std::tmpfile()) {
    if (spool_)
        std::fputs("row,file,kind,version,level,payload_bytes,payload_sha256,verified,outcome\n",
                   spool_.get());
}

void Manifest::Add(const PlannedRow& row, const RowFacts& facts, const std::string& error) {
    if (!spool_) return;
    const std::string line = std::to_string(row.number) + ',' + Field(facts.file) + ',' +
                             Field(row.kind) + ',' + facts.version + ',' + facts.level + ',' +
                             std::to_string(row.payload.size()) + ',' +
                             (row.payload.empty() ? "" : Sha256Hex(row.payload)) + ',' +
                             (facts.verified ? "verified" : "") + ',' +
                             Field(error.empty() ? std::string("written") : error) + '\n';
    std::fwrite(line.data(), 1, line.size(), spool_.get());
}

// A spool that could not be made or written (a full temporary folder) fails the manifest
// rather than leaving a short one.
FileAccess::Error Manifest::Write(const std::string& path) {
    if (!spool_ || std::fflush(spool_.get()) != 0 || std::ferror(spool_.get())) {
        FileAccess::Error error;
        error.kind =
            errno == ENOSPC ? FileAccess::ErrorKind::NoSpace : FileAccess::ErrorKind::System;
        error.number = errno != 0 ? errno : EIO;
        error.step = FileAccess::Step::Write;
        error.path = path;
        return error;
    }
    return FileAccess::ReplaceFileFrom(path, ::fileno(spool_.get()));
}
