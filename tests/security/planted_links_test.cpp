// Attacks on what the program writes, each run as the program itself (and as
// the package's trigger script) against a temporary tree: a document root
// with links planted in it and a victim tree outside it. As root the attacks
// run twice, as root and as "nobody" (runuser); otherwise as the test's own
// user. Whatever happens, the victim tree keeps every name, byte, mode and
// owner.

#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "builder/template_markup.h"
#include "common/run_program.h"
#include "common/temp_dir.h"
#include "common/unprivileged.h"
#include "platform/user_folders.h"

// The attack table below names only the fields each row needs.
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

namespace {

namespace fs = std::filesystem;
using testing_support::Begin;
using testing_support::End;
using testing_support::Exists;
using testing_support::ProgramRun;
using testing_support::ReadFile;
using testing_support::RunProgram;
using testing_support::Section;
using testing_support::TempDir;

const std::string kBordered = "<html>\n<table border=\"1\">\n<tr><td>x</td></tr>\n</table>\n</html>\n";

// Every entry below `top`, links not followed: type, mode, owner and a
// checksum of the content (or the link's text).
std::map<std::string, std::string> Snapshot(const std::string& top) {
  std::map<std::string, std::string> out;
  std::error_code ec;
  for (auto it = fs::recursive_directory_iterator(top, ec); !ec && it != fs::recursive_directory_iterator();
       it.increment(ec)) {
    struct stat st {};
    const std::string path = it->path().string();
    if (::lstat(path.c_str(), &st) != 0) continue;
    std::string what = std::to_string(st.st_mode) + " " + std::to_string(st.st_uid) + " ";
    if (S_ISLNK(st.st_mode)) {
      what += "-> " + fs::read_symlink(path, ec).string();
    } else if (S_ISREG(st.st_mode)) {
      what += std::to_string(std::hash<std::string>{}(ReadFile(path)));
    }
    out[path] = what;
  }
  return out;
}

// Who runs the program: root and nobody when the test runs as root, else
// the test's own user.
struct Runner {
  std::string name;
  std::vector<std::string> prefix;  // runs the program as that user
  uid_t uid;
};

std::vector<Runner> Runners() {
  if (::geteuid() != 0) return {{"this user", {}, ::geteuid()}};
  return {{"root", {}, 0}, {"nobody", {"/usr/sbin/runuser", "-u", "nobody", "--"}, testing_support::kNobody}};
}

// Drive C with the document root C:\VESK\DOCS (no catalogue: the default),
// the victim tree, a cache folder, and the trigger script beside a link to
// the program.
class Tree {
 public:
  Tree() {
    drive = base.MakeDir("drive");
    docs = base.MakeDir("drive/VESK/DOCS");
    victim = base.MakeDir("victim");
    work = base.MakeDir("work");
    cache = base.MakeDir("cache");
    home = base.MakeDir("home");
    base.Write("drive/VESK/DOCS/sb_in.htm",
               Begin("HEAD") + "\n<HTML>\n" + End("HEAD") + "\n" + Section("IMPORTANT", "important") +
                   Section("INTRO", "intro") + Section("SYSTEM", "system") + Section("GUIDES", "guides") +
                   Begin("FOOT") + "\n</HTML>\n");
    base.Write("drive/VESK/DOCS/blank_in.htm", "<HTML></HTML>\n");
    base.Write("drive/VESK/DOCS/Guide/index.htm", "<title>Guide</title><META name=\"SUBJECT\" content=\"guides\">");
    base.Write("drive/VESK/DOCS/A/ch1.htm", kBordered);
    base.Write("victim/profile", "the victim's settings\n");
    base.Write("victim/page.htm", kBordered);
    base.Write("victim/sub/notes.txt", "notes\n");
    ::chmod((victim + "/profile").c_str(), 0600);
    // The trigger as installed, with the program beside it.
    std::string script = ReadFile(QUIRO_SOURCE_DIR "/data/update-docs.in");
    script = Replace(script, "@QUIRO_BINDIR_FROM_SCRIPT@", ".");
    script = Replace(script, "@QUIRO_DRIVE_C@", drive);
    trigger = base.Write("bin/update-docs", script);
    ::symlink(QUIRO_BINARY, (base / "bin/quiro").c_str());
  }

  static std::string Replace(std::string text, const std::string& from, const std::string& to) {
    for (std::size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
      text.replace(at, from.size(), to);
    return text;
  }

  // The per-user folder the program uses for this root.
  std::string UserFolder() const {
    const char* old = std::getenv("XDG_CACHE_HOME");
    const std::string saved = old ? old : "";
    ::setenv("XDG_CACHE_HOME", cache.c_str(), 1);
    std::string folder = platform::UserPageFolder(docs + "/");
    if (old) ::setenv("XDG_CACHE_HOME", saved.c_str(), 1); else ::unsetenv("XDG_CACHE_HOME");
    folder.pop_back();
    return folder;
  }

  // Hands the whole tree to `uid` (the user the program runs as).
  void GiveTo(uid_t uid) const {
    ::chmod(base.path().c_str(), 0755);
    if (::geteuid() != 0 || uid == 0) return;
    ::lchown(base.path().c_str(), uid, uid);
    for (const auto& entry : fs::recursive_directory_iterator(base.path())) {
      ::lchown(entry.path().c_str(), uid, uid);
    }
  }

  // Runs `command` (a program and its arguments; "DOCS..." stands for the
  // document root) as `runner`.
  ProgramRun Exec(const Runner& runner, const std::vector<std::string>& command) const {
    std::vector<std::string> all = runner.prefix;
    for (const std::string& arg : command) all.push_back(arg.rfind("DOCS", 0) == 0 ? docs + arg.substr(4) : arg);
    const std::string exe = all.front();
    all.erase(all.begin());
    return RunProgram(exe, all,
                      {work, {"VESK_DRIVE_C=" + drive, "XDG_CACHE_HOME=" + cache, "HOME=" + home}, 120000});
  }
  /// The program with `args`, or the trigger script.
  ProgramRun Run(const Runner& runner, std::vector<std::string> args, bool viaTrigger = false) const {
    std::vector<std::string> command = viaTrigger ? std::vector<std::string>{"/bin/sh", trigger}
                                                  : std::vector<std::string>{QUIRO_BINARY};
    command.insert(command.end(), args.begin(), args.end());
    return Exec(runner, command);
  }

  TempDir base;
  std::string drive, docs, victim, work, cache, home, trigger;
};

struct Attack {
  std::string name;
  std::function<void(const Tree&)> plant;  // before the tree is handed over
  std::vector<std::string> args;           // "DOCS..." stands for the document root
  bool viaTrigger = false;                 // the args go to the trigger script
  bool unprivilegedOnly = false;           // root may do what is refused here
  std::function<void(const Tree&)> lockOut;  // after the tree is handed over
  int status = 0;                          // -1: any but 0
  std::string said;                        // on stderr
  std::function<bool(const Tree&)> alsoTrue;
};

void Link(const std::string& target, const std::string& name) {
  ASSERT_EQ(::symlink(target.c_str(), name.c_str()), 0) << name << ": " << std::strerror(errno);
}

TEST(PlantedLinks, NothingOutsideTheRootChanges) {
  const auto rewritten = [](const Tree& t) {
    return ReadFile(t.docs + "/A/ch1.htm").find("page-break-before") != std::string::npos;
  };
  const std::vector<Attack> attacks = {
      {.name = "a page that links to a page outside the folder",
       .plant = [](const Tree& t) { Link(t.victim + "/page.htm", t.docs + "/A/evil.htm"); },
       .args = {"--prepare-print", "DOCS/A"},
       .said = "A/evil.htm is a link to ",
       .alsoTrue = rewritten},
      {.name = "page~ is a link to a victim file",
       .plant = [](const Tree& t) { Link(t.victim + "/profile", t.docs + "/A/ch1.htm~"); },
       .args = {"--prepare-print", "DOCS/A"},
       .alsoTrue = rewritten},
      {.name = "page~ is a dangling link into the victim tree",
       .plant = [](const Tree& t) { Link(t.victim + "/created-by-the-program", t.docs + "/A/ch1.htm~"); },
       .args = {"--prepare-print", "DOCS/A"},
       .alsoTrue = rewritten},
      {.name = "sidebar.htm and a category page are links to victim files",
       .plant =
           [](const Tree& t) {
             Link(t.victim + "/profile", t.docs + "/sidebar.htm");
             Link(t.victim + "/sub/notes.txt", t.docs + "/GUIDES.HTM");
           },
       .args = {"--build-only"},
       .alsoTrue = [](const Tree& t) { return ReadFile(t.docs + "/sidebar.htm").find("guides") != std::string::npos; }},
      {.name = "a document folder that is a link out, seen by the trigger",
       .plant = [](const Tree& t) { Link(t.victim, t.docs + "/evil"); },
       .viaTrigger = true,
       .said = "/evil is a symbolic link; its pages were not prepared",
       .alsoTrue = rewritten},
      {.name = "a folder below a document folder that links out",
       .plant = [](const Tree& t) { Link(t.victim, t.docs + "/A/evil"); },
       .args = {"--prepare-print", "DOCS/A"},
       .said = "A/evil is a link to "},
      {.name = "the per-user page folder is a link to a victim folder",
       .plant =
           [](const Tree& t) {
             const std::string folder = t.UserFolder();
             fs::create_directories(fs::path(folder).parent_path());
             Link(t.victim + "/sub", folder);
           },
       .args = {"--build-only"},
       .unprivilegedOnly = true,  // root may write the document root
       .lockOut = [](const Tree& t) { ::chmod(t.docs.c_str(), 0555); },
       .status = 1,
       .said = "is a symbolic link, not a folder"},
      {.name = "a folder that cannot be listed, and one below a folder given",
       .plant =
           [](const Tree& t) {
             fs::create_directories(t.docs + "/locked");
             fs::create_directories(t.docs + "/A/sub");
           },
       .args = {"--prepare-print", "DOCS/locked", "DOCS/A"},
       .unprivilegedOnly = true,  // root may list any folder
       .lockOut =
           [](const Tree& t) {
             ::chmod((t.docs + "/locked").c_str(), 0);
             ::chmod((t.docs + "/A/sub").c_str(), 0);
           },
       .status = 1,
       .said = "could not read all of ",
       .alsoTrue = rewritten},
  };

  for (const Runner& runner : Runners()) {
    for (const Attack& attack : attacks) {
      if (attack.unprivilegedOnly && runner.uid == 0) continue;
      SCOPED_TRACE(attack.name + ", run as " + runner.name);
      Tree tree;
      attack.plant(tree);
      tree.GiveTo(runner.uid);
      if (attack.lockOut) attack.lockOut(tree);
      const auto before = Snapshot(tree.victim);
      const ProgramRun run = tree.Run(runner, attack.args, attack.viaTrigger);
      if (attack.status < 0) {
        EXPECT_NE(run.status, 0) << run.err;
      } else {
        EXPECT_EQ(run.status, attack.status) << run.err;
      }
      EXPECT_EQ(Snapshot(tree.victim), before) << run.err;
      EXPECT_NE(run.err.find(attack.said), std::string::npos) << run.err;
      if (attack.alsoTrue) {
        EXPECT_TRUE(attack.alsoTrue(tree)) << run.err;
      }
    }
  }
}

// A folder with a file system of its own, mounted for the test.
class SmallDisk {
 public:
  SmallDisk(const std::string& where, const char* size) : where_(where) {
    const std::string options = std::string("size=") + size + ",mode=0755";
    if (::mount("tmpfs", where.c_str(), "tmpfs", 0, options.c_str()) == 0) {
      mounted_ = true;
    } else {
      error_ = std::strerror(errno);
    }
  }
  ~SmallDisk() {
    if (mounted_) ::umount2(where_.c_str(), MNT_DETACH);
  }
  bool mounted() const { return mounted_; }
  const std::string& error() const { return error_; }

 private:
  std::string where_;
  bool mounted_ = false;
  std::string error_;
};

TEST(FullDisk, TheOldSidebarStaysAndTheBuildFails) {
  if (::geteuid() != 0) GTEST_SKIP() << "a small file system can only be mounted as root";
  TempDir base;
  const std::string drive = base.MakeDir("drive");
  const SmallDisk disk(drive, "256k");
  if (!disk.mounted()) GTEST_SKIP() << "mount -t tmpfs is not allowed here (" << disk.error() << ")";
  const std::string docs = base.MakeDir("drive/VESK/DOCS");
  base.Write("drive/VESK/DOCS/sb_in.htm", Begin("HEAD") + "\n<HTML>\n" + End("HEAD") + "\n" +
                                              Section("INTRO", "intro") + Begin("FOOT") + "\n</HTML>\n");
  const std::string old = "<HTML>\r\nthe sidebar of the last good build\r\n</HTML>";
  base.Write("drive/VESK/DOCS/sidebar.htm", old);
  {
    // Fill the disk to its last block.
    std::ofstream filler(docs + "/filler", std::ios::binary);
    const std::string block(4096, 'f');
    while (filler.write(block.data(), block.size()) && filler.flush()) {
    }
  }
  const ProgramRun run =
      RunProgram(QUIRO_BINARY, {"--build-only"}, {base.MakeDir("work"), {"VESK_DRIVE_C=" + drive}});
  EXPECT_NE(run.status, 0) << run.err;
  EXPECT_NE(run.err.find("could not write all of " + docs + "/sidebar.htm"), std::string::npos) << run.err;
  EXPECT_EQ(ReadFile(docs + "/sidebar.htm"), old);
  for (const auto& entry : fs::directory_iterator(docs)) {
    EXPECT_EQ(entry.path().filename().string().find(".tmp."), std::string::npos) << entry.path();
  }
}

TEST(KilledBuild, GeneratedPagesAreNeverSeenHalfWritten) {
  if (::access("/usr/bin/prlimit", X_OK) != 0) GTEST_SKIP() << "prlimit (util-linux) is not installed";
  for (const Runner& runner : Runners()) {
    SCOPED_TRACE("run as " + runner.name);
    Tree tree;
    // A system page far larger than the file size limit below; everything
    // written before it is far smaller.
    tree.base.Write("drive/VESK/DOCS/sys_in.htm",
                    Begin("HEAD") + "\n<HTML>\n" + std::string(200000, ' ') + "\n" + End("HEAD") + "\n" +
                        Section("DRIVERS", "<A href=\"QVXTGT\">Drivers</A>") + Begin("FOOT") + "\n</HTML>\n");
    tree.base.Write("drive/VESK/DOCS/Drivers/index.htm",
                    "<title>Driver Disk</title><META name=\"SUBJECT\" content=\"DRIVERS\">");
    const std::string old = "the system page of the last good build";
    const std::string page = tree.base.Write("drive/VESK/DOCS/sys.htm", old);
    tree.GiveTo(runner.uid);

    // Killed (SIGXFSZ) in the middle of writing the system page.
    ProgramRun run = tree.Exec(runner, {"/usr/bin/prlimit", "--fsize=16384", "--", QUIRO_BINARY, "--build-only"});
    EXPECT_NE(run.status, 0);
    EXPECT_EQ(ReadFile(page), old) << "status " << run.status << "\n" << run.err;

    // The next build puts the whole page in place and leaves no temporary file.
    run = tree.Run(runner, {"--build-only"});
    EXPECT_EQ(run.status, 0) << run.err;
    const std::string now = ReadFile(page);
    EXPECT_GT(now.size(), 200000u);
    EXPECT_TRUE(now.ends_with("</HTML>"));
    for (const auto& entry : fs::directory_iterator(tree.docs)) {
      EXPECT_EQ(entry.path().filename().string().find(".tmp."), std::string::npos) << entry.path();
    }
  }
}

}  // namespace
