#pragma once
// The one way visible text is produced: every caption, status word and message is looked
// up by section and dotted key, with the English text compiled in as the default. The
// desktop program plugs its translation files in through SetTextProvider; until it does,
// and whenever the provider has no entry, the default is the answer.

#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace pellvane {

// The translated text of `key` in `section`, or `defaultText` when no translation has it.
std::string GetText(std::string_view section, std::string_view key, std::string_view defaultText);

// A translation source: answers the text for section and key, or nothing when it has none.
using TextProvider =
    std::function<std::optional<std::string>(std::string_view section, std::string_view key)>;

// Installs `provider` for every later lookup (an empty function restores the defaults).
// Meant to be called once at start-up, before any analysis runs, since lookups may come
// from several threads and the provider is read without a lock.
void SetTextProvider(TextProvider provider);

} // namespace pellvane
