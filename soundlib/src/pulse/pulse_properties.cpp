#include "pulse_properties.h"

#include "text_encoding.h"

namespace soundlib::pulse {

ProplistPtr applicationProperties() {
    ProplistPtr list(pa_proplist_new());
    pa_proplist_sets(list.get(), PA_PROP_APPLICATION_NAME, kApplicationName);
    pa_proplist_sets(list.get(), PA_PROP_APPLICATION_ID, "sorvel");
    pa_proplist_sets(list.get(), PA_PROP_APPLICATION_ICON_NAME, "sorvel");
    return list;
}

std::string mediaName(const std::string& title) {
    if (title.empty())
        return kDefaultMediaName;
    // The server refuses property text that is not UTF-8.
    return sorvel::text::utf8OrCp932(title);
}

ProplistPtr streamProperties(const std::string& title) {
    ProplistPtr list(pa_proplist_new());
    pa_proplist_sets(list.get(), PA_PROP_MEDIA_ROLE, "music");
    pa_proplist_sets(list.get(), PA_PROP_MEDIA_NAME, mediaName(title).c_str());
    return list;
}

} // namespace soundlib::pulse
