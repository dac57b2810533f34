#pragma once

#include "core/io/FileIdentity.h"

#include <filesystem>
#include <functional>
#include <span>

namespace sundrel {

// A finished file under a temporary name and the name it is to take, all in one folder.
struct Placement {
    std::filesystem::path temp;   // the new file's temporary name
    std::filesystem::path target; // the name it takes
    // Where the target's old file waits while the names are changed on a file system that
    // cannot exchange two names (see PlaceAll); never an existing file's name.
    std::filesystem::path aside;
    io::FileId file; // the new file itself
};

// The name of the journal of a placement in `folder` (see WritePlacementJournal).
std::filesystem::path PlacementJournal(const std::filesystem::path& folder);

// Throws SplitError (Track) naming the first target that a file cannot replace: a folder, or
// a name that cannot be looked up. A target that does not exist yet is fine.
void CheckTargets(std::span<const Placement> placements);

// Writes the journal `journal` listing `placements` (their temporary and aside names need not
// exist yet): from then on a run that is killed is undone by RecoverPlacements, which tells
// the new files by their identity and never touches another file. `sync` flushes it to disk.
// Throws SplitError (Track).
void WritePlacementJournal(const std::filesystem::path& journal,
                           std::span<const Placement> placements, bool sync);

// Gives every temporary its target's name, all or none. Each temporary is exchanged with an
// existing target (renameat2 RENAME_EXCHANGE), so the old file lives on under the temporary
// name; on a file system that cannot exchange names the old file is first renamed to its
// aside name. Once every placement has succeeded the journal is marked done (the moment the
// new set counts), and only then are the old files removed and the journal with them. When a
// placement fails, the ones already made are undone: the targets hold what they held before,
// the temporaries their new files, and SplitError (Track) names the target that failed.
// A process killed at any moment leaves the old set or the new one, as RecoverPlacements
// finds it.
void PlaceAll(std::span<const Placement> placements, const std::filesystem::path& journal,
              bool sync);

// Finishes what a placement under `journal` left, when the journal exists (its process is
// gone: the caller holds the folder's lock): before the journal was marked done every target
// gets its old file back and the new files are removed; after, the old files are removed.
// Only files whose identity the journal names as new are removed as new. Returns false, and
// keeps the journal for the next attempt, when a name cannot be changed back.
bool RecoverPlacements(const std::filesystem::path& journal);

// For tests: called before each step of a placement (each rename, exchange, removal, journal
// write) with its kind; a non-zero return makes that step fail with it as errno. Empty: none.
enum class PlacementStep { Journal, Link, Exchange, Rename, Remove };
void SetPlacementFault(std::function<int(PlacementStep)> fault);
int PlacementFault(PlacementStep step);

} // namespace sundrel
