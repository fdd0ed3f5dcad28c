// Why a part of an archive was not read, as the user reads it after the
// member's path.
#pragma once

#include "engine/containers/ArchiveSearch.h"

namespace vsk {

inline const wchar_t* ProblemText(Problem problem) {
  switch (problem) {
    case Problem::Encrypted: return L"зашифрован";
    case Problem::Method: return L"метод сжатия не поддерживается";
    case Problem::Damaged: return L"повреждён";
    case Problem::ReadError: return L"ошибка чтения";
    case Problem::Overlap: return L"записи архива перекрываются";
    case Problem::Depth: return L"превышена глубина вложенности архивов";
    case Problem::Members: return L"слишком много файлов в архиве";
    case Problem::Ratio: return L"превышена степень сжатия";
    case Problem::NestedSize: return L"вложенный архив слишком велик";
    case Problem::ArchiveBytes: return L"превышен объём распаковки архива";
    case Problem::ScanBytes: return L"превышен объём распаковки за проверку";
    case Problem::None: break;
  }
  return L"";
}

}  // namespace vsk
