// The command line in the user's language, run as the program itself: it
// finds the catalogues of its build tree, and a damaged catalogue or the C
// locale leaves every text English without a word about it.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/run_program.h"
#include "common/temp_dir.h"

namespace {

using testing_support::ProgramRun;
using testing_support::RunProgram;
using testing_support::TempDir;

// The program with the user's language given as the environment gives it.
ProgramRun RunIn(const TempDir& dir, const std::string& lang, const std::string& language,
                 const std::vector<std::string>& args, const std::string& localeDir = {}) {
  std::vector<std::string> env = {"LC_ALL", "LC_MESSAGES", "LANG=" + lang, "LANGUAGE=" + language};
  env.push_back(localeDir.empty() ? std::string("QUIRO_LOCALEDIR") : "QUIRO_LOCALEDIR=" + localeDir);
  return RunProgram(QUIRO_BINARY, args, {dir.path(), env});
}

TEST(TranslatedCommandLine, HelpAndErrorsSpeakTheUsersLanguage) {
  TempDir d;
  const ProgramRun help = RunIn(d, "C.UTF-8", "de", {"--help"});
  EXPECT_EQ(help.status, 0);
  EXPECT_EQ(help.out.rfind("Aufruf: quiro [FILE]", 0), 0u) << help.out;
  EXPECT_NE(help.out.find("\n  --version             die Version anzeigen\n"), std::string::npos) << help.out;

  const ProgramRun unknown = RunIn(d, "C.UTF-8", "fr", {"--bogus"});
  EXPECT_EQ(unknown.status, 2);
  // A build without the window adds its usage after the message; the
  // message itself is the same.
  EXPECT_EQ(unknown.err.rfind("quiro: option inconnue « --bogus »", 0), 0u) << unknown.err;

  // The first language with a catalogue answers.
  const ProgramRun chain = RunIn(d, "C.UTF-8", "xx:es", {"--search"});
  EXPECT_EQ(chain.status, 2);
  EXPECT_EQ(chain.err, "quiro: --search necesita una QUERY\n");
}

TEST(TranslatedCommandLine, TheCLocaleAndADamagedCatalogueGiveTodaysEnglish) {
  TempDir d;
  const ProgramRun english = RunIn(d, "C", "", {"--help"});
  ASSERT_EQ(english.status, 0);
  EXPECT_EQ(english.out.rfind("Usage: quiro [FILE]", 0), 0u);

  d.Write("damaged/de/LC_MESSAGES/quiro.mo", std::string("\xde\x12\x04\x95\0\0\0\0\xff\xff\xff\x0f", 12) +
                                                 std::string(64, '\x7f'));
  d.Write("garbage/de/LC_MESSAGES/quiro.mo", "no catalogue\n");
  struct Case {
    const char* lang;
    const char* language;
    std::string localeDir;
  };
  const Case cases[] = {
      {"C", "de", ""},  // LANGUAGE does not count in the C locale
      {"POSIX", "ja", ""},
      {"C.UTF-8", "de", d.root() + "damaged"},
      {"C.UTF-8", "de", d.root() + "garbage"},
      {"C.UTF-8", "de", d.root() + "missing"},
  };
  for (const Case& c : cases) {
    const ProgramRun help = RunIn(d, c.lang, c.language, {"--help"}, c.localeDir);
    EXPECT_EQ(help.status, 0) << c.lang << " " << c.localeDir;
    EXPECT_EQ(help.out, english.out) << c.lang << " " << c.localeDir;
    EXPECT_EQ(help.err, "") << c.lang << " " << c.localeDir;
    const ProgramRun unknown = RunIn(d, c.lang, c.language, {"--bogus"}, c.localeDir);
    EXPECT_EQ(unknown.err.rfind("quiro: unknown option '--bogus'", 0), 0u) << c.lang << " " << c.localeDir;
  }
}

}  // namespace
