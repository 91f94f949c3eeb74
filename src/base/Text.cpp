#include "base/Text.h"

#include <utility>

namespace pellvane {
namespace {

TextProvider& ActiveProvider() {
    static TextProvider provider;
    return provider;
}

} // namespace

std::string GetText(std::string_view section, std::string_view key, std::string_view defaultText) {
    const TextProvider& provider = ActiveProvider();
    if (provider) {
        if (std::optional<std::string> text = provider(section, key)) return std::move(*text);
    }
    return std::string(defaultText);
}

void SetTextProvider(TextProvider provider) {
    ActiveProvider() = std::move(provider);
}

} // namespace pellvane
