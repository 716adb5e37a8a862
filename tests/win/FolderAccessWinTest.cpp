// A folder's owner and access list as the guardian's check reads them, and the refusal of one
// that cannot be read.
#include "win/Files_win.h"
#include "win/FolderAccess_win.h"

#include <gtest/gtest.h>

namespace vardex {
namespace {

TEST(FolderAccessWin, AFolderIsReadAsOwnerAndEntriesAndOneThatCannotBeReadIsRefused)
{
    // Wine makes the list from the Unix mode bits: its one user owns the folder and may change it
    // with SYSTEM, everyone else may read and run. The guardian, that user, runs from here.
    const std::optional<FolderSecurity> security = ReadFolderSecurity(ProgramDirectory());
    ASSERT_TRUE(security && security->entries);
    EXPECT_EQ(security->owner, ProcessAccountSid());
    EXPECT_TRUE(security->owner.starts_with("S-1-5-")) << security->owner;
    EXPECT_FALSE(security->entries->empty());
    EXPECT_EQ(RefusalToRunFrom(ProgramDirectory()), std::nullopt);

    const std::optional<std::string> refusal = RefusalToRunFrom(ProgramDirectory() + "no such folder\\");
    ASSERT_TRUE(refusal);
    EXPECT_NE(refusal->find("could not be read"), std::string::npos) << *refusal;
}

}  // namespace
}  // namespace vardex
