#include "core/analysis/Suggestion.h"

namespace sundrel {

const char* SuggestionKindName(SuggestionKind kind) {
    return kind == SuggestionKind::Silence ? "silence" : "transition";
}

} // namespace sundrel
