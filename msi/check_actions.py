#!/usr/bin/env python3
"""Fails when a sequence of the MSI names an action that is neither a standard
action nor a row of CustomAction (or a dialog): wixl can exit 0 with such an MSI,
which the Windows Installer then refuses at the missing action.

  check_actions.py FILE.msi
"""
import subprocess
import sys

SEQUENCES = ("InstallExecuteSequence", "InstallUISequence", "AdminExecuteSequence",
             "AdminUISequence", "AdvtExecuteSequence")

STANDARD_ACTIONS = set("""
AllocateRegistrySpace AppSearch BindImage CCPSearch CostFinalize CostInitialize
CreateFolders CreateShortcuts DeleteServices DisableRollback DuplicateFiles ExecuteAction
FileCost FindRelatedProducts ForceReboot InstallAdminPackage InstallExecute
InstallExecuteAgain InstallFiles InstallFinalize InstallInitialize InstallODBC
InstallServices InstallSFPCatalogFile InstallValidate IsolateComponents LaunchConditions
MigrateFeatureStates MoveFiles MsiConfigureServices MsiPublishAssemblies
MsiUnpublishAssemblies PatchFiles ProcessComponents PublishComponents PublishFeatures
PublishProduct RegisterClassInfo RegisterComPlus RegisterExtensionInfo RegisterFonts
RegisterMIMEInfo RegisterProduct RegisterProgIdInfo RegisterTypeLibraries RegisterUser
RemoveDuplicateFiles RemoveEnvironmentStrings RemoveExistingProducts RemoveFiles
RemoveFolders RemoveIniValues RemoveODBC RemoveRegistryValues RemoveShortcuts
ResolveSource RMCCPSearch ScheduleReboot SelfRegModules SelfUnregModules SetODBCFolders
StartServices StopServices UnpublishComponents UnpublishFeatures UnregisterClassInfo
UnregisterComPlus UnregisterExtensionInfo UnregisterFonts UnregisterMIMEInfo
UnregisterProgIdInfo UnregisterTypeLibraries ValidateProductID WriteEnvironmentStrings
WriteIniValues WriteRegistryValues
""".split())


def rows(msi, table):
    """The table's rows as lists of fields (msiinfo's first three lines are its header)."""
    text = subprocess.run(["msiinfo", "export", msi, table], check=True,
                          capture_output=True, text=True).stdout
    return [line.split("\t") for line in text.splitlines()[3:]]


def main(msi):
    tables = set(subprocess.run(["msiinfo", "tables", msi], check=True,
                                capture_output=True, text=True).stdout.split())
    known = set(STANDARD_ACTIONS)
    known |= {row[0] for row in rows(msi, "CustomAction")} if "CustomAction" in tables else set()
    known |= {row[0] for row in rows(msi, "Dialog")} if "Dialog" in tables else set()
    missing = [(table, row[0]) for table in SEQUENCES if table in tables
               for row in rows(msi, table) if row[0] not in known]
    for table, action in missing:
        print(f"{msi}: {table} names {action}, which has no row in CustomAction", file=sys.stderr)
    return 1 if missing else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1]))
