#include <gio/gio.h>

#include "tests/platform/IBusSettings.h"

void SetIBusPreloadEngines(const std::vector<std::string>& engines) {
    std::vector<const gchar*> names;
    for (const std::string& engine : engines) names.push_back(engine.c_str());
    names.push_back(nullptr);
    GSettings* settings = g_settings_new("org.freedesktop.ibus.general");
    g_settings_set_strv(settings, "preload-engines", names.data());
    g_object_unref(settings);
}
