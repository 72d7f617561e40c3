#pragma once
// A control's text as a screen reader says it: the '&' that marks the access key is not read
// ("&&" is a literal '&'), and the key it marks is named as readers name it ("Alt+S").
#include <string>
#include <string_view>

namespace horolux {

std::string WithoutMnemonic(std::string_view text);
// Empty when the text marks no key.
std::string MnemonicShortcut(std::string_view text);

}  // namespace horolux
