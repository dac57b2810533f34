#include "core/split/TrackPlacement.h"

#include "core/io/ErrorText.h"
#include "core/io/UniqueFd.h"
#include "core/io/WriteAll.h"
#include "core/split/NameLines.h"
#include "core/split/SplitTypes.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <fstream>
#include <optional>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace sundrel {

namespace {

constexpr const char* kJournalHead = "sundrel placement 1";

std::function<int(PlacementStep)>& Fault() {
    static std::function<int(PlacementStep)> fault;
    return fault;
}

enum class Done {
    Exchanged, // the temporary name now holds the target's old file
    Renamed,   // the target had no file; the temporary name is gone
    MovedAside // the old file is under the aside name, the temporary name is gone
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

// The entry `path` names itself (a symbolic link is not followed), or nothing.
std::optional<io::FileId> EntryId(const std::filesystem::path& path) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0) {
        return std::nullopt;
    }
    return io::FileId{st.st_dev, st.st_ino};
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

// The system calls of a placement, each behind the fault hook of the tests.
int Exchange(const std::filesystem::path& a, const std::filesystem::path& b) {
    if (const int error = PlacementFault(PlacementStep::Exchange); error != 0) {
        errno = error;
        return -1;
    }
    return ::renameat2(AT_FDCWD, a.c_str(), AT_FDCWD, b.c_str(), RENAME_EXCHANGE);
}
int Rename(const std::filesystem::path& from, const std::filesystem::path& to) {
    if (const int error = PlacementFault(PlacementStep::Rename); error != 0) {
        errno = error;
        return -1;
    }
    return ::rename(from.c_str(), to.c_str());
}
int Remove(const std::filesystem::path& path) {
    if (const int error = PlacementFault(PlacementStep::Remove); error != 0) {
        errno = error;
        return -1;
    }
    return ::unlink(path.c_str());
}

// Puts one temporary in place and sets what was done, or sets `error` and returns false.
bool Place(const Placement& p, Done& done, int& error) {
    const bool exists = ModeOf(p.target) != 0;
    if (exists) {
        if (Exchange(p.temp, p.target) == 0) {
            done = Done::Exchanged;
            return true;
        }
        if (!ExchangeUnsupported(errno)) {
            error = errno;
            return false;
        }
        // No exchange here: the old file steps aside first, so that it can come back.
        if (Rename(p.target, p.aside) != 0) {
            error = errno;
            return false;
        }
        if (Rename(p.temp, p.target) != 0) {
            error = errno;
            Rename(p.aside, p.target);
            return false;
        }
        done = Done::MovedAside;
        return true;
    }
    if (Rename(p.temp, p.target) != 0) {
        error = errno;
        return false;
    }
    done = Done::Renamed;
    return true;
}

// Reverts one placement: the target gets its old file back (or loses its name again) and the
// temporary name holds the new file. False when a name could not be changed back.
bool Undo(const Placement& p, Done done) {
    switch (done) {
    case Done::Exchanged:
        return Exchange(p.temp, p.target) == 0;
    case Done::Renamed:
        return Rename(p.target, p.temp) == 0;
    case Done::MovedAside:
        return Rename(p.target, p.temp) == 0 && Rename(p.aside, p.target) == 0;
    }
    return false;
}

void WriteJournal(const std::filesystem::path& journal, std::span<const Placement> placements,
                  bool done, bool sync) {
    std::string text = std::string(kJournalHead) + "\n" + (done ? "done" : "placing") + "\n";
    for (const Placement& p : placements) {
        text += std::to_string(p.file.device) + " " + std::to_string(p.file.inode) + " " +
                EscapedName(p.temp.filename().string()) + "/" +
                EscapedName(p.aside.filename().string()) + "/" +
                EscapedName(p.target.filename().string()) + "\n";
    }
    // Written whole under a fixed name and renamed over the journal: the folder's lock makes
    // the name this split's alone.
    std::filesystem::path next = journal;
    next += ".new";
    if (const int error = PlacementFault(PlacementStep::Journal); error != 0) {
        Fail(journal, "cannot write", error);
    }
    io::UniqueFd fd(::open(next.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644));
    if (!fd) {
        Fail(journal, "cannot create", errno);
    }
    int error = io::WriteAll(fd.Get(), std::as_bytes(std::span(text.data(), text.size())));
    if (error == 0 && sync && ::fsync(fd.Get()) != 0) {
        error = errno;
    }
    if (error == 0) {
        error = fd.Close();
    }
    if (error == 0 && ::rename(next.c_str(), journal.c_str()) != 0) {
        error = errno;
    }
    if (error != 0) {
        ::unlink(next.c_str());
        Fail(journal, "cannot write", error);
    }
}

struct Journal {
    bool done = false;
    std::vector<Placement> placements;
};

std::optional<Journal> ReadJournal(const std::filesystem::path& journal) {
    std::ifstream in(journal, std::ios::binary);
    std::string line;
    Journal j;
    if (!in || !std::getline(in, line) || line != kJournalHead || !std::getline(in, line) ||
        (line != "done" && line != "placing")) {
        return std::nullopt;
    }
    j.done = line == "done";
    const std::filesystem::path folder = journal.parent_path();
    while (std::getline(in, line)) {
        unsigned long long device = 0;
        unsigned long long inode = 0;
        int used = 0;
        if (std::sscanf(line.c_str(), "%llu %llu %n", &device, &inode, &used) != 2) {
            return std::nullopt;
        }
        const std::string names = line.substr(static_cast<std::size_t>(used));
        const auto first = names.find('/');
        const auto second = first == std::string::npos ? first : names.find('/', first + 1);
        if (second == std::string::npos || names.find('/', second + 1) != std::string::npos) {
            return std::nullopt;
        }
        Placement p;
        p.temp = folder / UnescapedName(names.substr(0, first));
        p.aside = folder / UnescapedName(names.substr(first + 1, second - first - 1));
        p.target = folder / UnescapedName(names.substr(second + 1));
        p.file = {static_cast<dev_t>(device), static_cast<ino_t>(inode)};
        j.placements.push_back(std::move(p));
    }
    return j;
}

// Puts one entry of an unfinished placement back as it was; false when a name stays wrong.
bool RollBack(const Placement& p) {
    const auto target = EntryId(p.target);
    const auto temp = EntryId(p.temp);
    bool ok = true;
    if (target == p.file) {
        if (temp && temp != p.file) {
            ok = Exchange(p.temp, p.target) == 0; // the old file was exchanged to the temporary
        } else if (EntryId(p.aside)) {
            ok = Rename(p.aside, p.target) == 0; // the old file waited aside
        } else {
            ok = Remove(p.target) == 0; // the target had no file before
        }
    } else if (!target && EntryId(p.aside)) {
        ok = Rename(p.aside, p.target) == 0;
    }
    if (EntryId(p.temp) == p.file) {
        Remove(p.temp);
    }
    return ok;
}

// Removes the old file of one entry of a finished placement.
void RemoveOld(const Placement& p) {
    if (EntryId(p.target) != p.file) {
        return; // the names were changed since: leave everything
    }
    if (const auto temp = EntryId(p.temp); temp && temp != p.file) {
        Remove(p.temp);
    }
    if (EntryId(p.aside)) {
        Remove(p.aside);
    }
}

} // namespace

std::filesystem::path PlacementJournal(const std::filesystem::path& folder) {
    return folder / ".sundrel-split-journal";
}

void SetPlacementFault(std::function<int(PlacementStep)> fault) {
    Fault() = std::move(fault);
}

int PlacementFault(PlacementStep step) {
    return Fault() ? Fault()(step) : 0;
}

void CheckTargets(std::span<const Placement> placements) {
    for (const Placement& p : placements) {
        CheckTarget(p.target);
    }
}

void WritePlacementJournal(const std::filesystem::path& journal,
                           std::span<const Placement> placements, bool sync) {
    WriteJournal(journal, placements, false, sync);
}

void PlaceAll(std::span<const Placement> placements, const std::filesystem::path& journal,
              bool sync) {
    std::vector<Done> done;
    done.reserve(placements.size());
    try {
        CheckTargets(placements); // before any name changes
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
        // The moment the new set counts: a run killed after this keeps it.
        WriteJournal(journal, placements, true, sync);
    } catch (const SplitError& e) {
        bool undone = true;
        for (std::size_t i = done.size(); i-- > 0;) {
            undone = Undo(placements[i], done[i]) && undone;
        }
        if (!undone) {
            throw SplitError(SplitError::Side::Track,
                             std::string(e.what()) +
                                 "; some old files could not take their names back yet: the next "
                                 "split into the folder restores them");
        }
        throw SplitError(SplitError::Side::Track,
                         std::string(e.what()) + "; the old files are left as they were");
    }
    for (std::size_t i = 0; i < done.size(); ++i) {
        if (done[i] == Done::Exchanged) {
            Remove(placements[i].temp);
        } else if (done[i] == Done::MovedAside) {
            Remove(placements[i].aside);
        }
    }
    if (PlacementFault(PlacementStep::Remove) == 0) {
        ::unlink(journal.c_str());
    }
}

bool RecoverPlacements(const std::filesystem::path& journal) {
    // A journal being written when its split was killed never counted.
    std::filesystem::path next = journal;
    next += ".new";
    ::unlink(next.c_str());
    if (!EntryId(journal)) {
        return true;
    }
    const std::optional<Journal> j = ReadJournal(journal);
    if (!j) {
        return false; // not a journal this program can read: touch nothing
    }
    bool ok = true;
    for (const Placement& p : j->placements) {
        if (j->done) {
            RemoveOld(p);
        } else {
            ok = RollBack(p) && ok;
        }
    }
    if (ok) {
        ::unlink(journal.c_str());
    }
    return ok;
}

} // namespace sundrel
