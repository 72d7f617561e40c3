#include "core/text/mnemonic.h"

namespace horolux {

std::string WithoutMnemonic(std::string_view text) {
    std::string plain;
    plain.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '&' && i + 1 < text.size()) ++i;  // "&&" keeps one
        plain += text[i];
    }
    return plain;
}

std::string MnemonicShortcut(std::string_view text) {
    for (std::size_t i = 0; i + 1 < text.size(); ++i) {
        if (text[i] != '&') continue;
        if (text[i + 1] != '&') return std::string("Alt+") + text[i + 1];
        ++i;
    }
    return {};
}

}  // namespace horolux
