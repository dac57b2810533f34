#include "gui/app/LocalPath.h"

#include <QFile>
#include <optional>
#include <system_error>

namespace sundrel::gui {

namespace {

// The one entry of `folder` that Qt shows as `shown`, if there is exactly one.
std::optional<std::filesystem::path> EntryShownAs(const std::filesystem::path& folder,
                                                  const QString& shown) {
    std::optional<std::filesystem::path> found;
    std::error_code ec;
    for (std::filesystem::directory_iterator it(folder, ec), end; !ec && it != end;
         it.increment(ec)) {
        const std::filesystem::path name = it->path().filename();
        if (ShownPath(name) == shown) {
            if (found) {
                return std::nullopt; // two names look alike: neither is taken for the other
            }
            found = name;
        }
    }
    return found;
}

} // namespace

std::filesystem::path LocalPath(const QString& name) {
    const std::filesystem::path encoded(QFile::encodeName(name).toStdString());
    std::error_code ec;
    if (!name.contains(QChar::ReplacementCharacter) ||
        std::filesystem::exists(std::filesystem::symlink_status(encoded, ec))) {
        return encoded;
    }
    std::filesystem::path resolved;
    for (const std::filesystem::path& part : encoded) {
        std::filesystem::path next = resolved / part;
        const QString shown = ShownPath(part);
        if (shown.contains(QChar::ReplacementCharacter) &&
            !std::filesystem::exists(std::filesystem::symlink_status(next, ec))) {
            const auto entry = EntryShownAs(resolved.empty() ? "." : resolved, shown);
            if (entry) {
                next = resolved / *entry;
            }
        }
        resolved = std::move(next);
    }
    return resolved;
}

QString ShownPath(const std::filesystem::path& path) {
    return QFile::decodeName(path.c_str());
}

} // namespace sundrel::gui
