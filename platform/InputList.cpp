#include "platform/InputList.h"

#include "platform/ConfigFile.h"
#include "platform/IBusPreloadEngines.h"
#include "platform/InputMethodConfig.h"

#include <map>

namespace InputMethodCheck {
namespace {

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

// ---- Descriptions from the installed .conf files ----

// The Chinese name of an input method from the first of its .conf files that is a regular file,
// else its plain name; empty when none. A file is parsed again only when it changes, so a
// keystroke costs a few stats.
QString descriptionFromConfs(const QString& name, const QStringList& dirs,
                             const QStringList& subfolders) {
    static ConfigFile::ParsedCache<QString> cache;
    if (!InputMethodConfig::IsPlainName(name)) return QString();
    for (const QString& dir : dirs) {
        for (const QString& sub : subfolders) {
            const QString path =
                dir + QLatin1Char('/') + sub + QLatin1Char('/') + name + QStringLiteral(".conf");
            const QString* described = cache.Get(path, [](const QByteArray& bytes) {
                return InputMethodConfig::DescribedName(bytes);
            });
            if (described) return *described;
        }
    }
    return QString();
}

// The first limit entries of a profile, parsed again only when the profile changes.
QStringList profileItems(const QString& path, qsizetype limit,
                         QStringList (*parse)(QByteArrayView, qsizetype)) {
    static ConfigFile::ParsedCache<QStringList> cache;
    const QStringList* items =
        cache.Get(path, [parse](const QByteArray& bytes) { return parse(bytes, MaxEntries); });
    return items ? items->mid(0, limit) : QStringList();
}

// ---- fcitx5: the items of every group in the profile ----

std::vector<Entry> readFcitx5(qsizetype limit) {
    std::vector<Entry> entries;
    const QStringList dirs = dataDirs();
    const QString profile = configHome() + QStringLiteral("/fcitx5/profile");
    for (const QString& name :
         profileItems(profile, limit, InputMethodConfig::Fcitx5ProfileItems)) {
        const bool keyboard = name.startsWith(QLatin1String("keyboard-"));
        const QString description =
            keyboard ? QString()
                     : descriptionFromConfs(name, dirs, {QStringLiteral("fcitx5/inputmethod")});
        entries.push_back({name, description, !keyboard});
    }
    return entries;
}

// ---- fcitx 4: the enabled entries of EnabledIMList ("name:True,name:False,…") ----

std::vector<Entry> readFcitx4(qsizetype limit) {
    std::vector<Entry> entries;
    const QStringList dirs = dataDirs();
    const QString profile = configHome() + QStringLiteral("/fcitx/profile");
    for (const QString& name :
         profileItems(profile, limit, InputMethodConfig::Fcitx4EnabledItems)) {
        const bool keyboard = name.startsWith(QLatin1String("fcitx-keyboard-"));
        const QString description = keyboard
                                        ? QString()
                                        : descriptionFromConfs(name, dirs,
                                                               {QStringLiteral("fcitx/inputmethod"),
                                                                QStringLiteral("fcitx/table")});
        entries.push_back({name, description, !keyboard});
    }
    return entries;
}

// ---- IBus: preload engines, described by the component XML files ----

using InputMethodConfig::EngineTexts;

// Real installations have a few dozen component files; more are not looked at.
constexpr int MaxComponentFiles = 256;
constexpr int MaxFolderEntries = 4096;

// The component files of one folder, listed again only when the folder changes.
QStringList componentFiles(const QString& folder) {
    struct Listing {
        ConfigFile::Stamp stamp;
        std::int64_t listedAtNs = 0;
        QStringList names;
    };
    static std::map<QString, Listing> listings;
    const std::optional<ConfigFile::Stamp> stamp = ConfigFile::FolderStamp(folder);
    if (!stamp) return {};
    Listing& listing = listings[folder];
    if (listing.stamp != *stamp || ConfigFile::RecentlyChanged(*stamp, listing.listedAtNs)) {
        const std::int64_t now = ConfigFile::NowNs();
        listing = {*stamp, now,
                   ConfigFile::ListFolder(folder, QStringLiteral(".xml"), MaxFolderEntries,
                                          MaxComponentFiles)};
    }
    return listing.names;
}

// Describes engines from the component files, searched in IBus's order: the first file that
// names an engine describes it. At most MaxComponentFiles files are looked at.
std::map<QString, QString> describeEngines(const QStringList& engines) {
    static ConfigFile::ParsedCache<EngineTexts> cache;
    std::map<QString, QString> described;
    int looked = 0;
    for (const QString& dir : dataDirs()) {
        const QString folder = dir + QStringLiteral("/ibus/component");
        for (const QString& file : componentFiles(folder)) {
            if (looked++ == MaxComponentFiles || described.size() == std::size_t(engines.size()))
                return described;
            const EngineTexts* texts =
                cache.Get(folder + QLatin1Char('/') + file, InputMethodConfig::ComponentEngines);
            if (texts == nullptr) continue;
            for (const QString& engine : engines) {
                const auto found = texts->find(engine);
                if (found != texts->end() && !described.count(engine))
                    described[engine] =
                        found->second.longname + QLatin1Char(' ') + found->second.description;
            }
        }
    }
    return described;
}

bool isIBusKeyboard(const QString& name) {
    return name.startsWith(QLatin1String("xkb:"));
}

std::vector<Entry> readIBus(qsizetype limit) {
    QStringList names;
    for (const std::string& raw : IBusPreloadEngines(std::size_t(limit)))
        names << QString::fromStdString(raw);
    QStringList engines;
    for (const QString& name : names)
        if (!isIBusKeyboard(name)) engines << name;
    const std::map<QString, QString> described =
        engines.isEmpty() ? std::map<QString, QString>() : describeEngines(engines);
    std::vector<Entry> entries;
    for (const QString& name : names) {
        const auto found = described.find(name);
        entries.push_back(
            {name, found == described.end() ? QString() : found->second, !isIBusKeyboard(name)});
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

std::vector<Entry> readFramework(Framework framework, qsizetype limit) {
    switch (framework) {
    case Framework::Fcitx5: return readFcitx5(limit);
    case Framework::Fcitx4: return readFcitx4(limit);
    case Framework::IBus: return readIBus(limit);
    }
    return {};
}

} // namespace

std::vector<Entry> ReadInputList() {
    // Each framework is asked only for the entries still to be examined, so entries past the
    // 25th are neither described nor even kept.
    std::vector<Entry> list;
    for (Framework framework : frameworkOrder()) {
        const qsizetype remaining = MaxEntries - qsizetype(list.size());
        if (remaining <= 0) break;
        for (Entry& entry : readFramework(framework, remaining)) list.push_back(std::move(entry));
    }
    return list;
}

} // namespace InputMethodCheck
