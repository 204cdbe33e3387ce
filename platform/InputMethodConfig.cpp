#include "platform/InputMethodConfig.h"

#include <QXmlStreamReader>

#include <functional>

namespace InputMethodConfig {
namespace {

struct KeyValue {
    QString section;
    QString key;
    QString value;
};

// Calls visit with each key=value of a key file (the frameworks' .conf and profile format)
// until it answers false. Comments and lines without a key are skipped.
void forEachKeyValue(QByteArrayView bytes, const std::function<bool(const KeyValue&)>& visit) {
    QString section;
    qsizetype start = 0;
    while (start < bytes.size()) {
        qsizetype end = bytes.indexOf('\n', start);
        if (end < 0) end = bytes.size();
        const QString line = QString::fromUtf8(bytes.sliced(start, end - start)).trimmed();
        start = end + 1;
        if (line.startsWith(QLatin1Char('[')) && line.endsWith(QLatin1Char(']'))) {
            section = line.mid(1, line.size() - 2);
            continue;
        }
        const qsizetype equals = line.indexOf(QLatin1Char('='));
        if (line.startsWith(QLatin1Char('#')) || equals <= 0) continue;
        if (!visit({section, line.left(equals).trimmed(), line.mid(equals + 1).trimmed()})) return;
    }
}

bool isFcitx5Item(const QString& section) {
    return section.startsWith(QLatin1String("Groups/")) &&
           section.contains(QLatin1String("/Items/"));
}

// "name:True" gives name; "name:False" and anything without a state give nothing.
QString enabledName(const QString& item) {
    const qsizetype colon = item.lastIndexOf(QLatin1Char(':'));
    if (colon <= 0) return QString();
    if (item.mid(colon + 1).compare(QLatin1String("True"), Qt::CaseInsensitive) != 0)
        return QString();
    return item.left(colon);
}

// The text of the current element's start tag up to its end, or empty when it holds markup.
QString elementText(QXmlStreamReader& xml) {
    return xml.readElementText(QXmlStreamReader::SkipChildElements).trimmed();
}

void readEngine(QXmlStreamReader& xml, EngineTexts& engines) {
    QString name;
    EngineText text;
    while (xml.readNextStartElement()) {
        const QStringView tag = xml.name();
        if (tag == QLatin1String("name"))
            name = elementText(xml);
        else if (tag == QLatin1String("longname"))
            text.longname = elementText(xml);
        else if (tag == QLatin1String("description"))
            text.description = elementText(xml);
        else
            xml.skipCurrentElement();
    }
    if (!xml.hasError() && !name.isEmpty()) engines[name] = text;
}

} // namespace

QStringList Fcitx5ProfileItems(QByteArrayView bytes, qsizetype limit) {
    QStringList items;
    if (limit <= 0) return items;
    forEachKeyValue(bytes, [&](const KeyValue& pair) {
        if (isFcitx5Item(pair.section) && pair.key == QLatin1String("Name")) items << pair.value;
        return items.size() < limit;
    });
    return items;
}

QStringList Fcitx4EnabledItems(QByteArrayView bytes, qsizetype limit) {
    QStringList items;
    if (limit <= 0) return items;
    forEachKeyValue(bytes, [&](const KeyValue& pair) {
        if (pair.key != QLatin1String("EnabledIMList")) return true;
        for (const QStringView item : QStringView(pair.value).split(QLatin1Char(','))) {
            const QString name = enabledName(item.toString());
            if (!name.isEmpty()) items << name;
            if (items.size() == limit) return false;
        }
        return true;
    });
    return items;
}

QString DescribedName(QByteArrayView bytes) {
    QString plain;
    QString chinese;
    forEachKeyValue(bytes, [&](const KeyValue& pair) {
        if (pair.key == QLatin1String("Name[zh_CN]")) {
            chinese = pair.value;
            return false;
        }
        if (pair.key == QLatin1String("Name") && plain.isEmpty()) plain = pair.value;
        return true;
    });
    return chinese.isEmpty() ? plain : chinese;
}

EngineTexts ComponentEngines(const QByteArray& bytes) {
    EngineTexts engines;
    QXmlStreamReader xml(bytes);
    while (!xml.atEnd() && !xml.hasError()) {
        xml.readNext();
        if (xml.isStartElement() && xml.name() == QLatin1String("engine")) readEngine(xml, engines);
    }
    return engines;
}

bool IsPlainName(const QString& name) {
    return !name.isEmpty() && !name.contains(QLatin1Char('/')) && !name.contains(QChar(0)) &&
           name != QLatin1String(".") && name != QLatin1String("..");
}

} // namespace InputMethodConfig
