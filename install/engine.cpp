#include "install/engine.h"

#include <memory>
#include <string>
#include <string_view>
#include <utility>

#include "common/path_rules.h"
#include "install/path_buffer.h"
#include "install/registration_rules.h"

namespace {

constexpr std::string_view kSupportFolder = "driversupport\\";
constexpr std::string_view kDriverFolder = "Driver\\";
constexpr std::string_view kSearchAll = "*.*";
constexpr std::string_view kToolName = "regsvr32.exe";

// One call of the engine: the two normalised roots, the path buffers and the tally.
class Installation {
public:
    Installation(std::string sourceRoot, std::string appDir, InstallSystem& system)
        : m_source(std::move(sourceRoot)), m_app(std::move(appDir)), m_system(system) {}

    InstallSummary Run() {
        // The driver folder comes first, even when there is nothing to copy into it.
        if (m_driverFolder.Compose({m_app, kDriverFolder}))
            m_system.CreateFolder(m_driverFolder.c_str());
        SupportPass();
        DriverPass();
        return m_summary;
    }

private:
    // Every file of driversupport\ goes to A and to A + "Driver\"; nothing is registered.
    void SupportPass() {
        DirectoryEntry entry;
        std::unique_ptr<FileSearch> search = StartSearch(kSupportFolder, entry);
        if (!search) return;
        do {
            if (tw::IsDirectoryEntry(entry.dwFileAttributes)) continue;
            CopySupportFile(entry.cFileName);
            m_system.SleepOneMillisecond();
        } while (search->FindNext(entry));
        CountListingFailure(*search, kSupportFolder);
    }

    // Every file of Driver\ goes to A + "Driver\"; each DLL copied is registered at once.
    void DriverPass() {
        DirectoryEntry entry;
        std::unique_ptr<FileSearch> search = StartSearch(kDriverFolder, entry);
        if (!search) return;
        do {
            m_system.SleepOneMillisecond();
            if (tw::IsDirectoryEntry(entry.dwFileAttributes)) continue;
            InstallDriverFile(entry.cFileName);
        } while (search->FindNext(entry));
        CountListingFailure(*search, kDriverFolder);
    }

    // A listing that broke off left its remaining files uninstalled: the folder
    // counts as failed, so the run is never reported as complete.
    void CountListingFailure(const FileSearch& search, std::string_view folder) {
        if (search.Failed()) m_summary.failedFiles.push_back(m_source + std::string(folder));
    }

    // Null when the folder is missing or cannot be listed, or its pattern does not fit.
    std::unique_ptr<FileSearch> StartSearch(std::string_view folder, DirectoryEntry& first) {
        if (!m_searchPattern.Compose({m_source, folder, kSearchAll})) {
            m_summary.failedFiles.push_back(m_source + std::string(folder));
            return nullptr;
        }
        return m_system.FindFirst(m_searchPattern.c_str(), first);
    }

    void CopySupportFile(const std::string& name) {
        if (!m_sourceFile.Compose({m_source, kSupportFolder, name}) ||
            !m_firstDestinationFile.Compose({m_app, name}) ||
            !m_secondDestinationFile.Compose({m_app, kDriverFolder, name})) {
            m_summary.failedFiles.push_back(name);
            return;
        }
        Copy(m_sourceFile, m_firstDestinationFile);
        Copy(m_sourceFile, m_secondDestinationFile);
    }

    void InstallDriverFile(const std::string& name) {
        if (!m_sourceFile.Compose({m_source, kDriverFolder, name}) ||
            !m_firstDestinationFile.Compose({m_app, kDriverFolder, name})) {
            m_summary.failedFiles.push_back(name);
            return;
        }
        if (Copy(m_sourceFile, m_firstDestinationFile) && tw::IsRegisteredName(name))
            Register(m_firstDestinationFile);
    }

    bool Copy(const PathBuffer& source, const PathBuffer& destination) {
        if (!m_system.CopyFileTo(source.c_str(), destination.c_str())) {
            m_summary.failedFiles.emplace_back(destination.view());
            return false;
        }
        ++m_summary.filesCopied;
        return true;
    }

    // Starts A + "regsvr32.exe" from A; the tool is taken from nowhere else.
    void Register(const PathBuffer& dll) {
        bool started = m_toolPath.Compose({m_app, kToolName}) &&
                       tw::FormatToolParameters(dll.view(), m_toolParameters) &&
                       m_system.StartRegistration(
                           {m_toolPath.c_str(), m_toolParameters.c_str(), m_app.c_str()});
        ++(started ? m_summary.registrationsStarted : m_summary.registrationsFailed);
    }

    const std::string m_source;  // S, ending in "\"
    const std::string m_app;     // A, ending in "\"
    InstallSystem& m_system;
    PathBuffer m_searchPattern;
    PathBuffer m_driverFolder;
    PathBuffer m_sourceFile;
    PathBuffer m_firstDestinationFile;
    PathBuffer m_secondDestinationFile;
    PathBuffer m_toolPath;
    tw::ToolParameters m_toolParameters;
    InstallSummary m_summary;
};

}  // namespace

InstallSummary InstallDriverFiles(CString sourceRoot, CString appDir, InstallSystem& system) {
    return Installation(tw::WithTrailingSeparator(sourceRoot.GetString()),
                        tw::WithTrailingSeparator(appDir.GetString()), system)
        .Run();
}
