// Checks the resource script against its id header and the artwork files it
// names: ids defined once and used, every resource the program looks up
// present under its number, and each file in the shape its user expects.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace {

const std::filesystem::path kRes = std::filesystem::path(VSK_SOURCE_DIR) / "res";

std::string ReadFile(const std::filesystem::path& p) {
  std::ifstream in(p, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

uint32_t U32(const std::string& s, size_t at) {
  if (at + 4 > s.size()) return 0;
  return uint8_t(s[at]) | uint8_t(s[at + 1]) << 8 | uint8_t(s[at + 2]) << 16 |
         uint32_t(uint8_t(s[at + 3])) << 24;
}
uint16_t U16(const std::string& s, size_t at) {
  if (at + 2 > s.size()) return 0;
  return uint16_t(uint8_t(s[at]) | uint8_t(s[at + 1]) << 8);
}

// name -> value of every #define in resource.h, in file order.
struct Header {
  std::vector<std::pair<std::string, int>> defines;
  std::map<std::string, int> value;
};

Header ParseHeader() {
  Header h;
  std::istringstream in(ReadFile(kRes / "resource.h"));
  std::regex def(R"(^\s*#define\s+(\w+)\s+\(?(-?\d+)\)?\s*$)");
  std::string line;
  std::smatch m;
  while (std::getline(in, line)) {
    if (std::regex_match(line, m, def)) {
      h.defines.emplace_back(m[1], std::stoi(m[2]));
      h.value[m[1]] = std::stoi(m[2]);
    }
  }
  return h;
}

// The kind an id belongs to, by its prefix; waves and AVIs share IDR_ but
// are resource types of their own (AVI 140 and menu 140 coexist).
std::string Kind(const std::string& name) {
  for (const char* p : {"IDR_WAVE_", "IDR_AVI_", "IDD_", "IDC_", "IDI_", "IDB_", "IDR_", "IDS_", "ID_"})
    if (name.rfind(p, 0) == 0) return p;
  return "";
}

struct Resource {
  std::string type, name, file;
};

struct Script {
  std::string text;      // comments and string literals blanked
  std::vector<Resource> resources;
  std::vector<std::string> strings;                        // string table ids
  std::map<std::string, std::vector<std::string>> controls;  // dialog -> control ids
};

Script ParseScript() {
  Script s;
  std::string raw = ReadFile(kRes / "Vireskand.rc");
  std::istringstream in(raw);
  std::regex resLine(R"re(^(\w+)\s+(DIALOGEX|MENU|MENUEX|ACCELERATORS|ICON|BITMAP|RCDATA|WAVE|AVI)\b\s*(?:"([^"]*)")?)re");
  std::string line, dialog;
  bool inStrings = false;
  std::smatch m;
  while (std::getline(in, line)) {
    if (line.rfind("//", 0) == 0) continue;
    if (std::regex_search(line, m, resLine)) {
      s.resources.push_back({m[2], m[1], m[3]});
      dialog = m[2] == "DIALOGEX" ? std::string(m[1]) : "";
    }
    if (line.rfind("STRINGTABLE", 0) == 0) inStrings = true;
    std::string bare = std::regex_replace(line, std::regex(R"re("([^"]|"")*")re"), "\"\"");
    s.text += bare + "\n";
    if (line == "END") inStrings = false, dialog.clear();
    std::smatch t;
    std::string trimmed = std::regex_replace(bare, std::regex(R"(^\s+)"), "");
    if (inStrings && std::regex_search(trimmed, t, std::regex(R"(^(ID\w+)\s)"))) s.strings.push_back(t[1]);
    if (!dialog.empty() && std::regex_search(trimmed, t, std::regex(R"(^(EDITTEXT)\s+(\w+))")))
      s.controls[dialog].push_back(t[2]);
    else if (!dialog.empty() && std::regex_search(trimmed, t, std::regex(R"(^([A-Z]+)\s+[^,]+,\s*(\w+))")))
      s.controls[dialog].push_back(t[2]);
  }
  return s;
}

class ResourceScript : public ::testing::Test {
 protected:
  Header header = ParseHeader();
  Script script = ParseScript();

  int Value(const std::string& name) const {
    auto it = header.value.find(name);
    return it == header.value.end() ? -2 : it->second;
  }
  // id -> file of the resources of one type
  std::map<int, std::string> Files(const std::string& type) const {
    std::map<int, std::string> out;
    for (const auto& r : script.resources)
      if (r.type == type) out[Value(r.name)] = r.file;
    return out;
  }
  std::string Art(const std::string& type, int id) const {
    auto files = Files(type);
    return files.count(id) ? ReadFile(kRes / files[id]) : std::string();
  }
};

TEST_F(ResourceScript, HeaderIdsAreUniquePerKindAndNamedOnce) {
  ASSERT_GT(header.defines.size(), 100u);
  std::set<std::string> names;
  std::map<std::string, std::map<int, std::string>> byKind;
  for (const auto& [name, value] : header.defines) {
    EXPECT_TRUE(names.insert(name).second) << name << " defined twice";
    std::string kind = Kind(name);
    EXPECT_FALSE(kind.empty()) << name << " has no kind prefix";
    if (name == "IDC_STATIC") continue;
    auto [it, fresh] = byKind[kind].emplace(value, name);
    EXPECT_TRUE(fresh) << name << " and " << it->second << " share " << value;
  }
}

TEST_F(ResourceScript, EveryIdTheScriptUsesIsDefinedAndEveryDefinedIdIsUsed) {
  std::set<std::string> used;
  std::regex id(R"(\bID[A-Z]*_\w+)");
  for (std::sregex_iterator it(script.text.begin(), script.text.end(), id), end; it != end; ++it)
    used.insert(it->str());
  for (const auto& name : used) EXPECT_TRUE(header.value.count(name)) << name << " is not in resource.h";
  for (const auto& [name, value] : header.defines) EXPECT_TRUE(used.count(name)) << name << " is never used";
}

TEST_F(ResourceScript, ResourceNumbersAreUniquePerType) {
  std::set<std::pair<std::string, int>> seen;
  for (const auto& r : script.resources) {
    ASSERT_NE(Value(r.name), -2) << r.name;
    EXPECT_TRUE(seen.insert({r.type, Value(r.name)}).second) << r.type << " " << r.name << " twice";
  }
  ASSERT_EQ(script.controls.size(), 8u);
  EXPECT_EQ(script.controls["IDD_MAIN_DIALOG"].size(), 13u);
  for (const auto& [dialog, ids] : script.controls) {
    std::set<int> inDialog;
    for (const auto& c : ids) {
      if (c == "IDC_STATIC") continue;
      int v = c == "IDOK" ? 1 : c == "IDCANCEL" ? 2 : Value(c);
      EXPECT_NE(v, -2) << dialog << ": " << c;
      EXPECT_TRUE(inDialog.insert(v).second) << dialog << ": control " << c << " twice";
    }
  }
}

TEST_F(ResourceScript, EveryResourceTheProgramLooksUpIsThere) {
  std::map<std::string, std::set<int>> want = {
      {"DIALOGEX", {102, 133, 142, 144, 146, 165, 167, 200}},
      {"MENU", {140, 147, 148}},
      {"MENUEX", {145}},
      {"ACCELERATORS", {143}},
      {"ICON", {128, 147, 148, 149, 150, 151, 152, 153, 154, 156, 157, 158, 159, 160, 161, 162, 163,
                164, 169, 170, 171, 172, 189, 190, 191, 192, 193, 194, 195, 196, 197}},
      {"BITMAP", {129, 136, 168, 173, 175}},
      {"RCDATA", {173}},
      {"WAVE", {130, 176, 177, 178, 179, 180, 181, 182, 185, 186}},
      {"AVI", {137, 138, 140}},
  };
  for (const auto& [type, ids] : want) {
    std::set<int> have;
    for (const auto& r : script.resources)
      if (r.type == type) have.insert(Value(r.name));
    EXPECT_EQ(have, ids) << type;
  }
  std::set<int> strings;
  for (const auto& s : script.strings) strings.insert(Value(s));
  EXPECT_EQ(strings, (std::set<int>{9, 1000, 1002, 1004, 1005, 1006, 1008, 1009}));
  for (const auto& r : script.resources) {
    if (!r.file.empty()) {
      EXPECT_TRUE(std::filesystem::is_regular_file(kRes / r.file)) << r.file;
    }
  }
}

// Sizes of the images in an .ico file, all of which must be 32-bit.
std::set<int> IconSizes(const std::string& ico) {
  std::set<int> sizes;
  if (ico.size() < 6 || U16(ico, 2) != 1) return sizes;
  for (int i = 0; i < U16(ico, 4); ++i) {
    size_t e = 6 + 16 * i;
    uint32_t at = U32(ico, e + 12);
    int w = U32(ico, at + 4), h = U32(ico, at + 8) / 2;
    if (U16(ico, at + 14) == 32 && w == h) sizes.insert(w);
  }
  return sizes;
}

TEST_F(ResourceScript, IconsHoldTheSizesTheirButtonsLoad) {
  // A button loads its icon at the resource's own size, so each button icon
  // holds exactly the size the button draws.
  std::map<std::set<int>, std::set<int>> want = {
      {{64}, {147, 148, 149, 150, 151, 152, 153, 154, 160, 161, 162, 163, 164, 189, 190, 191}},
      {{32}, {156, 157, 158, 159}},
      {{48}, {169, 170, 171, 172, 192, 193}},
      {{16, 32, 48, 64}, {128}},
  };
  for (const auto& [sizes, ids] : want)
    for (int id : ids) EXPECT_EQ(IconSizes(Art("ICON", id)), sizes) << "icon " << id;
}

TEST_F(ResourceScript, BitmapsHaveTheirSizesAndBottomUpRows) {
  std::map<int, std::pair<int, int>> want = {
      {129, {600, 350}}, {136, {64, 16}}, {173, {400, 140}}, {175, {600, 53}}};
  for (const auto& [id, size] : want) {
    std::string bmp = Art("BITMAP", id);
    ASSERT_EQ(bmp.substr(0, 2), "BM") << id;
    EXPECT_EQ(int(U32(bmp, 18)), size.first) << id;
    EXPECT_EQ(int(U32(bmp, 22)), size.second) << id;  // positive: bottom-up
  }
  std::string splash = Art("BITMAP", 168);
  EXPECT_EQ(splash.substr(0, 2), "BM");
  EXPECT_EQ(U32(splash, 18), 401u);  // 267 dialog units of the splash
  // OleLoadPicture needs the whole file, header included.
  EXPECT_EQ(Art("RCDATA", 173), Art("BITMAP", 173));
}

struct Wave {
  int format = 0, channels = 0, rate = 0, bits = 0;
  double seconds = 0;
};

Wave ParseWave(const std::string& w) {
  Wave out;
  if (w.substr(0, 4) != "RIFF" || w.substr(8, 4) != "WAVE") return out;
  for (size_t at = 12; at + 8 <= w.size();) {
    std::string tag = w.substr(at, 4);
    uint32_t len = U32(w, at + 4);
    if (tag == "fmt ") {
      out.format = U16(w, at + 8);
      out.channels = U16(w, at + 10);
      out.rate = U32(w, at + 12);
      out.bits = U16(w, at + 22);
    } else if (tag == "data" && out.rate && out.bits) {
      out.seconds = double(len) / (out.rate * out.channels * out.bits / 8);
    }
    at += 8 + len + (len & 1);
  }
  return out;
}

TEST_F(ResourceScript, WavesArePlayablePcmOfTheirLengths) {
  Wave click = ParseWave(Art("WAVE", 130));
  EXPECT_EQ(click.format, 1);
  EXPECT_EQ(click.rate, 8000);
  EXPECT_EQ(click.bits, 8);
  EXPECT_NEAR(click.seconds, 0.25, 0.03);
  std::set<std::string> distinct;
  for (int id : {176, 177, 178, 179, 180, 181, 182, 185, 186}) {
    std::string data = Art("WAVE", id);
    Wave w = ParseWave(data);
    EXPECT_EQ(w.format, 1) << id;
    EXPECT_EQ(w.channels, 1) << id;
    EXPECT_GE(w.seconds, 0.36) << id;
    EXPECT_LE(w.seconds, 3.2) << id;
    EXPECT_TRUE(distinct.insert(data).second) << id << " sounds like another wave";
  }
}

struct Avi {
  uint32_t frames = 0, width = 0, height = 0, usPerFrame = 0, chunks = 0;
  int32_t dibHeight = 0;
  uint16_t bits = 0;
};

Avi ParseAvi(const std::string& a) {
  Avi out;
  if (a.substr(0, 4) != "RIFF" || a.substr(8, 4) != "AVI ") return out;
  size_t avih = a.find("avih"), strf = a.find("strf"), movi = a.find("movi");
  if (avih == std::string::npos || strf == std::string::npos || movi == std::string::npos) return out;
  out.usPerFrame = U32(a, avih + 8);
  out.frames = U32(a, avih + 24);
  out.width = U32(a, avih + 40);
  out.height = U32(a, avih + 44);
  out.dibHeight = int32_t(U32(a, strf + 16));
  out.bits = U16(a, strf + 22);
  for (size_t at = a.find("00db", movi); at != std::string::npos; at = a.find("00db", at + 8 + U32(a, at + 4))) {
    if (a.compare(at - 4, 4, "idx1") == 0 || at > a.find("idx1")) break;
    ++out.chunks;
  }
  return out;
}

TEST_F(ResourceScript, ClipsHaveTheirFramesAndSizes) {
  struct Want {
    int id;
    uint32_t frames, width, height;
  };
  for (const Want& w : {Want{137, 5, 80, 48}, Want{138, 24, 100, 22}, Want{140, 3, 80, 48}}) {
    Avi a = ParseAvi(Art("AVI", w.id));
    EXPECT_EQ(a.frames, w.frames) << w.id;
    EXPECT_EQ(a.chunks, w.frames) << w.id;
    EXPECT_EQ(a.width, w.width) << w.id;
    EXPECT_EQ(a.height, w.height) << w.id;
    EXPECT_EQ(a.dibHeight, int32_t(w.height)) << w.id << ": top-down frames draw nothing";
    EXPECT_TRUE(a.bits == 8 || a.bits == 24) << w.id;
  }
  EXPECT_EQ(ParseAvi(Art("AVI", 138)).usPerFrame, 1000000u / 12);
}

}  // namespace
