// GIO before anything from Qt: its structs have members named like Qt's keyword macros.
#include <gio/gio.h>

#include "platform/IBusPreloadEngines.h"

namespace InputMethodCheck {
namespace {

constexpr const char* SchemaId = "org.freedesktop.ibus.general";
constexpr const char* PreloadKey = "preload-engines";

// Created once and kept: the backend reads the stored value afresh on every get.
GSettings* ibusSettings() {
    static GSettings* settings = []() -> GSettings* {
        GSettingsSchemaSource* source = g_settings_schema_source_get_default();
        if (source == nullptr) return nullptr;
        GSettingsSchema* schema = g_settings_schema_source_lookup(source, SchemaId, TRUE);
        if (schema == nullptr) return nullptr;
        GSettings* made = nullptr;
        if (g_settings_schema_has_key(schema, PreloadKey))
            made = g_settings_new_full(schema, nullptr, nullptr);
        g_settings_schema_unref(schema);
        return made;
    }();
    return settings;
}

} // namespace

std::vector<std::string> IBusPreloadEngines(std::size_t limit) {
    std::vector<std::string> engines;
    GSettings* settings = ibusSettings();
    if (settings == nullptr) return engines;
    gchar** names = g_settings_get_strv(settings, PreloadKey);
    for (gchar** name = names; name != nullptr && *name != nullptr && engines.size() < limit;
         ++name)
        engines.emplace_back(*name);
    g_strfreev(names);
    return engines;
}

} // namespace InputMethodCheck
