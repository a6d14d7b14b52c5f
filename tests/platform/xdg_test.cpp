#include "platform/xdg.h"

#include <gtest/gtest.h>
#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "platform/hash.h"
#include "platform/user_folders.h"

namespace {

// Sets (or, with nullopt, unsets) a variable for one scope.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, std::optional<std::string> value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    if (value) {
      setenv(name, value->c_str(), 1);
    } else {
      unsetenv(name);
    }
  }
  ~ScopedEnv() {
    if (old_) {
      setenv(name_, old_->c_str(), 1);
    } else {
      unsetenv(name_);
    }
  }
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

 private:
  const char* name_;
  std::optional<std::string> old_;
};

std::string AccountHome() {
  const passwd* pw = getpwuid(geteuid());
  return pw != nullptr && pw->pw_dir != nullptr ? pw->pw_dir : "";
}

TEST(Xdg, HomeFoldersUseAbsoluteValuesOtherThanTheRoot) {
  const struct {
    std::optional<std::string> value;
    std::string cache;  // with HOME=/home/u
  } cases[] = {
      {std::nullopt, "/home/u/.cache"},
      {"", "/home/u/.cache"},
      {"relative/cache", "/home/u/.cache"},
      {"/", "/home/u/.cache"},
      {"//", "/home/u/.cache"},
      {"/var/cache/u", "/var/cache/u"},
      {"/var/cache/u//", "/var/cache/u"},
  };
  ScopedEnv home("HOME", "/home/u/");
  for (const auto& c : cases) {
    ScopedEnv cache("XDG_CACHE_HOME", c.value);
    ScopedEnv config("XDG_CONFIG_HOME", c.value);
    ScopedEnv state("XDG_STATE_HOME", c.value);
    const std::string value = c.value.value_or("(unset)");
    EXPECT_EQ(platform::CacheHome(), c.cache) << value;
    const bool own = c.cache.rfind("/home/u/", 0) != 0;
    EXPECT_EQ(platform::ConfigHome(), own ? c.cache : "/home/u/.config") << value;
    EXPECT_EQ(platform::StateHome(), own ? c.cache : "/home/u/.local/state") << value;
  }
}

TEST(Xdg, HomeFromTheAccountWhenHomeIsUnusable) {
  ScopedEnv cache("XDG_CACHE_HOME", std::nullopt);
  const std::string account = AccountHome();
  for (const std::optional<std::string>& value : {std::optional<std::string>(), std::optional<std::string>("rel"),
                                                  std::optional<std::string>("/")}) {
    ScopedEnv home("HOME", value);
    EXPECT_EQ(platform::HomeFolder(), account == "/" ? "" : account) << value.value_or("(unset)");
    if (account.size() > 1) {
      EXPECT_EQ(platform::CacheHome(), account + "/.cache");
    }
  }
}

TEST(Xdg, ConfigDirsKeepUsableEntriesInOrder) {
  const struct {
    std::optional<std::string> value;
    std::vector<std::string> dirs;
  } cases[] = {
      {std::nullopt, {"/etc/xdg"}},
      {"", {"/etc/xdg"}},
      {"/opt/a:relative::/:/opt/b/", {"/opt/a", "/opt/b"}},
      {"relative", {}},
  };
  for (const auto& c : cases) {
    ScopedEnv dirs("XDG_CONFIG_DIRS", c.value);
    EXPECT_EQ(platform::ConfigDirs(), c.dirs) << c.value.value_or("(unset)");
  }
}

TEST(Hash, Fnv1aAndItsNames) {
  EXPECT_EQ(platform::Hex16(platform::Fnv1a64("")), "cbf29ce484222325");
  EXPECT_EQ(platform::Hex16(platform::Fnv1a64("a")), "af63dc4c8601ec8c");
  EXPECT_EQ(platform::Hex16(platform::Fnv1a64("foobar")), "85944171f73967e8");
  EXPECT_EQ(platform::Hex16(0x1f), "000000000000001f");
  // The per-user page folder's name must not change between versions: the
  // pages generated into it would be lost.
  ScopedEnv cache("XDG_CACHE_HOME", "/var/cache/u");
  EXPECT_EQ(platform::UserPageFolder("/srv/docs"), "/var/cache/u/quiro/roots/7f44eb604c2e7484/");
  EXPECT_EQ(platform::UserPageFolder("\\srv\\docs\\"), "/var/cache/u/quiro/roots/7f44eb604c2e7484/");
}

}  // namespace
