// The main window: menu, accelerators, toolbar, status bar and the one view.
#pragma once

#include <wx/frame.h>
#include <wx/timer.h>

#include <functional>
#include <memory>

#include "shell/session.h"
#include "shell/shell.h"

class PedivarView;
class WxPorts;

// The toolkit's identifier of one of the program's command numbers.
int toWxId(int command);

class MainFrame : public wxFrame {
 public:
  // Makes the shell's ports for this frame; the self-test passes its own, derived from WxPorts.
  using PortsFactory = std::function<std::unique_ptr<WxPorts>(wxWindow* frame, PedivarView* view, wxTimer* timer)>;
  explicit MainFrame(Session& session, PortsFactory makePorts = nullptr,
                     ShellServices services = ShellServices::standard());
  ~MainFrame() override;

  Shell& shell() { return *shell_; }
  PedivarView* view() { return view_; }
  // Delivers a command as the menu, a key or a toolbar button would.
  void sendCommand(int command);
  void joinWorker();

 private:
  void buildMenuBar();
  void buildAccelerators();
  void buildToolBar();
  void buildStatusBar();
  void bindCommands();
  void updateKeyStates();
  void onPrint();
  void onAbout();
  void onClose(wxCloseEvent& event);

  PedivarView* view_ = nullptr;
  wxTimer timer_;
  std::unique_ptr<WxPorts> ports_;
  std::unique_ptr<Shell> shell_;
  wxString keyStates_[3];
};
