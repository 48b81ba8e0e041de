// The folder lock within one process (the two-process case, with a kill, is in the app's
// tests): a second lock is refused and names the holder, the lock is free again once its
// holder is gone, and a lock file that cannot be used leaves the folder unlocked, not refused.
#include <unistd.h>

#include <filesystem>
#include <memory>

#include "IoTestSupport.h"
#include "io/FolderLock.h"

TEST(FolderLock, OneHolderAtATime) {
    iotest::TempDir dir;
    using State = io::FolderLock::State;
    auto first = std::make_unique<io::FolderLock>(dir.path());
    EXPECT_EQ(first->state(), State::Held);
    const io::FolderLock second(dir.path());
    EXPECT_EQ(second.state(), State::InUse);
    EXPECT_EQ(second.holder(), static_cast<long>(::getpid()));
    first.reset();
    EXPECT_EQ(io::FolderLock(dir.path()).state(), State::Held);

    std::filesystem::create_directory(dir.file("odd"));
    std::filesystem::create_directory(dir.file(std::string("odd/") + io::FolderLock::kFileName));
    const io::FolderLock odd(dir.file("odd"));
    EXPECT_EQ(odd.state(), State::Unavailable);
    EXPECT_FALSE(odd.error().empty());
}
