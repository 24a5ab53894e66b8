#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QSignalSpy>

#include "AppTestSupport.h"
#include "SingleInstance.h"
#include "common/platform/InstanceLock.h"

class SingleInstanceTest : public ::testing::Test {
 protected:
  SingleInstanceTest() {
    std::filesystem::create_directories(dir);
    ::chmod(dir.c_str(), 0700);
  }
  harness::ScratchDir scratch;
  std::filesystem::path dir = scratch / "run";
};

TEST_F(SingleInstanceTest, ALaterStartHandsItsArgumentsToTheRunningCopy) {
  SingleInstance first(dir);
  ASSERT_TRUE(first.Acquire({}, 0, std::chrono::milliseconds(0)));
  QSignalSpy activations(&first, &SingleInstance::ActivationRequested);

  SingleInstance second(dir);
  EXPECT_FALSE(
      second.Acquire({"--qualquer", "coisa com espaço", "ação"}, 0, std::chrono::milliseconds(0)));
  ASSERT_TRUE(WaitForQt([&] { return activations.count() == 1; }));
  EXPECT_EQ(activations.front().front().toStringList(),
            (QStringList{"--qualquer", "coisa com espaço", "ação"}));

  // An empty command line (the usual second start) still brings the window forward.
  SingleInstance third(dir);
  EXPECT_FALSE(third.Acquire({}, 0, std::chrono::milliseconds(0)));
  ASSERT_TRUE(WaitForQt([&] { return activations.count() == 2; }));
}

TEST_F(SingleInstanceTest, ACrashedCopysLeftoversDoNotBlockTheNextStart) {
  // The lock file and the socket stay behind when a copy dies; nobody holds the lock.
  harness::WriteFile(dir / "brisane-backup.lock", "");
  harness::WriteFile(dir / "brisane-backup.socket", "");
  SingleInstance next(dir);
  EXPECT_TRUE(next.Acquire({}, 0, std::chrono::milliseconds(0)));
  QSignalSpy activations(&next, &SingleInstance::ActivationRequested);
  SingleInstance later(dir);
  EXPECT_FALSE(later.Acquire({}, 0, std::chrono::milliseconds(0)));
  ASSERT_TRUE(WaitForQt([&] { return activations.count() == 1; }));
}

TEST_F(SingleInstanceTest, WithoutARuntimeFolderAPrivateOneInTmpIsUsed) {
  const char* saved = std::getenv("XDG_RUNTIME_DIR");
  const std::string restore = saved ? saved : "";
  setenv("XDG_RUNTIME_DIR", (scratch / "nao-existe").c_str(), 1);
  // Falls back to /tmp/brisane-<uid>, private to this user.
  const auto fallback = platform::UserRuntimeDir();
  struct stat st {};
  ASSERT_EQ(::stat(fallback.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 077, 0u);
  EXPECT_EQ(st.st_uid, ::getuid());
  setenv("XDG_RUNTIME_DIR", dir.c_str(), 1);
  EXPECT_EQ(platform::UserRuntimeDir(), dir);
  if (saved)
    setenv("XDG_RUNTIME_DIR", restore.c_str(), 1);
  else
    unsetenv("XDG_RUNTIME_DIR");
}
