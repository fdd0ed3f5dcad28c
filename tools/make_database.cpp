// Writes a virus database from a readable source list:
//   make-database SOURCE OUTPUT
// Each non-comment line of SOURCE is "name curable hex-bytes...".
#include <cstdio>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "engine/db/VirusDatabase.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::cerr << "usage: make-database SOURCE OUTPUT\n";
    return 2;
  }
  std::ifstream in(argv[1]);
  if (!in) {
    std::cerr << "cannot read " << argv[1] << "\n";
    return 2;
  }
  std::string file(vsk::DatabaseHeader());
  file.push_back('\0');                // count, set below
  file.append(7, '\0');                // reserved
  int count = 0, lineNo = 0;
  for (std::string line; std::getline(in, line);) {
    ++lineNo;
    if (line.empty() || line[0] == '#') continue;
    std::istringstream fields(line);
    std::string name;
    int curable = 0;
    fields >> name >> curable;
    std::vector<uint8_t> sig;
    for (std::string hex; fields >> hex;) sig.push_back(static_cast<uint8_t>(std::stoul(hex, nullptr, 16)));
    if (name.empty() || name.size() > vsk::kNameField || sig.empty() ||
        sig.size() > vsk::kMaxSignature || ++count > vsk::kMaxViruses) {
      std::cerr << argv[1] << ":" << lineNo << ": bad record\n";
      return 2;
    }
    const auto record = vsk::EncodeRecord(name, static_cast<int>(sig.size()), curable != 0, sig.data());
    file.append(reinterpret_cast<const char*>(record.data()), record.size());
  }
  file[vsk::kCountOffset] = static_cast<char>(count);
  std::ofstream out(argv[2], std::ios::binary);
  out.write(file.data(), static_cast<std::streamsize>(file.size()));
  return out ? 0 : 2;
}
