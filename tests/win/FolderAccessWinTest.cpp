// A folder's owner and access list as the guardian's check reads them, and the refusal of one
// that cannot be read.
#include "common/Files_win.h"
#include "common/FolderAccess_win.h"

#include <gtest/gtest.h>

namespace vardex {
namespace {

TEST(FolderAccessWin, AFolderIsReadAsOwnerAndEntriesAndOneThatCannotBeReadIsRefused)
{
    const std::optional<FolderSecurity> security = ReadFolderSecurity(ProgramDirectory());
    ASSERT_TRUE(security);
    ASSERT_TRUE(security->entries);
    ASSERT_FALSE(security->entries->empty());
    for (const AccessEntry& entry : *security->entries)
        EXPECT_TRUE(entry.sid.starts_with("S-1-")) << entry.sid;
    const std::string own = ProcessAccountSid();
    EXPECT_TRUE(own.starts_with("S-1-5-")) << own;
    // Wine makes the list from the Unix mode bits: its one user, the owner, and SYSTEM may change
    // the folder, everyone else may read and run. Nobody else can change it: the guardian runs here.
    EXPECT_EQ(security->owner, own);
    EXPECT_EQ(RefusalToRunFrom(ProgramDirectory()), std::nullopt);

    const std::optional<std::string> refusal = RefusalToRunFrom(ProgramDirectory() + "no such folder\\");
    ASSERT_TRUE(refusal);
    EXPECT_NE(refusal->find("could not be read"), std::string::npos) << *refusal;
}

}  // namespace
}  // namespace vardex
