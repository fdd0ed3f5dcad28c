// Stands in for the results list, the sound player, the questions and the
// messages of the actions.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "engine/actions/Actions.h"

namespace vsk::test {

class RowRecorder : public IResultRows, public ISoundPlayer, public IQuestions, public IMessageSink {
 public:
  std::map<int, std::wstring> texts;
  std::vector<int> waves;
  std::vector<std::wstring> asked;
  std::vector<std::wstring> told;
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
  void ShowMessage(const std::wstring& text) override { told.push_back(text); }
};

}  // namespace vsk::test
