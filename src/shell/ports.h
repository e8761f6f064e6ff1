// Everything the shell asks of the desktop: dialogs, the timer, the view, documents, threads.
// The desktop layer implements it; tests replace it with recording fakes.
#pragma once

#include <functional>
#include <optional>
#include <string>

// What a file dialog shows. `filter` is "Description|pattern|...||"; the trailing "||" ends it.
struct FileDialogRequest {
  std::string defaultExtension;
  std::string initialFileName;
  std::string filter;
  std::string initialDirectory;
  bool hideReadOnly = true;
  bool promptOverwrite = true;
};

class ShellPorts {
 public:
  virtual ~ShellPorts() = default;

  // A modal message box with an OK button and the application title as caption.
  virtual void showMessage(const std::string& text) = 0;
  // Modal open and save dialogs; the chosen full path, or nothing when the user cancels.
  virtual std::optional<std::string> chooseFileToOpen(const FileDialogRequest& request) = 0;
  virtual std::optional<std::string> chooseFileToSave(const FileDialogRequest& request) = 0;
  // Asks the desktop to open a document with its viewer; must not block.
  virtual void openDocument(const std::string& path) = 0;

  // The one periodic timer of the view; starting it again restarts it.
  virtual void startTimer(int periodMilliseconds) = 0;
  virtual void stopTimer() = 0;
  // Repaint the whole view (with erasing) soon.
  virtual void invalidateView() = 0;
  virtual void setScrollSizes(int width, int height) = 0;

  // Runs `job` on a worker thread, then `finished` on the user interface thread.
  virtual void startWorker(std::function<void()> job, std::function<void()> finished) = 0;
};
