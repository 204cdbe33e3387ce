// Arbitrary bytes through the CSV reader and the field decoding, handed over in chunks of every
// size: records stay within their bounds, lines only go forward, clean text decodes losslessly.
#include "cli/batch/CsvReader.h"
#include "cli/batch/FieldDecoding.h"

#include <QIODevice>

#include <algorithm>
#include <cstdlib>

namespace {

void require(bool condition) {
    if (!condition) std::abort();
}

// A device that hands out at most `chunk` bytes a read, as a pipe may.
class TrickleDevice : public QIODevice {
  public:
    TrickleDevice(QByteArray bytes, qint64 chunk) : bytes_(std::move(bytes)), chunk_(chunk) {
        open(QIODevice::ReadOnly);
    }
    bool isSequential() const override { return true; }

  protected:
    qint64 readData(char* data, qint64 capacity) override {
        const qint64 n = std::min({capacity, chunk_, qint64(bytes_.size()) - position_});
        std::copy_n(bytes_.constData() + position_, n, data);
        position_ += n;
        return n;
    }
    qint64 writeData(const char*, qint64) override { return -1; }

  private:
    QByteArray bytes_;
    qint64 chunk_;
    qint64 position_ = 0;
};

void checkRecord(const CsvRecord& record, const CsvLimits& limits, std::size_t size,
                 const FieldDecoding& utf8) {
    require(!record.fields.isEmpty() && record.fields.size() <= limits.fieldsPerRecord);
    bool blank = true;
    for (const CsvField& field : record.fields) {
        require(field.bytes.size() <= limits.fieldBytes);
        require(field.offset >= 0 && field.offset + field.bytes.size() <= qint64(size));
        blank = blank && field.bytes.isEmpty();
        const FieldDecoding::Text text = utf8.Decode(field);
        if (text.error.isEmpty()) require(text.text.toUtf8() == field.bytes);
    }
    require(!blank);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const FieldDecoding utf8 = *FieldDecoding::Named("UTF-8");
    if (size < 1) return 0;
    // Small bounds, so that short inputs reach them too.
    CsvLimits limits;
    limits.fieldBytes = 64;
    limits.fieldsPerRecord = 8;
    const qint64 chunk = 1 + data[0] % 16;
    TrickleDevice device(QByteArray(reinterpret_cast<const char*>(data) + 1, qsizetype(size - 1)),
                         chunk);
    CsvReader reader(device, limits);
    int lastLine = 0;
    while (const std::optional<CsvRecord> record = reader.Next()) {
        require(record->line > lastLine);
        lastLine = record->line;
        checkRecord(*record, limits, size - 1, utf8);
    }
    require(!reader.Next());
    return 0;
}
