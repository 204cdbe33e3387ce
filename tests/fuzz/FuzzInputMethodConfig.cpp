// Arbitrary bytes as every input-method configuration file the check parses. Nothing may crash,
// and what comes out must respect the limits and the line structure of the formats.
#include "platform/InputMethodConfig.h"

#include <cstdint>
#include <cstdlib>

namespace {

void require(bool condition) {
    if (!condition) std::abort();
}

bool isOneLine(const QString& text) {
    return !text.contains(QLatin1Char('\n'));
}

// The first `limit` items are the first items of a longer reading, each on one line.
QStringList checkedItems(QStringList (*parse)(QByteArrayView, qsizetype), QByteArrayView bytes,
                         qsizetype limit) {
    const QStringList all = parse(bytes, 25);
    require(all.size() <= 25);
    require(parse(bytes, limit) == all.mid(0, limit));
    for (const QString& item : all) require(isOneLine(item));
    return all;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) return 0;
    const qsizetype limit = data[0] % 27;
    const QByteArrayView bytes(reinterpret_cast<const char*>(data) + 1, qsizetype(size - 1));
    checkedItems(InputMethodConfig::Fcitx5ProfileItems, bytes, limit);
    // An enabled fcitx 4 entry always has a name before its ":True".
    for (const QString& name : checkedItems(InputMethodConfig::Fcitx4EnabledItems, bytes, limit))
        require(!name.isEmpty());
    require(isOneLine(InputMethodConfig::DescribedName(bytes)));
    const QByteArray xml = QByteArray::fromRawData(bytes.data(), bytes.size());
    for (const auto& [name, text] : InputMethodConfig::ComponentEngines(xml)) {
        require(!name.isEmpty());
        (void)text;
    }
    return 0;
}
