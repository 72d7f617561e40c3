#include "core/settings/defaults_store.h"

#include "core/settings/config.h"

namespace horolux {

int WithDefaults::ReadInt(const std::string& section, const std::string& name, int fallback) {
    if (section != config::kSection) return user_.ReadInt(section, name, fallback);
    return user_.ReadInt(section, name, defaults_.ReadInt(kDefaultsSection, name, fallback));
}

std::string WithDefaults::ReadText(const std::string& section, const std::string& name,
                                   const std::string& fallback) {
    if (section != config::kSection) return user_.ReadText(section, name, fallback);
    return user_.ReadText(section, name, defaults_.ReadText(kDefaultsSection, name, fallback));
}

std::vector<std::string> WithDefaults::ReadTextList(const std::string& section,
                                                    const std::string& name) {
    std::vector<std::string> list = user_.ReadTextList(section, name);
    if (list.empty() && section == config::kSection)
        list = defaults_.ReadTextList(kDefaultsSection, name);
    return list;
}

}  // namespace horolux
