#include "core/split/TrackPlacement.h"

#include "core/io/ErrorText.h"
#include "core/split/SplitTypes.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace sundrel {

namespace {

enum class Done {
    Exchanged, // the temporary name now holds the target's old file
    Renamed,   // the target had no file; the temporary name is gone
    Replaced,  // the old file is gone (no exchange on this file system): cannot be undone
};

[[noreturn]] void Fail(const std::filesystem::path& path, const char* what, int error) {
    throw SplitError(SplitError::Side::Track, io::FileErrorText(path, what, error));
}

// 0 when `path` names no entry, else its mode; throws for a name that cannot be looked up.
mode_t ModeOf(const std::filesystem::path& path) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) == 0) {
        return st.st_mode;
    }
    if (errno == ENOENT) {
        return 0;
    }
    Fail(path, "cannot create", errno);
}

void CheckTarget(const std::filesystem::path& target) {
    if (S_ISDIR(ModeOf(target))) {
        throw SplitError(SplitError::Side::Track,
                         target.string() + ": cannot create: a folder has this name");
    }
}

bool ExchangeUnsupported(int error) {
    return error == EINVAL || error == ENOSYS || error == EOPNOTSUPP || error == ENOTSUP;
}

// Puts one temporary in place and sets what was done, or sets `error` and returns false.
bool Place(const Placement& p, Done& done, int& error) {
    const bool exists = ModeOf(p.target) != 0;
    if (exists) {
        if (::renameat2(AT_FDCWD, p.temp.c_str(), AT_FDCWD, p.target.c_str(), RENAME_EXCHANGE) ==
            0) {
            done = Done::Exchanged;
            return true;
        }
        if (!ExchangeUnsupported(errno)) {
            error = errno;
            return false;
        }
    }
    if (::rename(p.temp.c_str(), p.target.c_str()) != 0) {
        error = errno;
        return false;
    }
    done = exists ? Done::Replaced : Done::Renamed;
    return true;
}

// Reverts one placement: the target gets its old file back (or loses its name again) and the
// temporary name holds the new file.
void Undo(const Placement& p, Done done) {
    if (done == Done::Exchanged) {
        ::renameat2(AT_FDCWD, p.temp.c_str(), AT_FDCWD, p.target.c_str(), RENAME_EXCHANGE);
    } else if (done == Done::Renamed) {
        ::rename(p.target.c_str(), p.temp.c_str());
    } // a replaced file keeps its new contents rather than lose both
}

} // namespace

void CheckTargets(std::span<const Placement> placements) {
    for (const Placement& p : placements) {
        CheckTarget(p.target);
    }
}

void PlaceAll(std::span<const Placement> placements) {
    CheckTargets(placements);
    std::vector<Done> done;
    done.reserve(placements.size());
    try {
        for (const Placement& p : placements) {
            Done d{};
            int error = 0;
            // A folder put at the name since the check would be exchanged like a file.
            CheckTarget(p.target);
            if (!Place(p, d, error)) {
                Fail(p.target, "cannot create", error);
            }
            done.push_back(d);
        }
    } catch (...) {
        for (std::size_t i = done.size(); i-- > 0;) {
            Undo(placements[i], done[i]);
        }
        throw;
    }
    for (std::size_t i = 0; i < done.size(); ++i) {
        if (done[i] == Done::Exchanged) {
            ::unlink(placements[i].temp.c_str());
        }
    }
}

} // namespace sundrel
