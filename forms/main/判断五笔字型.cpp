#include "判断五笔字型.h"

#include "IBusPreloadEngines.h"
#include "ProgramExit.h"
#include "UserMessages.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QXmlStreamReader>

#include <map>

namespace InputMethodCheck {
namespace {

const QString WubiText = QStringLiteral("五笔");
// What a plain keyboard layout is described as; it never contains the search text.
const QString KeyboardDescription = QStringLiteral("English   (American)");

enum class Framework { Fcitx5, Fcitx4, IBus };

// ---- Where the configuration lives ----

QString homeDir() {
    return QString::fromLocal8Bit(qgetenv("HOME"));
}

QString envOr(const char* name, const QString& fallback) {
    const QString value = QString::fromLocal8Bit(qgetenv(name));
    return value.isEmpty() ? fallback : value;
}

QString configHome() {
    return envOr("XDG_CONFIG_HOME", homeDir() + QStringLiteral("/.config"));
}

// XDG_DATA_HOME first, then XDG_DATA_DIRS, the order the frameworks themselves search.
QStringList dataDirs() {
    QStringList dirs{envOr("XDG_DATA_HOME", homeDir() + QStringLiteral("/.local/share"))};
    dirs += envOr("XDG_DATA_DIRS", QStringLiteral("/usr/local/share:/usr/share"))
                .split(QLatin1Char(':'), Qt::SkipEmptyParts);
    return dirs;
}

// ---- Minimal key file reading (the frameworks' .conf and profile files) ----

struct KeyValue {
    QString section;
    QString key;
    QString value;
};

std::vector<KeyValue> readKeyFile(const QString& path) {
    std::vector<KeyValue> pairs;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) return pairs;
    QString section;
    const QStringList lines = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'));
    for (const QString& raw : lines) {
        const QString line = raw.trimmed();
        if (line.startsWith(QLatin1Char('[')) && line.endsWith(QLatin1Char(']'))) {
            section = line.mid(1, line.size() - 2);
            continue;
        }
        const qsizetype equals = line.indexOf(QLatin1Char('='));
        if (line.startsWith(QLatin1Char('#')) || equals <= 0) continue;
        pairs.push_back({section, line.left(equals).trimmed(), line.mid(equals + 1).trimmed()});
    }
    return pairs;
}

// The Chinese name of an input method from its .conf, else its plain name; empty when none.
QString describedName(const QString& confPath) {
    QString plain;
    for (const KeyValue& pair : readKeyFile(confPath)) {
        if (pair.key == QLatin1String("Name[zh_CN]")) return pair.value;
        if (pair.key == QLatin1String("Name") && plain.isEmpty()) plain = pair.value;
    }
    return plain;
}

// Installed .conf files are parsed again only when they change: a keystroke costs a few stats.
struct CachedName {
    QDateTime modified;
    qint64 size = -1;
    QString name;
};

QString cachedDescribedName(const QFileInfo& info) {
    static std::map<QString, CachedName> cache;
    CachedName& slot = cache[info.filePath()];
    if (slot.modified != info.lastModified() || slot.size != info.size())
        slot = {info.lastModified(), info.size(), describedName(info.filePath())};
    return slot.name;
}

QString descriptionFromConfs(const QString& name, const QStringList& dirs,
                             const QStringList& subfolders) {
    for (const QString& dir : dirs) {
        for (const QString& sub : subfolders) {
            const QFileInfo info(dir + QLatin1Char('/') + sub + QLatin1Char('/') + name +
                                 QStringLiteral(".conf"));
            if (info.exists()) return cachedDescribedName(info);
        }
    }
    return QString();
}

// ---- fcitx5: the items of every group in the profile ----

bool isFcitx5Item(const QString& section) {
    return section.startsWith(QLatin1String("Groups/")) &&
           section.contains(QLatin1String("/Items/"));
}

std::vector<Entry> readFcitx5() {
    std::vector<Entry> entries;
    const QStringList dirs = dataDirs();
    const QString profile = configHome() + QStringLiteral("/fcitx5/profile");
    for (const KeyValue& pair : readKeyFile(profile)) {
        if (!isFcitx5Item(pair.section) || pair.key != QLatin1String("Name")) continue;
        const bool keyboard = pair.value.startsWith(QLatin1String("keyboard-"));
        const QString description =
            keyboard
                ? QString()
                : descriptionFromConfs(pair.value, dirs, {QStringLiteral("fcitx5/inputmethod")});
        entries.push_back({pair.value, description, !keyboard});
    }
    return entries;
}

// ---- fcitx 4: the enabled entries of EnabledIMList ("name:True,name:False,…") ----

std::vector<Entry> readFcitx4() {
    std::vector<Entry> entries;
    const QStringList dirs = dataDirs();
    const QString profile = configHome() + QStringLiteral("/fcitx/profile");
    for (const KeyValue& pair : readKeyFile(profile)) {
        if (pair.key != QLatin1String("EnabledIMList")) continue;
        for (const QString& item : pair.value.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
            const qsizetype colon = item.lastIndexOf(QLatin1Char(':'));
            if (colon <= 0 ||
                item.mid(colon + 1).compare(QLatin1String("True"), Qt::CaseInsensitive) != 0)
                continue;
            const QString name = item.left(colon);
            const bool keyboard = name.startsWith(QLatin1String("fcitx-keyboard-"));
            const QString description =
                keyboard ? QString()
                         : descriptionFromConfs(name, dirs,
                                                {QStringLiteral("fcitx/inputmethod"),
                                                 QStringLiteral("fcitx/table")});
            entries.push_back({name, description, !keyboard});
        }
    }
    return entries;
}

// ---- IBus: preload engines, described by the component XML files ----

struct EngineText {
    QString longname;
    QString description;
};

using EngineTexts = std::map<QString, EngineText>;

EngineTexts parseComponent(const QString& path) {
    EngineTexts engines;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return engines;
    QXmlStreamReader xml(&file);
    bool inEngine = false;
    EngineText current;
    QString name;
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement() && xml.name() == QLatin1String("engine")) {
            inEngine = true;
            current = {};
            name.clear();
        } else if (xml.isEndElement() && xml.name() == QLatin1String("engine")) {
            inEngine = false;
            if (!name.isEmpty()) engines[name] = current;
        } else if (inEngine && xml.isStartElement()) {
            const auto tag = xml.name().toString();
            if (tag == QLatin1String("name"))
                name = xml.readElementText().trimmed();
            else if (tag == QLatin1String("longname"))
                current.longname = xml.readElementText().trimmed();
            else if (tag == QLatin1String("description"))
                current.description = xml.readElementText().trimmed();
        }
    }
    return engines;
}

// Component files are parsed again only when they change, so a keystroke costs a few stats.
struct CachedComponent {
    QDateTime modified;
    qint64 size = -1;
    EngineTexts engines;
};

const EngineTexts& componentEngines(const QFileInfo& info) {
    static std::map<QString, CachedComponent> cache;
    CachedComponent& slot = cache[info.filePath()];
    if (slot.modified != info.lastModified() || slot.size != info.size()) {
        slot = {info.lastModified(), info.size(), parseComponent(info.filePath())};
    }
    return slot.engines;
}

QString ibusDescription(const QString& engine) {
    for (const QString& dir : dataDirs()) {
        const QDir components(dir + QStringLiteral("/ibus/component"));
        const QFileInfoList files =
            components.entryInfoList({QStringLiteral("*.xml")}, QDir::Files, QDir::Name);
        for (const QFileInfo& info : files) {
            const EngineTexts& engines = componentEngines(info);
            const auto found = engines.find(engine);
            if (found != engines.end())
                return found->second.longname + QLatin1Char(' ') + found->second.description;
        }
    }
    return QString();
}

std::vector<Entry> readIBus() {
    std::vector<Entry> entries;
    for (const std::string& raw : IBusPreloadEngines()) {
        const QString name = QString::fromStdString(raw);
        const bool keyboard = name.startsWith(QLatin1String("xkb:"));
        entries.push_back({name, keyboard ? QString() : ibusDescription(name), !keyboard});
    }
    return entries;
}

// ---- Which frameworks, in which order ----

bool mentions(const char* variable, const char* framework) {
    return qgetenv(variable).toLower().contains(framework);
}

// The framework the session names comes first; the others follow, since the user can switch
// to any configured one. The combined list is then cut at MaxEntries.
std::vector<Framework> frameworkOrder() {
    const bool ibusFirst =
        mentions("XMODIFIERS", "@im=ibus") ||
        (!mentions("XMODIFIERS", "@im=fcitx") &&
         (mentions("QT_IM_MODULE", "ibus") || mentions("GTK_IM_MODULE", "ibus")));
    if (ibusFirst) return {Framework::IBus, Framework::Fcitx5, Framework::Fcitx4};
    return {Framework::Fcitx5, Framework::Fcitx4, Framework::IBus};
}

std::vector<Entry> readFramework(Framework framework) {
    switch (framework) {
    case Framework::Fcitx5: return readFcitx5();
    case Framework::Fcitx4: return readFcitx4();
    case Framework::IBus: return readIBus();
    }
    return {};
}

bool containsWubi(const QString& text) {
    return text.contains(QLatin1String("wubi"), Qt::CaseInsensitive);
}

bool isWubi(const Entry& entry) {
    const QString description = entry.isInputMethod ? entry.description : KeyboardDescription;
    if (description.contains(WubiText)) return true;
    // Linux configurations often name Wubi only in pinyin ("table:wubi-jidian86", "wubi86"),
    // with no Chinese description to search, so "wubi" in any letter case counts as well.
    return entry.isInputMethod && (containsWubi(entry.name) || containsWubi(description));
}

} // namespace

std::vector<Entry> ReadInputList() {
    std::vector<Entry> list;
    for (Framework framework : frameworkOrder()) {
        for (Entry& entry : readFramework(framework)) {
            if (list.size() == MaxEntries) return list;
            list.push_back(std::move(entry));
        }
    }
    return list;
}

std::optional<int> 判断五笔字型(const std::vector<Entry>& list) {
    if (list.empty()) return std::nullopt;
    const std::size_t examined = std::min<std::size_t>(list.size(), MaxEntries);
    for (std::size_t k = 0; k < examined; ++k) {
        if (isWubi(list[k])) return 1;
    }
    return 0;
}

std::optional<int> 判断五笔字型() {
    return 判断五笔字型(ReadInputList());
}

void RefuseAndExit() {
    UserMessages::Show(QStringLiteral("发现五笔字型坑害本软件，程序将退出，请你二选一"));
    ProgramExit::Now();
}

} // namespace InputMethodCheck
