// Reads the input as an INI file: every section and key named in it, plus a
// few fixed ones, as strings and as numbers; then writes a value and reads
// it back, and checks that the other values did not change.

#include <cstdint>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "fuzz/fuzz_support.h"
#include "platform/ini.h"

namespace {

std::string Trim(std::string s) {
  const char* blanks = " \t\r";
  s.erase(0, s.find_first_not_of(blanks));
  const std::size_t last = s.find_last_not_of(blanks);
  s.erase(last == std::string::npos ? 0 : last + 1);
  return s;
}

// Up to 16 (section, key) pairs as they stand in the text.
std::vector<std::pair<std::string, std::string>> Names(const std::string& text) {
  std::vector<std::pair<std::string, std::string>> names{{"MAIN", "DocumentRoot"}, {"MAIN", "SkipsLeft"}};
  std::string section;
  std::size_t start = 0;
  while (start < text.size() && names.size() < 16) {
    std::size_t nl = text.find('\n', start);
    if (nl == std::string::npos) nl = text.size();
    const std::string line = Trim(text.substr(start, nl - start));
    start = nl + 1;
    if (!line.empty() && line[0] == '[') {
      section = Trim(line.substr(1, line.find(']') == std::string::npos ? std::string::npos : line.find(']') - 1));
    } else if (const std::size_t eq = line.find('='); eq != std::string::npos) {
      names.emplace_back(section, Trim(line.substr(0, eq)));
    }
  }
  return names;
}

bool SameLetters(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'a' && x <= 'z') x = static_cast<char>(x - 32);
    if (y >= 'a' && y <= 'z') y = static_cast<char>(y - 32);
    if (x != y) return false;
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string ini = fuzz_support::Folder() + "/fuzz.ini";
  fuzz_support::WriteFile(ini, data, size);
  platform::ClearIniCache();
  const std::string text(reinterpret_cast<const char*>(data), size);

  const auto names = Names(text);
  std::vector<std::string> before;
  for (const auto& [section, key] : names) {
    std::string value = platform::GetPrivateProfileString(section, key, "%none", ini);
    if (value.size() > platform::kIniValueMax) std::abort();
    platform::GetPrivateProfileInt(section, key, -7, ini);
    before.push_back(std::move(value));
  }

  if (!platform::WritePrivateProfileString("FuzzSection", "FuzzKey", "written value", ini)) return 0;
  if (platform::GetPrivateProfileString("FUZZSECTION", "fuzzkey", "", ini) != "written value") std::abort();
  for (std::size_t i = 0; i < names.size(); ++i) {
    if (SameLetters(Trim(names[i].first), "FuzzSection")) continue;
    if (platform::GetPrivateProfileString(names[i].first, names[i].second, "%none", ini) != before[i]) std::abort();
  }
  return 0;
}
