#include "install/request/folder_access.h"

namespace folder_access {
namespace {

constexpr wchar_t kSystem[] = L"S-1-5-18";
constexpr wchar_t kAdministrators[] = L"S-1-5-32-544";
constexpr wchar_t kTrustedInstaller[] = L"S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464";
constexpr wchar_t kCreatorOwner[] = L"S-1-3-0";
constexpr wchar_t kCreatorGroup[] = L"S-1-3-1";
constexpr wchar_t kOwnerRights[] = L"S-1-3-4";

// Deleting or renaming the object, or changing who may do so.
constexpr ACCESS_MASK kTakeOver = DELETE | WRITE_DAC | WRITE_OWNER;
// Putting something into the program folder, or taking it out.
constexpr ACCESS_MASK kChangeInside = FILE_ADD_FILE | FILE_ADD_SUBDIRECTORY | FILE_DELETE_CHILD;
// On a parent: deleting or renaming what it holds, or taking the parent over.
constexpr ACCESS_MASK kReplaceChild = FILE_DELETE_CHILD | WRITE_DAC | WRITE_OWNER;

ACCESS_MASK FileRights(ACCESS_MASK mask) {
    if (mask & GENERIC_ALL) mask |= FILE_ALL_ACCESS;
    if (mask & GENERIC_WRITE) mask |= FILE_GENERIC_WRITE;
    if (mask & GENERIC_READ) mask |= FILE_GENERIC_READ;
    if (mask & GENERIC_EXECUTE) mask |= FILE_GENERIC_EXECUTE;
    return mask & ~(GENERIC_ALL | GENERIC_WRITE | GENERIC_READ | GENERIC_EXECUTE);
}

}  // namespace

Trustee ClassifyTrustee(const std::wstring& sid, const std::wstring& self) {
    if (sid == kSystem || sid == kAdministrators || sid == kTrustedInstaller) return Trustee::Trusted;
    // A process elevated by its administrator runs as that same account; the account's other
    // processes are that administrator's, as an elevation prompt would be answered by them.
    // (Under Wine every folder belongs to the running account, which is an administrator.)
    if (!self.empty() && sid == self) return Trustee::Trusted;
    // On an object itself these stand for no account (the system puts the creator's own SID
    // in what it passes on); inherit-only entries are left out before they matter anyway.
    if (sid == kCreatorOwner || sid == kCreatorGroup) return Trustee::Nobody;
    if (sid == kOwnerRights) return Trustee::Owner;
    return Trustee::Other;
}

ACCESS_MASK OthersRights(const win::ObjectAccess& access, const std::wstring& self) {
    const Trustee owner = ClassifyTrustee(access.owner, self);
    // An owner may always rewrite the access list, so owning is holding everything.
    if (owner == Trustee::Other || !access.hasDacl) return FILE_ALL_ACCESS;
    // From here on the owner is trusted, and so are the OWNER RIGHTS entries.
    ACCESS_MASK rights = 0;
    // Deny entries are left out: a grant they take back is still counted, which can only make
    // a folder look less safe than it is, never safer.
    for (const win::AccessEntry& entry : access.entries)
        if (entry.allow && !entry.inheritOnly && ClassifyTrustee(entry.trustee, self) == Trustee::Other)
            rights |= FileRights(entry.mask);
    return rights;
}

Verdict JudgeParent(const win::ObjectAccess& parent, const std::wstring& self) {
    return OthersRights(parent, self) & kReplaceChild ? Verdict::Refuse : Verdict::Fine;
}

Verdict JudgeOwnAccess(const win::ObjectAccess& level, bool programFolder, bool root, const std::wstring& self) {
    const ACCESS_MASK rights = OthersRights(level, self);
    if (!programFolder) return rights & kTakeOver ? Verdict::Refuse : Verdict::Fine;
    if (!(rights & (kTakeOver | kChangeInside))) return Verdict::Fine;
    return root ? Verdict::Refuse : Verdict::MakeSafe;
}

Verdict JudgeExistingLevel(const win::ObjectAccess& level, const win::ObjectAccess& parent, bool programFolder,
                           const std::wstring& self) {
    if (JudgeParent(parent, self) == Verdict::Refuse) return Verdict::Refuse;
    return JudgeOwnAccess(level, programFolder, false, self);
}

}  // namespace folder_access
