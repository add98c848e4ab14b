// What a commit is about to do, written before its first rename into the
// administrators-only store, so that the next run can undo a commit that a kill
// interrupted. Text in the ANSI code page, one item a line, CR LF:
//   Tarnwhistle commit 1
//   open|final
//   appdir<TAB><application directory as the run held it, ending in "\">
//   record<TAB><full path><TAB><hex of its previous bytes, or "none">  (optional)
//   new|replaces<TAB><destination under appdir><TAB><staged name><TAB><aside name>
//   created<TAB><destination under appdir>
//   sha256<TAB><64 hex digits of every byte before this line>
// A destination is a plain name or "Driver\" and a plain name; the staged and
// aside files are plain names in the destination's folder. "replaces": a file was
// at the destination before the commit, so one that is still there was never
// touched unless its aside file exists. "created": there was none, and the run
// made its new file under the destination's own name.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "install/install_system.h"

namespace tw {

struct JournalEntry {
    std::string destination;  // "x.dll" or "Driver\x.dll"
    std::string staged;       // "tw1A2B.tmp"; empty when created at the destination
    std::string aside;        // "tw1A2B.old"; empty when created at the destination
    bool replaces = false;

    friend bool operator==(const JournalEntry&, const JournalEntry&) = default;
};

struct CommitJournal {
    bool final = false;  // every file is in place and listed: only the aside files are left
    std::string appDir;
    std::string recordPath;                   // empty: the record is left as it is
    std::optional<std::string> recordBefore;  // nothing: there was no record
    std::vector<JournalEntry> entries;        // in the commit's order

    friend bool operator==(const CommitJournal&, const CommitJournal&) = default;
};

// The name a staged file's destination is set aside under: the staged name with
// ".old" for its extension, in the same folder.
std::string AsideNameFor(std::string_view staged);

// The journal's bytes; nothing when a name does not fit its rules.
std::optional<std::string> FormatCommitJournal(const CommitJournal& journal);
// The journal the bytes hold; nothing for anything FormatCommitJournal never writes.
std::optional<CommitJournal> ParseCommitJournal(std::string_view bytes);

// What the next run did with the files of a journal.
struct CommitRecovery {
    int putBack = 0;                  // aside files given their destination back
    std::vector<std::string> failed;  // full paths that could not be dealt with
};

// Holds the journal's application directory (and its Driver\) as the
// installation does, never through a link, and works only inside it: an
// unfinished commit is undone in reverse, a final one has its aside files deleted.
// A folder that cannot be held is named in failed, and nothing in it is touched.
CommitRecovery RecoverCommitFiles(const CommitJournal& journal, InstallSystem& system);

}  // namespace tw
