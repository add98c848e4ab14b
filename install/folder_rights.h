// Who may change a folder: its access list in a portable form, the rule that
// decides whether the folder must be locked to administrators, and the access
// list it then gets. The platforms read and set the rights; the rule is here.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tw {

// The SIDs the rule knows, as Windows writes them.
inline constexpr std::string_view kLocalSystemSid = "S-1-5-18";
inline constexpr std::string_view kAdministratorsSid = "S-1-5-32-544";
inline constexpr std::string_view kUsersSid = "S-1-5-32-545";
inline constexpr std::string_view kEveryoneSid = "S-1-1-0";
inline constexpr std::string_view kCreatorOwnerSid = "S-1-3-0";
inline constexpr std::string_view kOwnerRightsSid = "S-1-3-4";
inline constexpr std::string_view kTrustedInstallerSid =
    "S-1-5-80-956008885-3418522649-1831038044-1850970231-2271478464";

// The rights that change a folder, its files or its access list: writing, creating
// files and folders, appending, deleting, deleting children, writing attributes and
// extended attributes, changing the access list or the owner, and the generic
// rights that include them.
inline constexpr std::uint32_t kChangingRights =
    0x00000002u     // FILE_WRITE_DATA, FILE_ADD_FILE
    | 0x00000004u   // FILE_APPEND_DATA, FILE_ADD_SUBDIRECTORY
    | 0x00000010u   // FILE_WRITE_EA
    | 0x00000040u   // FILE_DELETE_CHILD
    | 0x00000100u   // FILE_WRITE_ATTRIBUTES
    | 0x00010000u   // DELETE
    | 0x00040000u   // WRITE_DAC
    | 0x00080000u   // WRITE_OWNER
    | 0x02000000u   // MAXIMUM_ALLOWED
    | 0x10000000u   // GENERIC_ALL
    | 0x40000000u;  // GENERIC_WRITE

// The inheritance flags of an entry, as Windows numbers them.
inline constexpr std::uint8_t kObjectInherit = 0x01;
inline constexpr std::uint8_t kContainerInherit = 0x02;
inline constexpr std::uint8_t kInheritOnly = 0x08;
inline constexpr std::uint8_t kInherited = 0x10;

// One entry of an access list. Entries of types other than allow and deny (object
// and callback entries) arrive as allow entries of a SID nobody trusts.
struct AccessEntry {
    enum class Kind { allow, deny };
    Kind kind = Kind::allow;
    std::string sid;  // "S-1-5-32-544"
    std::uint32_t mask = 0;
    std::uint8_t flags = 0;  // kObjectInherit, kContainerInherit, kInheritOnly, kInherited

    bool operator==(const AccessEntry&) const = default;
};

struct FolderRights {
    std::string owner;    // the owner's SID; empty when it could not be read
    bool hasDacl = true;  // false: a null access list, which lets everyone do everything
    std::vector<AccessEntry> entries;
};

// The owners an installation trusts: the system, the administrators and the
// installer service. Not the account of the user who runs it: under UAC that
// account's own programs run without elevation and own what they make.
bool IsTrustedOwner(std::string_view sid);

// True when anyone but those owners may change the folder: a null access list, an
// owner outside them (an owner may always rewrite the access list), or an entry
// that allows any changing right to another SID. Deny entries change nothing: an
// allow to Everyone stays dangerous whoever is denied. Inherit-only entries count
// too, since the folder's new files would take them. CREATOR OWNER gives rights
// only to whoever creates a file in it, which needs a right judged on its own;
// OWNER RIGHTS stands for the owner.
bool NeedsLocking(const FolderRights& rights);

// A file or folder found in a destination folder, with its owner's SID (empty
// when it could not be read).
struct OwnedEntry {
    std::string name;
    std::string owner;
};

// The names of the entries that no trusted owner owns, files and folders alike
// (another user's folder stays theirs when the folder above it is locked), in
// order; "." and "..", the folder itself and the one above it, are passed over.
std::vector<std::string> UntrustedEntries(const std::vector<OwnedEntry>& entries);

// The access list a locked folder gets, in the system's descriptor language:
// owner Administrators, a protected list (nothing inherited from above) giving
// SYSTEM and Administrators full control and Users read and execute, inherited by
// its files and folders, as Program Files has.
inline constexpr char kLockedFolderSddl[] =
    "O:BAD:PAI(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;0x1200a9;;;BU)";

}  // namespace tw
