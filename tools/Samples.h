// Harmless infected samples for the bundled database: clean programs made
// here, and the layouts that the four repair procedures undo, with the
// record's signature inside each planted body. The bodies only end their
// program; nothing here spreads or changes other files.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "engine/db/VirusDatabase.h"

namespace vsk::samples {

using Bytes = std::vector<uint8_t>;

// Clean programs: a .com that prints a line, a DOS MZ program that does the
// same, and a 32-bit console PE whose entry returns 0.
Bytes CleanCom();
Bytes CleanMz();
Bytes CleanPe();

// A 733-byte body appended; the first three bytes jump to it and are kept
// 306 bytes into it.
Bytes InfectCom(const Bytes& clean, const Bytes& signature);
// An 815-byte body appended to an MZ program whose size is a multiple of
// 16; the entry and stack point into it, the old IP, CS, SP and SS are kept
// 86 bytes into it, and the size fields count it.
Bytes InfectMz(const Bytes& clean, const Bytes& signature);
// A last section added to a PE whose size is a multiple of its file
// alignment, with room for one more section header; the entry point moves
// into it and the value 9 bytes into its raw data brings it back.
Bytes InfectPe(const Bytes& clean, const Bytes& signature);

struct Companion {
  Bytes infected;  // takes the program's name
  Bytes overlay;   // the program, first 10 bytes inverted, as NAME.OVL
};
Companion InfectCompanion(const Bytes& clean, const Bytes& signature);

// A file that only carries the signature.
Bytes Carrier(const Bytes& signature);
// The standard antivirus test file.
Bytes AntivirusTestFile();

// The signature of record `index` as the table holds it.
Bytes Signature(const VirusTable& table, int index);

// Writes OUT/samples (one sample of each record 0-5, the test file, some
// clean files) and OUT/clean (the clean programs under the names of their
// samples). Records 0, 3, 4 and 5 must be the four curable kinds. Returns
// an error text, or empty.
std::wstring WriteSampleSet(const VirusTable& table, const std::filesystem::path& out);

}  // namespace vsk::samples
