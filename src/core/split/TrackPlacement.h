#pragma once

#include <filesystem>
#include <span>

namespace sundrel {

// A finished file under a temporary name and the name it is to take.
struct Placement {
    std::filesystem::path temp;
    std::filesystem::path target;
};

// Throws SplitError (Track) naming the first target that a file cannot replace: a folder, or
// a name that cannot be looked up. A target that does not exist yet is fine.
void CheckTargets(std::span<const Placement> placements);

// Gives every temporary its target's name, all or none. Each temporary is exchanged with an
// existing target (renameat2 RENAME_EXCHANGE), so the old file lives on under the temporary
// name until every placement has succeeded; only then are the old files removed. When a
// placement fails, the ones already made are undone (exchanged back, or a new name removed
// back to its temporary), the targets hold what they held before, the temporaries their new
// files, and SplitError (Track) names the target that failed. On a file system that cannot
// exchange names, an existing target is replaced by a plain rename; such a target keeps its
// new file when a later placement fails.
void PlaceAll(std::span<const Placement> placements);

} // namespace sundrel
