// The files a run has staged, each held open and still marked for deletion until
// the commit puts it in place or the undo discards it: a run killed while it
// stages leaves none of them behind, as Windows deletes a marked file when its
// last handle goes, with the process if need be. The installed files the commit
// sets aside are held too, so that nobody can rename or delete them, but not
// marked: a run killed during the commit leaves them for the next run, which puts
// them back as the commit's journal says (install/commit_journal.h).
#pragma once

#include <map>
#include <memory>
#include <string>

#include "framework/File.h"
#include "install/copy_outcome.h"

namespace tw {

class StagedFiles {
public:
    // Stages source beside destination through the block copy and keeps the new
    // file open; sourceFile and newFile are the file objects the copy uses.
    CopyOutcome Stage(const char* source, const char* destination);
    CopyOutcome StageThrough(CFile& sourceFile, std::unique_ptr<CFile> newFile, const char* source,
                             const char* destination);
    // Holds a file just set aside until the undo puts it back (Release) or the run
    // lets it go (Discard). A file that cannot be held stays as it is, for the run
    // to delete or put back by its name.
    void HoldAside(const std::string& path);
    // Lets a staged (or held) file outlive its handle, just before it is renamed: its mark
    // cleared and its handle closed. 0 for a path that is not held here.
    long Release(const std::string& path);
    // Marks a held file for deletion and closes it, which deletes it; false for a
    // path that is not held here, or whose mark could not be set.
    bool Discard(const std::string& path);

    // The commit's steps as the install systems take them, over the platform's
    // renames (install/set_aside.h, install/replace_file.h): a file set aside is
    // held; a held file is released before it is renamed; a held file is discarded
    // by closing it, any other by deleting it.
    long SetAside(const char* destination, std::string& aside);
    long PutInPlace(const char* file, const char* destination);
    void DiscardFile(const char* path);
    // For a destination held open without delete sharing, which cannot be set
    // aside: the staged file is released, so that it stays, and replaces the
    // destination at the next restart.
    long PutInPlaceAtRestart(const char* file, const char* destination);
    // Discards a file set aside; one that Windows will not delete yet (a loaded DLL)
    // is deleted at the next restart: true then.
    bool DiscardSetAside(const char* path);

private:
    struct Held {
        std::unique_ptr<CFile> file;
        bool aside;  // set aside, so held unmarked: a failed rename must leave it so
    };
    std::map<std::string, Held> m_open;
};

}  // namespace tw
