#pragma once

#include "export/ExportUi.h"

#include <deque>
#include <string>
#include <vector>

namespace kestrum::test {

// The windows as an export worker sees them, answering questions from a script.
class FakeExportUi : public ExportUi {
  public:
    std::vector<std::string> shown;     // errors and informations
    std::vector<std::string> questions; // every question asked, in order
    std::deque<bool> answers;           // answers to give, in order; No once they run out
    std::vector<std::string> statuses;  // captions shown on the export button
    ButtonLook look{"Add To CD &Export List", 0};
    RecordingState recording;
    bool pending = false;
    int saves = 0;
    int normalized = 0;

    void showError(const std::string& text) override { shown.push_back(text); }
    void showInformation(const std::string& text) override { shown.push_back(text); }
    bool askQuestion(const std::string& text) override { return answer(text); }
    bool askNoByDefault(const std::string& text) override { return answer(text); }
    ButtonLook exportButtonLook() override { return look; }
    void setExportButtonLook(const ButtonLook& newLook) override {
        statuses.push_back(newLook.caption);
        look = newLook;
    }
    bool additionsPending() override { return pending; }
    void saveComments() override {
        ++saves;
        pending = false;
    }
    RecordingState recordingSnapshot() override { return recording.copyWithoutFile(); }
    void normalizeTopMosts() override { ++normalized; }
    void restoreTopMosts() override {}

  private:
    bool answer(const std::string& text) {
        questions.push_back(text);
        if (answers.empty())
            return false;
        const bool given = answers.front();
        answers.pop_front();
        return given;
    }
};

} // namespace kestrum::test
