#include "install/commit_journal.h"

#include <algorithm>
#include <memory>

#include "common/package_names.h"
#include "common/path_rules.h"
#include "common/sha256.h"
#include "common/text_fields.h"
#include "common/win32_error_codes.h"

namespace tw {

namespace {

constexpr std::string_view kHeader = "Tarnwhistle commit 1\r\n";
constexpr std::string_view kSumField = "sha256\t";

// One name in a folder: never a path, a stream, a pattern or a line of its own.
bool IsPlainName(std::string_view name) {
    if (name.empty() || name == "." || name == ".." || SplitAtSeparators(name).size() != 1)
        return false;
    return std::none_of(name.begin(), name.end(), [](char c) {
        return static_cast<unsigned char>(c) < 0x20 ||
               std::string_view(":*?\"<>|").find(c) != std::string_view::npos;
    });
}

// The destination's name within its folder, when the destination is one a commit writes.
std::optional<std::string_view> DestinationName(std::string_view destination) {
    if (destination.substr(0, kDriverFolder.size()) == kDriverFolder)
        destination.remove_prefix(kDriverFolder.size());
    if (!IsPlainName(destination)) return std::nullopt;
    return destination;
}

bool Valid(const JournalEntry& entry) {
    if (!DestinationName(entry.destination)) return false;
    if (entry.staged.empty()) return entry.aside.empty() && !entry.replaces;  // created
    return IsPlainName(entry.staged) && IsPlainName(entry.aside) && entry.staged != entry.aside;
}

std::optional<std::string> Sum(std::string_view bytes) {
    Sha256 sha;
    sha.Update(bytes.data(), bytes.size());
    std::optional<Sha256Digest> digest = sha.Finish();
    if (!digest) return std::nullopt;
    return ToHex(*digest);
}

bool ParseLine(std::string_view line, CommitJournal& journal) {
    std::string_view f[4];
    if (SplitFields(line, 3, f) && f[0] == "record" && journal.recordPath.empty() &&
        !f[1].empty()) {
        journal.recordPath = f[1];
        if (f[2] == "none") return true;
        journal.recordBefore = BytesFromHex(f[2]);
        return journal.recordBefore.has_value();
    }
    if (SplitFields(line, 2, f) && f[0] == "created")
        f[2] = f[3] = {};  // no staged or aside name
    else if (!SplitFields(line, 4, f) || (f[0] != "new" && f[0] != "replaces"))
        return false;
    JournalEntry entry{std::string(f[1]), std::string(f[2]), std::string(f[3]), f[0] == "replaces"};
    if (!Valid(entry)) return false;
    journal.entries.push_back(std::move(entry));
    return true;
}

}  // namespace

std::string AsideNameFor(std::string_view staged) {
    const std::size_t name = FolderPart(staged).size();
    const std::size_t dot = staged.rfind('.');
    if (dot != std::string_view::npos && dot > name) staged = staged.substr(0, dot);
    return std::string(staged) + ".old";
}

std::optional<std::string> FormatCommitJournal(const CommitJournal& journal) {
    if (!EndsWithSeparator(journal.appDir) ||
        !std::all_of(journal.entries.begin(), journal.entries.end(), Valid) ||
        journal.appDir.find_first_of("\t\r\n") != std::string::npos ||
        journal.recordPath.find_first_of("\t\r\n") != std::string::npos)
        return std::nullopt;
    std::string bytes(kHeader);
    bytes += journal.final ? "final" : "open";
    bytes += kLineEnd;
    bytes += "appdir\t" + journal.appDir;
    bytes += kLineEnd;
    if (!journal.recordPath.empty()) {
        bytes += "record\t" + journal.recordPath + '\t';
        bytes += journal.recordBefore ? HexDigits(*journal.recordBefore) : "none";
        bytes += kLineEnd;
    }
    for (const JournalEntry& entry : journal.entries) {
        bytes += entry.staged.empty() ? "created\t" : entry.replaces ? "replaces\t" : "new\t";
        bytes += entry.destination;
        if (!entry.staged.empty()) bytes += '\t' + entry.staged + '\t' + entry.aside;
        bytes += kLineEnd;
    }
    std::optional<std::string> sum = Sum(bytes);
    if (!sum) return std::nullopt;
    return bytes + std::string(kSumField) + *sum + std::string(kLineEnd);
}

std::optional<CommitJournal> ParseCommitJournal(std::string_view bytes) {
    // The last line sums up every byte before it: a journal cut short, changed or
    // written by anything else is refused whole.
    const std::size_t sumAt = bytes.rfind(kSumField);
    if (sumAt == std::string_view::npos || bytes.substr(0, kHeader.size()) != kHeader ||
        bytes.substr(sumAt) != std::string(kSumField) + Sum(bytes.substr(0, sumAt)).value_or("-") +
                                   std::string(kLineEnd))
        return std::nullopt;
    std::string_view text = bytes.substr(kHeader.size(), sumAt - kHeader.size());
    std::string_view state, appDir;
    if (!NextLine(text, state) || !NextLine(text, appDir) ||
        (state != "open" && state != "final") || appDir.substr(0, 7) != "appdir\t")
        return std::nullopt;
    CommitJournal journal;
    journal.final = state == "final";
    journal.appDir = appDir.substr(7);
    if (!EndsWithSeparator(journal.appDir) || journal.appDir.find('\t') != std::string::npos)
        return std::nullopt;
    for (std::string_view line; NextLine(text, line);)
        if (!ParseLine(line, journal)) return std::nullopt;
    if (!text.empty()) return std::nullopt;  // a line without its end
    return journal;
}

CommitRecovery RecoverCommitFiles(const CommitJournal& journal, InstallSystem& system) {
    CommitRecovery recovery;
    std::unique_ptr<Hold> app = system.HoldFolder(journal.appDir.c_str());
    if (!app) {
        recovery.failed.push_back(journal.appDir);
        return recovery;
    }
    const std::string appPath = app->Path().empty() ? journal.appDir : app->Path();
    std::unique_ptr<Hold> driver;
    std::string driverPath = appPath + std::string(kDriverFolder);
    const bool inDriver =
        std::any_of(journal.entries.begin(), journal.entries.end(), [](const JournalEntry& e) {
            return e.destination.substr(0, kDriverFolder.size()) == kDriverFolder;
        });
    if (inDriver) {
        driver = system.HoldFolder(driverPath.c_str());
        if (!driver)
            recovery.failed.push_back(driverPath);
        else if (!driver->Path().empty())
            driverPath = driver->Path();
    }
    // In reverse, as the run's own undo goes.
    for (auto entry = journal.entries.rbegin(); entry != journal.entries.rend(); ++entry) {
        const std::string_view name = *DestinationName(entry->destination);
        const bool driverFile = name.size() != entry->destination.size();
        if (driverFile && !driver) continue;
        const std::string folder = driverFile ? driverPath : appPath;
        const std::string destination = folder + std::string(name);
        // A file created at its destination is the installation's once final, and
        // the commit's own before.
        if (entry->staged.empty()) {
            if (!journal.final) system.DiscardFile(destination.c_str());
            continue;
        }
        const std::string aside = folder + entry->aside;
        const std::string staged = folder + entry->staged;
        system.DiscardFile(staged.c_str());
        if (journal.final) {
            system.DiscardFile(aside.c_str());
            continue;
        }
        // A file that was not there before is the commit's own.
        if (!entry->replaces) system.DiscardFile(destination.c_str());
        long code = system.PutInPlace(aside.c_str(), destination.c_str());
        if ((code == kErrorAlreadyExists || code == kErrorFileExists) &&
            system.PutInPlace(destination.c_str(), staged.c_str()) == 0) {
            // The file at the destination is moved to the staged name, which is free
            // again, and goes only once the file set aside has taken its place.
            code = system.PutInPlace(aside.c_str(), destination.c_str());
            if (code == 0)
                system.DiscardFile(staged.c_str());
            else
                system.PutInPlace(staged.c_str(), destination.c_str());
        }
        if (code == 0)
            ++recovery.putBack;
        else if (code != kErrorFileNotFound)
            recovery.failed.push_back(destination);
    }
    return recovery;
}

}  // namespace tw
