#include "install/engine.h"

#include <algorithm>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "common/package_names.h"
#include "common/path_rules.h"
#include "install/destination_trust.h"
#include "install/path_buffer.h"
#include "install/registration_rules.h"
#include "install/staged_installation.h"
#include "install/tool_pool.h"

namespace {

constexpr std::string_view kSearchAll = "*.*";
using tw::kDriverFolder;
using tw::kSupportFolder;
using tw::kToolName;

// One call of the engine: the two normalised roots, the path buffers and the tally.
class Installation {
public:
    Installation(std::string sourceRoot, std::string appDir, InstallSystem& system,
                 tw::InstallEvents& events)
        : m_source(std::move(sourceRoot)),
          m_app(std::move(appDir)),
          m_system(system),
          m_events(events) {}

    // Every copy is staged first; only when all of them are does the installation
    // change, and the DLLs are registered only once every file is in place.
    InstallSummary Run() {
        HoldDestinationFolders();
        SecureDestinationFolders();
        SupportPass();
        DriverPass();
        if (Commit()) {
            RegisterInstalledDlls();
            AwaitRegistrations();
        }
        HandOnHolds();
        return std::move(m_summary);
    }

private:
    // A and then its driver folder, which comes first even when there is nothing to
    // copy into it, are held as folders for the whole run, so that neither can be
    // swapped for a link while files are written. A folder that is a link (or
    // cannot be held) gets no file, and nothing is created through a link.
    void HoldDestinationFolders() {
        // A folder whose path does not fit is not held, and gets no file either.
        if (m_appFolder.Compose({m_app})) m_appHold = HoldFolder(m_appFolder);
        if (!m_appHold) return;
        // From here on A is reached by the path that leads to the folder held, never
        // again through a link that may have been pointed elsewhere since.
        if (!m_appHold->Path().empty()) m_app = m_appHold->Path();
        if (!m_appFolder.Compose({m_app})) m_appHold.reset();
        if (!m_appHold) return;
        m_summary.appFolder = {m_app, m_appHold->Identity()};
        if (!m_driverFolder.Compose({m_app, kDriverFolder})) return;
        m_createdDriverFolder = m_system.CreateFolder(m_driverFolder.c_str());
        m_driverHold = HoldFolder(m_driverFolder);
        if (m_driverHold)
            m_summary.driverFolder = {m_driverFolder.c_str(), m_driverHold->Identity()};
    }

    // A folder that cannot be held is told to the events.
    std::unique_ptr<Hold> HoldFolder(const PathBuffer& folder) {
        std::unique_ptr<Hold> hold = m_system.HoldFolder(folder.c_str());
        if (!hold) m_events.FolderNotHeld(folder.c_str());
        return hold;
    }

    // Each folder held is locked to administrators before its first file.
    void SecureDestinationFolders() {
        if (m_appHold) m_summary.appFolder.locked = m_trust.Secure(m_appFolder.c_str());
        if (m_driverHold) m_summary.driverFolder.locked = m_trust.Secure(m_driverFolder.c_str());
    }

    // Every file of driversupport\ goes to the application directory and to its
    // Driver\; nothing is registered.
    void SupportPass() {
        DirectoryEntry entry;
        std::unique_ptr<FileSearch> search = StartSearch(kSupportFolder, entry);
        if (!search) return;
        do {
            if (tw::IsDirectoryEntry(entry.dwFileAttributes)) continue;
            CopySupportFile(entry.cFileName);
            // After each file (a folder is passed over without a pause) the engine
            // gives up the processor, so that the machine stays responsive while a
            // large package installs.
            m_system.SleepOneMillisecond();
        } while (search->FindNext(entry));
        if (search->Failed()) Fail(kSupportFolder);
    }

    // Every file of Driver\ goes to the application directory's Driver\; each DLL
    // copied is registered at once. The pause comes before each entry, folders too.
    void DriverPass() {
        DirectoryEntry entry;
        std::unique_ptr<FileSearch> search = StartSearch(kDriverFolder, entry);
        if (!search) return;
        do {
            m_system.SleepOneMillisecond();
            if (tw::IsDirectoryEntry(entry.dwFileAttributes)) continue;
            InstallDriverFile(entry.cFileName);
        } while (search->FindNext(entry));
        if (search->Failed()) Fail(kDriverFolder);
    }

    // Null when the folder is absent, cannot be listed or its pattern does not fit;
    // the last two count as a failure of the folder.
    std::unique_ptr<FileSearch> StartSearch(std::string_view folder, DirectoryEntry& first) {
        if (!m_searchPattern.Compose({m_source, folder, kSearchAll})) {
            Fail(folder);
            return nullptr;
        }
        SearchStart start = m_system.FindFirst(m_searchPattern.c_str(), first);
        if (start.unreadable) Fail(folder);
        return std::move(start.search);
    }

    // A source file, or a folder when name is empty, by its path under the package
    // folder. Each listing delivers a name once, so each file is counted once. A
    // listing that broke off left its remaining files uninstalled: the folder
    // counts as failed, so the run is never reported as complete.
    void Fail(std::string_view folder, std::string_view name = {}) {
        std::string file(folder);
        file += name;
        m_summary.failedFiles.push_back(std::move(file));
        m_incomplete = true;
    }

    void CopySupportFile(const std::string& name) {
        if (!m_sourceFile.Compose({m_source, kSupportFolder, name}) ||
            !m_firstDestinationFile.Compose({m_app, name}) ||
            !m_secondDestinationFile.Compose({m_app, kDriverFolder, name})) {
            Fail(kSupportFolder, name);
            return;
        }
        const std::string source = std::string(kSupportFolder) + name;
        bool first = m_appHold && Copy(m_sourceFile, m_firstDestinationFile, source);
        bool second = m_driverHold && Copy(m_sourceFile, m_secondDestinationFile, source);
        if (!first || !second) Fail(kSupportFolder, name);
        // The last copy into A + "regsvr32.exe" (any case names the same file) decides.
        if (tw::IsToolName(name)) {
            m_toolName = name;
            m_toolCopied = first;
        }
    }

    // A DLL is registered once the commit has put every file in place.
    void InstallDriverFile(const std::string& name) {
        if (!m_sourceFile.Compose({m_source, kDriverFolder, name}) ||
            !m_firstDestinationFile.Compose({m_app, kDriverFolder, name}) || !m_driverHold ||
            !Copy(m_sourceFile, m_firstDestinationFile, std::string(kDriverFolder) + name)) {
            Fail(kDriverFolder, name);
            return;
        }
        if (tw::IsRegisteredName(name)) m_dllsToRegister.push_back(name);
    }

    // The copy is staged beside its destination, for the commit.
    bool Copy(const PathBuffer& source, const PathBuffer& destination, std::string sourceName) {
        m_events.CopyBegins(source.c_str());
        tw::CopyOutcome copied = m_system.CopyFileTo(source.c_str(), destination.c_str());
        m_events.Staged(source.c_str(), destination.c_str(), copied);
        if (!copied) return false;
        m_staged.Add(std::move(copied.staged), std::string(destination.view()),
                     std::move(sourceName));
        ++m_summary.filesCopied;
        return true;
    }

    // Puts every staged copy in place when every file was staged (a destination
    // folder not secured bars the registrations only); otherwise, or
    // when a step of the commit fails, undoes the run: the installation is then
    // what it was, and a Driver\ that this run created is gone when empty.
    bool Commit() {
        if (!m_incomplete) {
            std::optional<std::string> failed = m_staged.Commit(m_app);
            if (!failed) {
                m_setAside = m_staged.TakeSetAside(*m_summary.restartPending);
                if (!m_staged.AtRestart().empty()) *m_summary.restartPending = true;
                return true;
            }
            m_summary.failedFiles.push_back(std::move(*failed));
        }
        m_staged.Undo();
        if (m_createdDriverFolder) {
            m_driverHold.reset();  // a held folder cannot be removed
            m_system.RemoveFolder(m_driverFolder.c_str());
        }
        m_summary.filesCopied = 0;
        m_summary.undone = true;
        return false;
    }

    // Each DLL of the driver pass, in its order, once every file is in place.
    void RegisterInstalledDlls() {
        for (const std::string& name : m_dllsToRegister)
            if (m_sourceFile.Compose({m_source, kDriverFolder, name}) &&
                m_firstDestinationFile.Compose({m_app, kDriverFolder, name}))
                Register(name, m_firstDestinationFile, m_sourceFile);
    }

    // Starts the application directory's "regsvr32.exe" from the application
    // directory; the tool is taken from nowhere else. Only the tool and the DLL that
    // this run copied are started, each held from before the start. The record is
    // made whether or not the tool starts. source names the DLL's file in the package.
    void Register(const std::string& name, const PathBuffer& dll, const PathBuffer& source) {
        Registration& record = m_summary.registrations.emplace_back();
        const std::size_t index = m_summary.registrations.size() - 1;
        record.dll = std::string(kDriverFolder) + name;
        record.toolPath = m_app + std::string(kToolName);
        if (!tw::FormatToolParameters(dll.view(), m_toolParameters)) return;
        record.parameters = m_toolParameters.view();
        if (!m_toolPath.Compose({m_app, kToolName}) || !HoldTool()) return;
        if (WaitsForRestart(dll.view())) {
            RegisterAtRestart(record);
            return;
        }
        std::unique_ptr<Hold> heldDll = m_system.HoldCopy(dll.c_str(), source.c_str());
        if (heldDll) m_tools.Start(index, m_app.c_str(), std::move(heldDll));
    }

    // A DLL put in place only at the next restart is registered after it, by the
    // same tool with the same parameters, started by Windows.
    bool WaitsForRestart(std::string_view dll) const {
        const std::vector<std::string>& waiting = m_staged.AtRestart();
        return std::any_of(waiting.begin(), waiting.end(), [&](const std::string& destination) {
            return tw::PathKey(destination) == tw::PathKey(dll);
        });
    }
    void RegisterAtRestart(Registration& record) {
        if (!m_system.RegisterAtRestart(
                {record.toolPath.c_str(), record.parameters.c_str(), m_app.c_str()}))
            return;
        record.outcome = RegistrationOutcome::atRestart;
        *m_summary.restartPending = true;
    }

    // A + "regsvr32.exe", held from before the first start until the engine returns:
    // only when the support pass copied it there, and while it still holds the
    // package's bytes, and never while the destination folders are not trusted.
    // Decided once, at the first DLL.
    bool HoldTool() {
        if (!m_toolDecided) {
            m_toolDecided = true;
            m_trust.CheckFiles();
            PathBuffer packageTool;
            if (!m_trust.Barred() && m_toolCopied &&
                packageTool.Compose({m_source, kSupportFolder, m_toolName}))
                m_toolHold = m_system.HoldCopy(m_toolPath.c_str(), packageTool.c_str());
        }
        return m_toolHold != nullptr;
    }

    // Every hold goes to the summary, so the run lets go only once what was
    // installed has been listed.
    void HandOnHolds() {
        std::vector<std::unique_ptr<Hold>>& holds = m_summary.holds;
        for (std::unique_ptr<Hold>* hold : {&m_appHold, &m_driverHold, &m_toolHold, &m_setAside})
            if (*hold) holds.push_back(std::move(*hold));
        for (std::unique_ptr<Hold>& dll : m_tools.TakeHolds()) holds.push_back(std::move(dll));
    }

    // A tool refused names itself, once, before the DLLs it left unregistered.
    void FailRefusedTool() {
        if (!m_toolDecided || m_toolHold) return;
        if (m_trust.Barred() && m_toolCopied) return;  // the folders were named instead
        std::string tool = std::string(kSupportFolder) + m_toolName;
        std::vector<std::string>& failed = m_summary.failedFiles;
        if (std::find(failed.begin(), failed.end(), tool) == failed.end())
            failed.push_back(std::move(tool));
    }

    // The tools run side by side with the driver pass; the run is judged only once
    // every one has ended or the bound has run out.
    void AwaitRegistrations() {
        FailRefusedTool();
        m_tools.WaitForAll();
        for (const Registration& record : m_summary.registrations)
            if (!record.Succeeded()) m_summary.failedFiles.push_back(record.dll);
    }

    const std::string m_source;  // the package folder, ending in "\"
    std::string m_app;  // the application directory, ending in "\"; once held, its held path
    InstallSystem& m_system;
    tw::InstallEvents& m_events;
    PathBuffer m_searchPattern;
    PathBuffer m_appFolder;
    PathBuffer m_driverFolder;
    PathBuffer m_sourceFile;
    PathBuffer m_firstDestinationFile;
    PathBuffer m_secondDestinationFile;
    PathBuffer m_toolPath;
    tw::ToolParameters m_toolParameters;
    InstallSummary m_summary;
    // Held for the whole call, then handed on with the summary.
    std::unique_ptr<Hold> m_appHold;
    std::unique_ptr<Hold> m_driverHold;
    tw::DestinationTrust m_trust{m_system, m_events, m_summary.failedFiles};
    std::string m_toolName{kToolName};  // the package's name for the tool
    bool m_toolCopied = false;
    bool m_toolDecided = false;
    std::unique_ptr<Hold> m_toolHold;
    tw::ToolPool m_tools{m_system, m_summary.registrations, m_events};
    bool m_createdDriverFolder = false;
    bool m_incomplete = false;                  // a file or a folder of the package was not staged
    std::vector<std::string> m_dllsToRegister;  // the driver pass's DLLs, in its order
    tw::StagedInstallation m_staged{m_system, m_events};
    std::unique_ptr<Hold> m_setAside;  // deletes the files the commit set aside
};

}  // namespace

InstallSummary InstallDriverFiles(CString sourceRoot, CString appDir, InstallSystem& system,
                                  tw::InstallEvents& events) {
    return Installation(tw::WithTrailingSeparator(sourceRoot.GetString()),
                        tw::WithTrailingSeparator(appDir.GetString()), system, events)
        .Run();
}
