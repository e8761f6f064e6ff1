#include "gui/wx_ports.h"

#include <wx/filedlg.h>
#include <wx/log.h>
#include <wx/msgdlg.h>
#include <wx/utils.h>

#include "gui/view.h"
#include "gui/wx_text.h"
#include "shell/program_directory.h"
#include "shell/resources.h"

wxString dialogWildcard(const std::string& filter) {
  std::string wildcard = filter;
  while (!wildcard.empty() && wildcard.back() == '|') wildcard.pop_back();
  return toWx(wildcard);
}

void WxPorts::showMessage(const std::string& text) {
  wxMessageBox(toWx(text), text::kApplicationTitle, wxOK, frame_);
}

std::optional<std::string> WxPorts::chooseFile(const FileDialogRequest& request, bool save) {
  long style = save ? wxFD_SAVE : wxFD_OPEN;
  if (save && request.promptOverwrite) style |= wxFD_OVERWRITE_PROMPT;
  // The dialog takes a name literally, so a wildcard name is left to the filter.
  const bool wildcardName = request.initialFileName.find_first_of("*?") != std::string::npos;
  wxFileDialog dialog(frame_, save ? "Save As" : "Open", toWx(request.initialDirectory),
                      wildcardName ? wxString() : toWx(request.initialFileName), dialogWildcard(request.filter),
                      style);
  if (dialog.ShowModal() != wxID_OK) return std::nullopt;
  std::string path = fromWx(dialog.GetPath());
  if (save && !request.defaultExtension.empty() && fileNameOf(path).find('.') == std::string::npos)
    path += "." + request.defaultExtension;
  return path;
}

std::optional<std::string> WxPorts::chooseFileToOpen(const FileDialogRequest& request) {
  return chooseFile(request, false);
}

std::optional<std::string> WxPorts::chooseFileToSave(const FileDialogRequest& request) {
  return chooseFile(request, true);
}

void WxPorts::openDocument(const std::string& path) {
  // Without a viewer the toolkit would report its failure in a dialog; Help then does nothing.
  wxLogNull quiet;
  wxLaunchDefaultApplication(toWx(path));
}

void WxPorts::startTimer(int periodMilliseconds) { timer_->Start(periodMilliseconds); }

void WxPorts::stopTimer() { timer_->Stop(); }

void WxPorts::invalidateView() { view_->Refresh(true); }

void WxPorts::setScrollSizes(int width, int height) { view_->setScrollSizes(width, height); }

void WxPorts::startWorker(std::function<void()> job, std::function<void()> finished) {
  joinWorker();  // the previous worker has ended: the shell starts one only when idle
  wxWindow* frame = frame_;
  worker_ = std::thread([job = std::move(job), finished = std::move(finished), frame] {
    job();
    frame->GetEventHandler()->CallAfter(finished);
  });
}

void WxPorts::joinWorker() {
  if (worker_.joinable()) worker_.join();
}
