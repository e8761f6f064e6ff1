// A recording stand-in for the desktop: dialogs answer from a queue, workers wait to be run.
#pragma once

#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "shell/ports.h"

class FakePorts : public ShellPorts {
 public:
  void showMessage(const std::string& text) override { messages.push_back(text); }
  std::optional<std::string> chooseFileToOpen(const FileDialogRequest& request) override {
    openRequests.push_back(request);
    return nextAnswer();
  }
  std::optional<std::string> chooseFileToSave(const FileDialogRequest& request) override {
    saveRequests.push_back(request);
    return nextAnswer();
  }
  void openDocument(const std::string& path) override { openedDocuments.push_back(path); }
  void startTimer(int period) override {
    timerRunning = true;
    timerPeriod = period;
  }
  void stopTimer() override { timerRunning = false; }
  void invalidateView() override { ++invalidations; }
  void setScrollSizes(int width, int height) override { scrollSizes.push_back({width, height}); }
  void startWorker(std::function<void()> job, std::function<void()> finished) override {
    pendingJob = std::move(job);
    pendingFinished = std::move(finished);
  }

  // Runs the waiting worker's job, and its completion on the "user interface thread".
  void runWorker() {
    auto job = std::move(pendingJob);
    auto finished = std::move(pendingFinished);
    pendingJob = nullptr;
    pendingFinished = nullptr;
    if (job) job();
    if (finished) finished();
  }
  bool workerWaiting() const { return static_cast<bool>(pendingJob); }

  std::deque<std::optional<std::string>> answers;  // dialog results, in order
  std::vector<std::string> messages;
  std::vector<FileDialogRequest> openRequests;
  std::vector<FileDialogRequest> saveRequests;
  std::vector<std::string> openedDocuments;
  bool timerRunning = false;
  int timerPeriod = 0;
  int invalidations = 0;
  std::vector<std::pair<int, int>> scrollSizes;
  std::function<void()> pendingJob;
  std::function<void()> pendingFinished;

 private:
  std::optional<std::string> nextAnswer() {
    if (answers.empty()) return std::nullopt;
    auto answer = answers.front();
    answers.pop_front();
    return answer;
  }
};
