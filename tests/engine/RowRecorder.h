// Stands in for the results list, the sound player and the message boxes of
// the actions.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "engine/Actions.h"

namespace vsk::test {

class RowRecorder : public IResultRows, public ISoundPlayer, public IQuestions {
 public:
  std::map<int, std::wstring> texts;
  std::vector<int> waves;
  std::vector<std::wstring> asked;
  bool answer = true;

  std::wstring GetText(int row) override { return texts[row]; }
  void SetText(int row, const std::wstring& text) override { texts[row] = text; }
  int PlayWave(int id, SoundMode) override {
    waves.push_back(id);
    return 1;
  }
  bool AskOkCancel(const std::wstring& text, const std::wstring& caption) override {
    EXPECT_EQ(caption, L"Предупреждение");
    asked.push_back(text);
    return answer;
  }
};

}  // namespace vsk::test
