#include "tools/Samples.h"

#include <algorithm>
#include <initializer_list>
#include <string_view>
#include <utility>

#include "engine/actions/RepairPlans.h"
#include "engine/os/File.h"
#include "engine/os/Folder.h"
#include "engine/text/Encoding.h"
#include "engine/text/LittleEndian.h"

namespace vsk::samples {
namespace fs = std::filesystem;

namespace {

constexpr std::string_view kNotice = "Vireskand harmless test sample. Not a virus.";

using le::Get16;
using le::Get32;
using le::Put16;
using le::Put32;

void PutText(Bytes& b, size_t at, std::string_view text) {
  std::copy(text.begin(), text.end(), b.begin() + static_cast<long>(at));
}
void PutBytes(Bytes& b, size_t at, const Bytes& bytes) {
  std::copy(bytes.begin(), bytes.end(), b.begin() + static_cast<long>(at));
}

Bytes CodeAndText(std::initializer_list<uint8_t> code, std::string_view text) {
  Bytes b(code.size() + text.size());
  std::copy(code.begin(), code.end(), b.begin());
  std::copy(text.begin(), text.end(), b.begin() + static_cast<long>(code.size()));
  return b;
}

// A DOS program: a 32-byte header and `code` padded to 16 bytes, with its
// stack of 256 bytes right after the code.
Bytes DosExe(Bytes code) {
  code.resize((code.size() + 15) / 16 * 16);
  Bytes exe(32 + code.size(), 0);
  std::copy(code.begin(), code.end(), exe.begin() + 32);
  const size_t n = exe.size();
  exe[0] = 'M';
  exe[1] = 'Z';
  Put16(exe, 2, n % 512);
  Put16(exe, 4, static_cast<uint32_t>((n + 511) / 512));
  Put16(exe, 8, 2);                                       // header paragraphs
  Put16(exe, 10, 0x10);                                   // minimum extra paragraphs
  Put16(exe, 12, 0xFFFF);                                 // maximum extra paragraphs
  Put16(exe, 14, static_cast<uint32_t>(code.size() / 16));  // SS
  Put16(exe, 16, 0x100);                                  // SP
  Put16(exe, 24, 0x1C);                                   // relocation table
  return exe;
}

// push cs; pop ds; mov ah,9; mov dx,0Eh; int 21h; mov ax,4C00h; int 21h;
// then the '$'-ended text at 0Eh.
Bytes DosPrintCode(std::string_view text) {
  Bytes code = CodeAndText(
      {0x0E, 0x1F, 0xB4, 0x09, 0xBA, 0x0E, 0x00, 0xCD, 0x21, 0xB8, 0x00, 0x4C, 0xCD, 0x21}, text);
  code.push_back('$');
  return code;
}

}  // namespace

Bytes CleanCom() {
  // mov ah,9; mov dx,109h; int 21h; int 20h; then the text at 109h.
  return CodeAndText({0xB4, 0x09, 0xBA, 0x09, 0x01, 0xCD, 0x21, 0xCD, 0x20},
                     "Hello from a clean .com program.\r\n$");
}

Bytes CleanMz() { return DosExe(DosPrintCode("Hello from a clean DOS program.\r\n")); }

Bytes CleanPe() {
  constexpr uint32_t H = 0x40, kFileAlign = 0x200;
  Bytes pe(2 * kFileAlign, 0);
  pe[0] = 'M';
  pe[1] = 'Z';
  Put32(pe, 60, H);
  PutText(pe, H, std::string_view("PE\0\0", 4));
  Put16(pe, H + 4, 0x14C);     // i386
  Put16(pe, H + 6, 1);         // sections
  Put16(pe, H + 20, 224);      // optional header size
  Put16(pe, H + 22, 0x0103);   // relocations stripped, executable, 32-bit
  Put16(pe, H + 24, 0x10B);    // PE32
  Put32(pe, H + 28, kFileAlign);  // size of code
  Put32(pe, H + 40, 0x1000);   // entry point
  Put32(pe, H + 44, 0x1000);   // base of code
  Put32(pe, H + 48, 0x2000);   // base of data
  Put32(pe, H + 52, 0x400000); // image base
  Put32(pe, H + 56, 0x1000);   // section alignment
  Put32(pe, H + 60, kFileAlign);
  Put16(pe, H + 64, 4);        // OS version
  Put16(pe, H + 72, 4);        // subsystem version
  Put32(pe, H + 80, 0x2000);   // image size
  Put32(pe, H + 84, kFileAlign);  // size of headers
  Put16(pe, H + 92, 3);        // console
  Put32(pe, H + 96, 0x100000);
  Put32(pe, H + 100, 0x1000);
  Put32(pe, H + 104, 0x100000);
  Put32(pe, H + 108, 0x1000);
  Put32(pe, H + 116, 16);      // data directories
  const uint32_t T = H + 248;
  PutText(pe, T, ".text");
  Put32(pe, T + 8, 0x10);      // virtual size
  Put32(pe, T + 12, 0x1000);   // virtual address
  Put32(pe, T + 16, kFileAlign);
  Put32(pe, T + 20, kFileAlign);
  Put32(pe, T + 36, 0x60000020);
  // xor eax,eax; ret
  PutBytes(pe, kFileAlign, {0x31, 0xC0, 0xC3});
  return pe;
}

Bytes InfectCom(const Bytes& clean, const Bytes& signature) {
  Bytes body(kComVirusSize, 0);
  body[0] = 0xC3;  // ret: to PSP:0, whose int 20h ends the program
  PutText(body, 8, kNotice);
  PutBytes(body, 64, signature);
  std::copy(clean.begin(), clean.begin() + 3, body.begin() + kComSavedBytes);
  Bytes infected = clean;
  const uint32_t jump = static_cast<uint32_t>(clean.size() - 3);
  infected[0] = 0xE9;
  Put16(infected, 1, jump);
  infected.insert(infected.end(), body.begin(), body.end());
  return infected;
}

Bytes InfectMz(const Bytes& clean, const Bytes& signature) {
  Bytes body(kMzVirusSize, 0);
  PutBytes(body, 0, {0xB8, 0x00, 0x4C, 0xCD, 0x21});  // mov ax,4C00h; int 21h
  PutText(body, 8, std::string_view(kNotice).substr(0, 30));
  PutBytes(body, 40, signature);
  Put16(body, kMzSavedRegisters + 0, Get16(clean, 20));  // IP
  Put16(body, kMzSavedRegisters + 2, Get16(clean, 22));  // CS
  Put16(body, kMzSavedRegisters + 4, Get16(clean, 16));  // SP
  Put16(body, kMzSavedRegisters + 6, Get16(clean, 14));  // SS
  PutText(body, 100, kNotice);
  Bytes infected = clean;
  const uint32_t bodySegment = static_cast<uint32_t>((clean.size() - 32) / 16);
  Put16(infected, 14, bodySegment);
  Put16(infected, 16, 0x400);
  Put16(infected, 20, 0);
  Put16(infected, 22, bodySegment);
  infected.insert(infected.end(), body.begin(), body.end());
  const size_t length = infected.size();
  Put16(infected, 2, length % 512);
  Put16(infected, 4, static_cast<uint32_t>((length + 511) / 512));
  return infected;
}

Bytes InfectPe(const Bytes& clean, const Bytes& signature) {
  const uint32_t H = Get32(clean, 60);
  const uint32_t fileAlign = Get32(clean, H + 60);
  const uint16_t sections = Get16(clean, H + 6);
  const uint32_t oldEntry = Get32(clean, H + 40);
  const uint32_t imageSize = Get32(clean, H + 80);
  const uint32_t raw = static_cast<uint32_t>(clean.size());
  constexpr uint32_t kVirtualSize = 0x1000;
  const uint32_t newEntry = imageSize;

  Bytes infected = clean;
  const uint32_t T = H + 248 + 40 * sections;
  PutText(infected, T, ".vsk");
  Put32(infected, T + 8, kVirtualSize);
  Put32(infected, T + 12, newEntry);
  Put32(infected, T + 16, fileAlign);
  Put32(infected, T + 20, raw);
  Put32(infected, T + 36, 0x60000020);
  Put16(infected, H + 6, sections + 1u);
  Put32(infected, H + 80, imageSize + kVirtualSize);
  Put32(infected, H + 40, newEntry);

  Bytes body(fileAlign, 0);
  PutBytes(body, 0, {0x31, 0xC0, 0xC3});  // xor eax,eax; ret
  Put32(body, kPeCorrection, newEntry - oldEntry + 5);
  PutText(body, 16, kNotice);
  PutBytes(body, 64, signature);
  infected.insert(infected.end(), body.begin(), body.end());
  return infected;
}

Companion InfectCompanion(const Bytes& clean, const Bytes& signature) {
  Bytes code = DosPrintCode("Vireskand companion test sample.\r\n");
  code.insert(code.end(), signature.begin(), signature.end());
  Companion c{DosExe(code), clean};
  for (size_t i = 0; i < std::min<size_t>(10, clean.size()); ++i)
    c.overlay[i] = static_cast<uint8_t>(~c.overlay[i]);
  return c;
}

Bytes Carrier(const Bytes& signature) {
  Bytes b(kNotice.begin(), kNotice.end());
  b.push_back('\n');
  b.insert(b.end(), signature.begin(), signature.end());
  b.push_back('\n');
  return b;
}

Bytes AntivirusTestFile() {
  // In pieces, so that no file of the project carries the whole string.
  const std::string text = std::string("X5O!P%@AP[4\\PZX54(P^)7CC)7}$") + "EICAR" +
                           "-STANDARD-ANTIVIRUS" + "-TEST-FILE!$H+H*";
  return Bytes(text.begin(), text.end());
}

Bytes Signature(const VirusTable& table, int index) {
  const auto& s = table.signatures[index];
  return Bytes(s.begin(), s.begin() + table.lengths[index]);
}

std::wstring WriteSampleSet(const VirusTable& table, const fs::path& out) {
  if (table.count < 6) return L"в базе меньше шести записей";
  for (int i = 0; i < 6; ++i)
    if (table.lengths[i] == 0) return L"пустая сигнатура в записи " + std::to_wstring(i);

  const Bytes com = CleanCom(), mz = CleanMz(), pe = CleanPe();
  const Companion companion = InfectCompanion(pe, Signature(table, kCureCompanion));
  const std::string letter = "Just a letter.\r\n", script = "echo hello\r\n";
  const std::pair<fs::path, Bytes> files[] = {
      {"samples/com/hello.com", InfectCom(com, Signature(table, kCureComAppender))},
      {"samples/dos/dosprog.exe", InfectMz(mz, Signature(table, kCureMzAppender))},
      {"samples/win/winprog.exe", InfectPe(pe, Signature(table, kCurePeAppender))},
      {"samples/companion/game.exe", companion.infected},
      {"samples/companion/game.OVL", companion.overlay},
      {"samples/avtest.com", AntivirusTestFile()},
      {"samples/dropper.bin", Carrier(Signature(table, 2))},
      {"samples/docs/letter.txt", Bytes(letter.begin(), letter.end())},
      {"samples/hello.bat", Bytes(script.begin(), script.end())},
      {"samples/tools/clean.com", com},
      {"clean/hello.com", com},
      {"clean/dosprog.exe", mz},
      {"clean/winprog.exe", pe},
      {"clean/game.exe", pe},
  };
  for (const auto& [name, bytes] : files) {
    const fs::path path = out / name;
    std::error_code ec;
    fs::create_directories(path.parent_path(), ec);
    os::Folder folder;
    os::File f;
    bool created = false;
    if (!folder.Open(path.parent_path()) ||
        f.OpenOrCreate(folder, path.filename().native(), created) != os::Error::None ||
        !f.Truncate(0) || !f.WriteAt(0, bytes.data(), bytes.size()))
      return L"не удалось записать " + PathText(path);
  }
  return {};
}

}  // namespace vsk::samples
