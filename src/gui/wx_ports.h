// The shell's ports on the real desktop.
#pragma once

#include <wx/timer.h>

#include <thread>

#include "shell/ports.h"

class PedivarView;
class wxWindow;

class WxPorts : public ShellPorts {
 public:
  WxPorts(wxWindow* frame, PedivarView* view, wxTimer* timer) : frame_(frame), view_(view), timer_(timer) {}
  ~WxPorts() override { joinWorker(); }

  void showMessage(const std::string& text) override;
  std::optional<std::string> chooseFileToOpen(const FileDialogRequest& request) override;
  std::optional<std::string> chooseFileToSave(const FileDialogRequest& request) override;
  void openDocument(const std::string& path) override;
  void startTimer(int periodMilliseconds) override;
  void stopTimer() override;
  void invalidateView() override;
  void setScrollSizes(int width, int height) override;
  void startWorker(std::function<void()> job, std::function<void()> finished) override;

  // Waits for a running worker; called before the windows go away.
  void joinWorker();

 private:
  std::optional<std::string> chooseFile(const FileDialogRequest& request, bool save);

  wxWindow* frame_;
  PedivarView* view_;
  wxTimer* timer_;
  std::thread worker_;
};

// The toolkit's wildcard for a filter: the same text without the closing "||".
wxString dialogWildcard(const std::string& filter);
