#pragma once

#include <string>

namespace sundrel {

// A file name written on one line of the split's record and journal: '\' and line ends are
// escaped ('/' cannot occur in a name, so the journal may join names with it).
std::string EscapedName(const std::string& name);
std::string UnescapedName(const std::string& text);

} // namespace sundrel
